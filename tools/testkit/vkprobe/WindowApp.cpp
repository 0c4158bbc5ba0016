// vkprobe's window programs. The sample application: a visible titled main window, a hidden untitled tool window and,
// when asked, a visible dialog owned by the main window. It writes its process id and window
// handles to a file and runs until its main window is closed (exit code 7 when the close carried
// the parameters 15 and 255, else 3) or its thread receives WM_QUIT (exit code: the wParam).
// The pumped wait: a window that answers WM_APP with wParam + 1 while its thread is in WaitPumping.
#include "WindowApp.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "util/IniReg.h"
#include "util/MessagePump.h"

namespace {
LRESULT CALLBACK MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  // The loop ends without destroying the windows: under Wine on a display without a window
  // manager, destroying the active window waits seconds for the activation to move on. The
  // process's end removes them all the same.
  if (msg == WM_CLOSE) {
    PostQuitMessage(wp == 15 && lp == 255 ? 7 : 3);
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

HWND Make(const char* title, DWORD style, HWND owner) {
  return CreateWindowA("VkProbeApp", title, style, 100, 100, 300, 200, owner, nullptr, GetModuleHandleA(nullptr),
                       nullptr);
}
}  // namespace

int RunWindowApp(const char* infoFile, bool withDialog) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "VkProbeApp";
  if (!RegisterClassA(&wc)) return 1;
  HWND tool = Make("", WS_POPUP, nullptr);
  HWND main = Make("VkProbe Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  HWND dialog = withDialog ? Make("VkProbe Dialog", WS_POPUP | WS_CAPTION | WS_VISIBLE, main) : nullptr;
  if (!tool || !main) return 1;
  // Written whole under a temporary name, so that a reader never sees half of it.
  std::string temp = std::string(infoFile) + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return 1;
  std::fprintf(f, "pid=%lu main=%lu tool=%lu dialog=%lu\n", GetCurrentProcessId(), (unsigned long)(UINT_PTR)main,
               (unsigned long)(UINT_PTR)tool, (unsigned long)(UINT_PTR)dialog);
  std::fclose(f);
  MoveFileA(temp.c_str(), infoFile);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  return int(m.wParam);
}

namespace {
LRESULT CALLBACK PumpProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP) return LRESULT(wp + 1);
  return DefWindowProcA(wnd, msg, wp, lp);
}
}  // namespace

int RunPumpedWait(int64_t ms) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PumpProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "VkProbePump";
  if (!RegisterClassA(&wc) ||
      !CreateWindowA("VkProbePump", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr))
    return 1;
  WaitPumping(0, ms);
  return 0;
}

int SendToWindow(const char* windowClass, unsigned long wParam) {
  HWND wnd = FindWindowA(windowClass, nullptr);
  DWORD_PTR answer = 0;
  if (!wnd || !SendMessageTimeoutA(wnd, WM_APP, wParam, 0, SMTO_NORMAL, 3000, &answer)) return 1;
  std::printf("%lu\n", (unsigned long)answer);
  return 0;
}
