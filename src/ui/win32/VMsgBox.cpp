// The Win32 message box: window, rich-edit text with bold runs, buttons, painting and its own modal
// loop with the keyboard rules. The arithmetic lives in MsgBoxLayout, the markup in MsgBoxMarkup.
#include "ui/VMsgBox.h"

#include <windows.h>
// after windows.h, which it needs
#include <richedit.h>

#include <vector>

#include "platform/win32/Handles.h"
#include "ui/MsgBoxKeys.h"
#include "ui/MsgBoxLayout.h"
#include "ui/MsgBoxMarkup.h"
#include "util/IniReg.h"
#include "util/MessagePump.h"
#include "util/VSUB.h"
#include "util/win32/WinSys.h"

namespace {
constexpr char kClassName[] = "VMsgBox";
constexpr char kRichEditLibrary[] = "RICHED32.DLL";
constexpr UINT_PTR kTimeoutTimer = 1;
constexpr int kButtonIdBase = 100;

// State of one open box, reached from its window through GWLP_USERDATA.
struct Box {
  HWND wnd = nullptr;
  HWND text = nullptr;
  std::vector<HWND> buttons;
  std::vector<std::string> captions;
  HICON icon = nullptr;
  HWND previousActive = nullptr;
  GdiObject font;
  Size requested;
  int timeoutMs = 0;
  int result = 0;
  bool chosen = false;
  bool noClose = false;
  bool done = false;
};

Box* BoxOf(HWND wnd) { return reinterpret_cast<Box*>(GetWindowLongPtrA(wnd, GWLP_USERDATA)); }

// Loaded with the first box and kept for the program's life, so that each box's own balanced
// load and free never unloads the control while a box is up.
bool RichEditLoaded() {
  static HMODULE lib = LoadLibraryA(kRichEditLibrary);
  return reinterpret_cast<uintptr_t>(lib) > 32;
}

int FocusedButton(const Box& box) {
  HWND focus = GetFocus();
  for (size_t i = 0; i < box.buttons.size(); ++i) {
    if (box.buttons[i] == focus) return int(i);
  }
  return -1;
}

// The focused button is also the default one, as a dialog shows it.
void FocusButton(Box& box, int index) {
  for (HWND button : box.buttons) SendMessageA(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  SendMessageA(box.buttons[index], BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  SetFocus(box.buttons[index]);
}

void Choose(Box& box, int index) {
  box.result = int(GetWindowLongPtrA(box.buttons[index], GWLP_USERDATA));
  box.chosen = true;
  PostMessageA(box.wnd, WM_CLOSE, 0, 0);
}

void FillBand(HDC dc, int left, int top, int right, int bottom, HBRUSH brush) {
  RECT r{left, top, right, bottom};
  FillRect(dc, &r, brush);
}

void Paint(const Box& box) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(box.wnd, &ps);
  RECT client;
  GetClientRect(box.wnd, &client);
  const int w = client.right, h = client.bottom;
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  FillBand(dc, 0, h - 37, w, h - 36, GetSysColorBrush(COLOR_3DDKSHADOW));
  FillBand(dc, 0, h - 36, w, h - 35, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  FillBand(dc, 0, h - 35, w, h, GetSysColorBrush(COLOR_BTNFACE));
  GdiObject band(CreateSolidBrush(0x984E00));
  FillBand(dc, 0, 0, kMsgBoxBandWidth, h - 37, static_cast<HBRUSH>(band.get()));
  if (box.icon) DrawIcon(dc, 11, 20, box.icon);
  EndPaint(box.wnd, &ps);
}

LRESULT CALLBACK BoxProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* box = static_cast<Box*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    box->wnd = wnd;
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
  }
  Box* box = BoxOf(wnd);
  if (!box) return DefWindowProcA(wnd, msg, wp, lp);
  const UINT autoPlay = AutoPlayCancelMessage();
  if (autoPlay != 0 && msg == autoPlay) return 1;
  switch (msg) {
    case WM_CREATE:
      if (box->timeoutMs > 0) SetTimer(wnd, kTimeoutTimer, UINT(box->timeoutMs), nullptr);
      break;
    case WM_PAINT:
      Paint(*box);
      return 0;
    case WM_NOTIFY: {
      const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
      if (hdr->code == EN_REQUESTRESIZE) {
        const RECT& rc = reinterpret_cast<const REQRESIZE*>(lp)->rc;
        box->requested = {rc.right - rc.left, rc.bottom - rc.top};
      }
      break;
    }
    case WM_COMMAND:
      for (size_t i = 0; i < box->buttons.size(); ++i) {
        if (reinterpret_cast<HWND>(lp) == box->buttons[i] && HIWORD(wp) == BN_CLICKED) Choose(*box, int(i));
      }
      break;
    case WM_TIMER:
      if (wp == kTimeoutTimer && !box->chosen) {
        KillTimer(wnd, kTimeoutTimer);
        Choose(*box, 0);
      }
      break;
    case WM_CLOSE:
      // The greyed menu item does not stop every way of closing (Alt+F4, a WM_CLOSE from another
      // program), so a no-close box refuses until a button or the timeout has chosen.
      if (box->noClose && !box->chosen) return 0;
      if (box->previousActive) {
        EnableWindow(box->previousActive, TRUE);
        SetActiveWindow(box->previousActive);
        SetFocus(box->previousActive);
      }
      if (box->timeoutMs > 0) KillTimer(wnd, kTimeoutTimer);
      break;
    case WM_DESTROY:
      box->font.reset();
      box->done = true;
      break;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

// Returns true when the message was used up by the keyboard rules.
bool FilterKey(Box& box, const MSG& msg) {
  MsgBoxKeyAction action;
  if (msg.message == WM_KEYDOWN) {
    action = MsgBoxKeyDown(int(msg.wParam), FocusedButton(box), box.captions);
  } else if (msg.message == WM_CHAR) {
    action = MsgBoxChar(char(msg.wParam), box.captions);
  }
  if (action.kind == MsgBoxKeyAction::kFocus) FocusButton(box, action.button);
  if (action.kind != MsgBoxKeyAction::kChoose) return false;
  Choose(box, action.button);
  return true;
}

GdiObject CreateBoxFont(const MsgBoxFont& f) {
  return GdiObject(
      CreateFontA(-PointsToPixels(f.size), 0, 0, 0, 0, 0, 0, 0, DWORD(f.charset), 0, 0, 0, FF_SWISS, f.face.c_str()));
}

Size MeasureText(const Box& box, const std::string& text, const std::string& face) {
  HDC dc = GetDC(box.text);
  HGDIOBJ old = SelectObject(dc, box.font.get());
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  const Size size =
      MeasureMsgBoxText(text, MsgBoxLineHeight(tm.tmHeight, tm.tmExternalLeading, face), [dc](std::string_view line) {
        SIZE extent{};
        GetTextExtentPoint32A(dc, line.data(), int(line.size()), &extent);
        return int(extent.cx);
      });
  SelectObject(dc, old);
  ReleaseDC(box.text, dc);
  return size;
}

void SetControlSize(HWND control, int width, int height) {
  SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ApplyBold(HWND text, const std::vector<BoldRange>& ranges) {
  for (const BoldRange& range : ranges) {
    CHARRANGE sel{LONG(range.start), LONG(range.end)};
    SendMessageA(text, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    cf.dwEffects = CFE_BOLD;
    SendMessageA(text, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  }
  CHARRANGE none{0, 0};
  SendMessageA(text, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
}

// Control size for the text; with bold runs the control is widened until it no longer wraps.
Size FitText(Box& box, const MarkedText& marked, const std::string& face) {
  const Size measured = MeasureText(box, marked.text, face);
  SetControlSize(box.text, measured.width + 10, measured.height);
  if (marked.bold.empty()) return {measured.width + 10, measured.height};
  const int width = WidenForBold(measured, [&box, &measured](int w) {
    box.requested = {w, measured.height};
    SetControlSize(box.text, w, measured.height);
    SendMessageA(box.text, EM_REQUESTRESIZE, 0, 0);
    return box.requested;
  });
  SetControlSize(box.text, width, measured.height);
  return {width, measured.height};
}

void CreateButtons(Box& box, HINSTANCE instance, std::string_view list, uint32_t flags) {
  for (const MsgBoxButton& b : MsgBoxButtons(flags)) {
    const std::string caption = SUB::Get(list, b.item);
    HWND button = CreateWindowExA(
        0, "Button", caption.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, kMsgBoxButtonWidth, kMsgBoxButtonHeight, box.wnd,
        reinterpret_cast<HMENU>(intptr_t(kButtonIdBase + box.buttons.size())), instance, nullptr);
    SetWindowLongPtrA(button, GWLP_USERDATA, b.result);
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(box.font.get()), FALSE);
    box.buttons.push_back(button);
    box.captions.push_back(caption);
  }
}

HICON BoxIcon(HINSTANCE instance, uint32_t flags) {
  const int id = MsgBoxSystemIcon(flags);
  return id ? LoadIconA(nullptr, MAKEINTRESOURCEA(id)) : LoadIconA(instance, "MainIcon");
}

// Sizes and centres the window around the text control, then places the control and the buttons.
void Arrange(Box& box, Size control, std::string_view text) {
  const Size outer = MsgBoxWindowSize(control, GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME),
                                      GetSystemMetrics(SM_CYCAPTION));
  const POINT at = CenterInWorkArea(outer.width, outer.height);
  const int shift = MsgBoxDeveloperShift(text, IsDeveloperMode());
  SetWindowPos(box.wnd, HWND_TOPMOST, at.x + shift, at.y + shift, outer.width, outer.height, SWP_SHOWWINDOW);
  RECT rc;
  GetClientRect(box.wnd, &rc);
  const Size client{rc.right, rc.bottom};
  const Rect place = MsgBoxTextRect(client, control);
  MoveWindow(box.text, place.left, place.top, place.width, place.height, TRUE);
  const int count = int(box.buttons.size());
  for (int i = 0; i < count; ++i) {
    const Rect r = MsgBoxButtonRect(client, i, count);
    MoveWindow(box.buttons[i], r.left, r.top, r.width, r.height, TRUE);
  }
}

HWND CreateTextControl(Box& box, HINSTANCE instance, uint32_t flags) {
  DWORD style = WS_CHILD | WS_VISIBLE | ES_READONLY | ES_WANTRETURN | ES_MULTILINE;
  if (flags & kMsgBoxRightAlign) style |= ES_RIGHT;
  const DWORD exStyle = (flags & kMsgBoxRtlReading) ? WS_EX_RTLREADING : 0;
  HWND text = RichEditLoaded()
                  ? CreateWindowExA(exStyle, "RICHEDIT", "", style, 0, 0, 0, 0, box.wnd, nullptr, instance, nullptr)
                  : nullptr;
  // Without the rich-edit library the text still shows, only without bold runs.
  if (!text) text = CreateWindowExA(exStyle, "EDIT", "", style, 0, 0, 0, 0, box.wnd, nullptr, instance, nullptr);
  SendMessageA(text, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
  SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(box.font.get()), FALSE);
  SendMessageA(text, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_WINDOW));
  return text;
}

// Runs the box's own loop until its window is gone. A quit message ends the box and is posted
// again, so that the loop it was meant for still sees it.
void RunLoop(Box& box) {
  MSG msg;
  while (!box.done) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (IsWindow(box.wnd)) DestroyWindow(box.wnd);
      if (got == 0) PostQuitMessage(int(msg.wParam));
      break;
    }
    if (FilterKey(box, msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}
}  // namespace

int ShowMsgBox(intptr_t owner, std::string_view text, std::string_view caption, std::string_view buttons,
               uint32_t flags, int timeoutMs) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RichEditLoaded();
  ModuleHandle richEdit(LoadLibraryA(kRichEditLibrary));
  Box box;
  box.timeoutMs = timeoutMs;
  box.previousActive = GetActiveWindow();
  if (box.previousActive) EnableWindow(box.previousActive, FALSE);
  const MsgBoxFont& font = GetMsgBoxFont();
  box.font = CreateBoxFont(font);

  WNDCLASSA wc{};
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = BoxProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);

  const std::string title(caption);
  CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kClassName, title.c_str(), WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0,
                  reinterpret_cast<HWND>(owner), nullptr, instance, &box);
  if (!box.wnd) {
    if (box.previousActive) EnableWindow(box.previousActive, TRUE);
    return 0;
  }
  if (flags & kMsgBoxNoClose) {
    EnableMenuItem(GetSystemMenu(box.wnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    box.noClose = true;
  }
  box.text = CreateTextControl(box, instance, flags);
  const MarkedText marked = ParseMsgBoxMarkup(text);
  SetWindowTextA(box.text, marked.text.c_str());
  ApplyBold(box.text, marked.bold);
  const Size control = FitText(box, marked, font.face);
  box.icon = BoxIcon(instance, flags);
  CreateButtons(box, instance, buttons, flags);
  Arrange(box, control, text);
  SetForegroundWindow(box.wnd);
  FocusButton(box, MsgBoxDefaultIndex(flags, int(box.buttons.size())));

  RunLoop(box);
  UnregisterClassA(kClassName, instance);
  return box.result;
}

int MsgBoxEx(intptr_t ownerMode, std::string_view text, std::string_view caption, std::string_view buttons, int charset,
             uint32_t flags, int timeoutMs) {
  const MsgBoxExCall call = PrepareMsgBoxEx(ownerMode, text, caption, charset, flags);
  const intptr_t owner = ownerMode > 2 ? ownerMode : reinterpret_cast<intptr_t>(GetActiveWindow());
  const int result = ShowMsgBox(owner, call.text, caption, buttons, call.flags, timeoutMs);
  WaitPumping(0, 100);
  return result;
}
