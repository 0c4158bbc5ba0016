// idlefloor: the floor under the resident agent. A hidden window with a one-second timer and a
// message loop, nothing else, built like the stub (static, GUI subsystem): whatever an idle agent
// costs above this program is its own.
//   idlefloor [SECONDS [LIBRARY...]]   ends after SECONDS (default 660) or when its window is closed;
//                                      loads the libraries first (to weigh what a library costs)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
UINT_PTR ticks = 0;
UINT_PTR limit = 660;

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      if (++ticks >= limit) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, msg, wParam, lParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int) {
  if (cmdLine && (!std::strcmp(cmdLine, "--help") || !std::strcmp(cmdLine, "-h"))) {
    std::puts("usage: idlefloor [SECONDS [LIBRARY...]]   a hidden window with a one-second timer (default 660 s)");
    return 0;
  }
  char* rest = cmdLine;
  if (cmdLine && *cmdLine) limit = UINT_PTR(std::strtoul(cmdLine, &rest, 10));
  for (char* name = std::strtok(rest, " "); name; name = std::strtok(nullptr, " ")) LoadLibraryA(name);
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = "VelkitIdleFloor";
  if (!RegisterClassA(&wc)) return 1;
  HWND window = CreateWindowA(wc.lpszClassName, "idlefloor", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                              instance, nullptr);
  if (!window) return 1;
  SetTimer(window, 1, 1000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
