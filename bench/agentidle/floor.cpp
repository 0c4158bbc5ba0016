// idlefloor: the floor under the resident agent. A hidden window with a one-second timer and a
// message loop, nothing else, built like the stub (static, GUI subsystem): whatever an idle agent
// costs above this program is its own.
//   idlefloor [SECONDS] [--reads FILE] [LIBRARY...]
//     ends after SECONDS (default 660) or when its window is closed; loads the libraries first (to
//     weigh what a library costs); with --reads, each tick also reads the five values an idle
//     agent reads from its installed-version file at every tick (the message-box font's three and
//     the due check's two), through the same profile call, and nothing else: what those reads
//     cost, apart from the agent's own code.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
UINT_PTR ticks = 0;
UINT_PTR limit = 660;
const char* readsFile = nullptr;

void ReadTheTicksValues() {
  static const char* const kValues[][2] = {{"MsgBox", "FontName"},
                                           {"MsgBox", "FontSize"},
                                           {"MsgBox", "CharSet"},
                                           {"OriginalSetup", "ProbeSecondsInterval"},
                                           {"OriginalSetup", "ProbeSecondsLast"}};
  // The agent's buffer: a value of up to 10240 characters.
  static char buffer[10241];
  for (const auto& v : kValues) GetPrivateProfileStringA(v[0], v[1], "", buffer, sizeof buffer, readsFile);
}

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      if (readsFile) ReadTheTicksValues();
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
    std::puts(
        "usage: idlefloor [SECONDS] [--reads FILE] [LIBRARY...]\n"
        "  a hidden window with a one-second timer (default 660 s); --reads: each tick also reads the\n"
        "  idle agent's five values of FILE (an installed-version file); LIBRARY: loaded first");
    return 0;
  }
  char* rest = cmdLine;
  if (cmdLine && *cmdLine) limit = UINT_PTR(std::strtoul(cmdLine, &rest, 10));
  for (char* word = std::strtok(rest, " "); word; word = std::strtok(nullptr, " ")) {
    if (!std::strcmp(word, "--reads"))
      readsFile = std::strtok(nullptr, " ");
    else
      LoadLibraryA(word);
  }
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
