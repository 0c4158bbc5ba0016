// The Win32 stub window: class, window, child controls, painting, timer, message loop and the
// status line's fonts.
#include "stub/StubWin.h"

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include "platform/System.h"
#include "platform/win32/Handles.h"
#include "ui/VMsgBox.h"
#include "util/VDebug.h"
#include "util/win32/WinSys.h"

namespace {
HWND mainWnd = nullptr;
HWND statusLine = nullptr;
HWND mainBar = nullptr;
HWND activityBar = nullptr;
// Bar positions reach the controls at most once a frame (see UpdateProgressBars). A frame of 33 ms
// (30 a second) still moves a bar smoothly; where the 32-bit program is emulated (x86 on another
// processor) each repaint costs several milliseconds, and 60 a second took a third of a download.
constexpr unsigned kBarFrameTimerId = 2;
constexpr int64_t kBarFrameMs = 33;
int mainBarWidth = 0, mainBarShown = -1;
int64_t barsShownAt = 0;
bool barFramePending = false;
GdiObject statusFont;
bool destroyed = false;

HWND CreateChild(HWND parent, const char* cls, DWORD style, const Rect& r) {
  return CreateWindowExA(0, cls, "", WS_CHILD | style, r.left, r.top, r.width, r.height, parent, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

// The font replaces the old one only after the control has taken it, so the control never holds a
// deleted font.
void SetStatusFont(GdiObject font) {
  SendMessageA(statusLine, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  statusFont = std::move(font);
}

void OnCreate(HWND wnd) {
  const int charset = StubWinOptionsInUse().charset;
  statusLine = CreateChild(wnd, "Static", WS_VISIBLE, StatusLineRect(charset));
  mainBar = CreateChild(wnd, PROGRESS_CLASSA, WS_VISIBLE, MainBarRect());
  activityBar = CreateChild(wnd, PROGRESS_CLASSA, 0, ActivityBarRect(charset));
  SetTimer(wnd, kStubTimerId, kStubTimerMs, nullptr);
  SetStatusFont(GdiObject(CreateFontA(-11, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma")));
}

void OnPaint(HWND wnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(wnd, &ps);
  RECT client;
  GetClientRect(wnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  if (HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MainIcon")) DrawIcon(dc, 18, 20, icon);
  EndPaint(wnd, &ps);
}

// The bars' positions as the state has them; the main bar only when its fill moves.
void ShowBarPositions(const StubProgressState& state, bool always) {
  if (barFramePending) KillTimer(mainWnd, kBarFrameTimerId);
  barFramePending = false;
  barsShownAt = TickMs();
  if (always || BarFillChanges(mainBarShown, state.mainPos, state.mainMax, mainBarWidth)) {
    SendMessageA(mainBar, PBM_SETPOS, WPARAM(state.mainPos), 0);
    mainBarShown = state.mainPos;
  }
  SendMessageA(activityBar, PBM_SETPOS, WPARAM(state.activityPos), 0);
}

LRESULT CALLBACK MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  const StubWinOptions& options = StubWinOptionsInUse();
  const UINT autoPlay = AutoPlayCancelMessage();
  if (autoPlay != 0 && msg == autoPlay) return 1;
  switch (msg) {
    case WM_CREATE:
      mainWnd = wnd;
      OnCreate(wnd);
      break;
    case WM_PAINT:
      OnPaint(wnd);
      return 0;
    case WM_CLOSE:
      if (!CloseMainWindow()) return 0;
      break;
    case WM_DESTROY:
      DebugLn("- wm_Destroy -");
      DestroyMainWindow();
      break;
    case WM_QUIT:
      DebugLn("- wm_Quit -");
      DestroyMainWindow();
      break;
    case WM_NCDESTROY:
      mainWnd = statusLine = mainBar = activityBar = nullptr;
      barFramePending = false;
      break;
    case WM_TIMER:
      if (wp == kStubTimerId && options.onTimer) options.onTimer();
      if (wp == kBarFrameTimerId) ShowBarPositions(StubProgress(), false);
      return 0;
    case 1123:
    case 1124:
      if (options.onControlMessage) options.onControlMessage(msg, wp, lp);
      break;
    case 1125:
      return options.onControlMessage ? options.onControlMessage(msg, wp, lp) : 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

bool RegisterMainClass(HINSTANCE instance, const std::string& className) {
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "MainIcon");
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = className.c_str();
  return RegisterClassA(&wc) != 0;
}
}  // namespace

bool StubWin::WinMain(const StubWinOptions& options) {
  SetStubWinOptionsInUse(options);
  destroyed = false;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  // A class name is an atom of at most 255 characters, and the name of a setup's class is its
  // path: a longer path registers nothing, and no window can be made.
  if (!RegisterMainClass(instance, options.className)) DebugLn("Stub window class not registered: " + LastErrorText());
  const POINT at = CenterInWorkArea(kStubWinWidth, kStubWinHeight);
  HWND wnd =
      CreateWindowExA(0, options.className.c_str(), options.title.c_str(), WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                      at.x, at.y, kStubWinWidth, kStubWinHeight, nullptr, nullptr, instance, nullptr);
  SetMsgBoxFont(options.fontName, options.fontSize, options.charset);
  if (wnd) {
    ShowWindow(wnd, SW_HIDE);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      if (destroyed) break;
    }
    KillTimer(wnd, kStubTimerId);
  }
  FinishMainWindow();
  return wnd != nullptr;
}

intptr_t MainWindowHandle() { return reinterpret_cast<intptr_t>(mainWnd); }
bool MainWindowDestroyed() { return destroyed; }

void ShowMainWindow(bool show) {
  if (mainWnd) ShowWindow(mainWnd, show ? SW_SHOW : SW_HIDE);
}

void ShowActivityBar(bool show) {
  if (activityBar) ShowWindow(activityBar, show ? SW_SHOW : SW_HIDE);
}

void StopMainTimer() {
  if (mainWnd) KillTimer(mainWnd, kStubTimerId);
}

void SetStatusText(std::string_view text, std::string_view fontName, int charset, int fontSize) {
  if (!statusLine) return;
  const bool rtl = IsRightToLeftCharset(charset);
  LONG_PTR exStyle = GetWindowLongPtrA(statusLine, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_RTLREADING);
  SetWindowLongPtrA(statusLine, GWL_EXSTYLE, exStyle | (rtl ? WS_EX_RTLREADING : 0));
  LONG_PTR style = GetWindowLongPtrA(statusLine, GWL_STYLE) & ~LONG_PTR(SS_TYPEMASK);
  SetWindowLongPtrA(statusLine, GWL_STYLE, style | (rtl ? SS_RIGHT : SS_LEFT));
  const std::string face(fontName);
  SetStatusFont(
      GdiObject(CreateFontA(-PointsToPixels(fontSize), 0, 0, 0, 0, 0, 0, 0, DWORD(charset), 0, 0, 0, 0, face.c_str())));
  SetWindowTextA(statusLine, std::string(text).c_str());
}

void UpdateProgressBars(const StubProgressState& state, bool rangeChanged) {
  if (!mainBar) return;
  if (rangeChanged) {
    // PBM_SETRANGE32: a range above 65535 (a package of many entries) still fills the bar evenly.
    SendMessageA(mainBar, PBM_SETRANGE32, 0, state.mainMax);
    SendMessageA(mainBar, PBM_SETSTEP, WPARAM(state.mainStep), 0);
    SendMessageA(activityBar, PBM_SETRANGE32, 0, 5);
    SendMessageA(activityBar, PBM_SETSTEP, 1, 0);
    RECT client{};
    GetClientRect(mainBar, &client);
    mainBarWidth = client.right;
  }
  // A download steps the bars once per 8 KB, and a bar repaints at once whenever its position
  // changes (under Wine about 1.5 ms a time): a repaint per step held a download in this window
  // to a few MB/s. So the positions go to the bars at most once a frame, and a step that comes
  // sooner is shown by the frame timer.
  if (rangeChanged || state.mainPos >= state.mainMax || TickMs() - barsShownAt >= kBarFrameMs || !mainWnd) {
    ShowBarPositions(state, rangeChanged);
  } else if (!barFramePending) {
    barFramePending = SetTimer(mainWnd, kBarFrameTimerId, kBarFrameMs, nullptr) != 0;
  }
}

void EndMessageLoop() {
  PostQuitMessage(0);
  destroyed = true;
}
