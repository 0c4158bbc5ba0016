// The inform dialog's window, controls, painting and loop; places and fonts come from InformLayout.
#include "agent/win32/InformDialog.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "agent/InformFile.h"
#include "agent/InformLayout.h"
#include "platform/win32/Handles.h"
#include "util/Utils.h"
#include "util/VDebug.h"
#include "util/win32/WinSys.h"

namespace {

// One dialog at a time, as its window procedure has no other way to find its parts.
struct DialogState {
  std::string address;
  bool done = false;
  HWND text = nullptr;
  HWND button = nullptr;
};
DialogState g_dialog;

RECT ToRECT(const Rect& r) { return {r.left, r.top, r.left + r.width, r.top + r.height}; }

void MoveTo(HWND wnd, const Rect& r) {
  MoveWindow(wnd, r.left, r.top, r.width, r.height, TRUE);
  ShowWindow(wnd, SW_SHOW);
}

void PlaceControls(Size client) {
  if (g_dialog.text) MoveTo(g_dialog.text, InformTextRect(client, g_dialog.button != nullptr));
  if (g_dialog.button) MoveTo(g_dialog.button, InformButtonRect(client));
}

void Paint(HWND wnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(wnd, &ps);
  RECT client;
  GetClientRect(wnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  if (!g_dialog.address.empty()) {
    const InformStrip strip = InformStripFor({client.right, client.bottom});
    GdiObject pen(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW)));
    HGDIOBJ old = SelectObject(dc, pen.get());
    MoveToEx(dc, 0, strip.lineY, nullptr);
    LineTo(dc, client.right, strip.lineY);
    SelectObject(dc, old);
    const RECT fill = ToRECT(strip.fill);
    FillRect(dc, &fill, GetSysColorBrush(COLOR_BTNFACE));
  }
  EndPaint(wnd, &ps);
}

LRESULT CALLBACK InformProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DESTROY:
      g_dialog.done = true;
      return 1;
    case WM_SIZE:
      PlaceControls({LOWORD(lParam), HIWORD(lParam)});
      return 0;
    case WM_PAINT:
      Paint(wnd);
      return 0;
    case WM_COMMAND:
      if (g_dialog.button && reinterpret_cast<HWND>(lParam) == g_dialog.button) {
        OpenInformAddress(g_dialog.address);
        PostMessageA(wnd, WM_CLOSE, 0, 0);
      }
      break;
  }
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

HFONT MakeFont(const InformFont& f) {
  return CreateFontA(f.height, 0, 0, 0, f.weight, FALSE, FALSE, FALSE, DWORD(f.charSet), 0, 0, 0,
                     DWORD(f.pitchAndFamily), f.face.c_str());
}

DWORD CALLBACK ReadContent(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* done) {
  auto* rest = reinterpret_cast<std::string_view*>(cookie);
  const size_t n = std::min(size_t(std::max(size, LONG(0))), rest->size());
  std::memcpy(buffer, rest->data(), n);
  rest->remove_prefix(n);
  *done = LONG(n);
  return 0;
}

// Streamed rather than set as the window text, so that the control takes RTF as RTF and any other
// text as it stands, whatever its own guess would be.
void SetContent(HWND edit, const std::string& content) {
  // Rich Edit 1.0 keeps at most 32767 characters unless told otherwise.
  SendMessageA(edit, EM_EXLIMITTEXT, 0, LPARAM(std::max<size_t>(content.size() + 1, 32767)));
  std::string_view rest = content;
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&rest);
  stream.pfnCallback = ReadContent;
  SendMessageA(edit, EM_STREAMIN, IsRichTextContent(content) ? SF_RTF : SF_TEXT, reinterpret_cast<LPARAM>(&stream));
}

int ScreenDpiY() {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi;
}

Rect WorkArea() {
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return {work.left, work.top, work.right - work.left, work.bottom - work.top};
}

// The dialog's loop: every message of the thread until the window is destroyed. A quit message
// does not end it, but is kept for the caller's loop.
void RunLoop(HWND dialog) {
  bool quit = false;
  WPARAM quitCode = 0;
  MSG msg;
  while (!g_dialog.done) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      quit = true;
      quitCode = msg.wParam;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (IsWindow(dialog)) DestroyWindow(dialog);
  if (quit) PostQuitMessage(int(quitCode));
}

}  // namespace

void OpenInformAddress(std::string_view address) {
  if (!IsWebAddress(address)) {
    LogRefusedAddress(address);
    return;
  }
  ShellOpen(Trim(address), "", SW_SHOW);
}

bool RunInformDialog(HWND parent, const InformDialogRequest& request) {
  // Loaded once and kept: later dialogs of the process need the class again.
  if (!LoadLibraryA("RICHED32.DLL")) {
    DebugLn(IntToStr(CurrentProcessId()) + " Inform dialog: RICHED32.DLL is missing");
    return false;
  }
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  const InformFonts fonts = InformDialogFonts(request.fontName, request.fontSize, request.charSet, ScreenDpiY());
  GdiObject textFont(MakeFont(fonts.text)), buttonFont(MakeFont(fonts.button));

  WNDCLASSA wc{};
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = InformProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kInformWindowClass;
  RegisterClassA(&wc);

  g_dialog = {};
  g_dialog.address = request.address;
  const bool hasButton = !request.address.empty();
  const Rect place = InformWindowRect(WorkArea(), request.width, request.height);
  HWND dialog = CreateWindowExA(WS_EX_DLGMODALFRAME, kInformWindowClass, request.title.c_str(),
                                WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, place.left, place.top,
                                place.width, place.height, parent, nullptr, instance, nullptr);
  if (!dialog) {
    UnregisterClassA(kInformWindowClass, instance);
    g_dialog = {};
    return false;
  }
  RECT clientRect;
  GetClientRect(dialog, &clientRect);
  const Size client{clientRect.right, clientRect.bottom};

  // Read-only, without an OLE callback: the text comes from the network, so the control must
  // neither take input nor make live objects of what the RTF embeds.
  DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_READONLY | ES_WANTRETURN | ES_MULTILINE;
  if (request.rightToLeft) style |= ES_RIGHT;
  const Rect textPlace = InformTextRect(client, hasButton);
  HWND text = CreateWindowExA(request.rightToLeft ? WS_EX_RTLREADING : 0, "RICHEDIT", "", style, textPlace.left,
                              textPlace.top, textPlace.width, textPlace.height, dialog, nullptr, instance, nullptr);
  g_dialog.text = text;
  if (text) {
    SendMessageA(text, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
    SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), TRUE);
    SendMessageA(text, EM_SETBKGNDCOLOR, 0, LPARAM(GetSysColor(COLOR_WINDOW)));
    SetContent(text, request.content);
  }
  if (hasButton) {
    const Rect b = InformButtonRect(client);
    HWND button = CreateWindowExA(0, "Button", request.buttonCaption.c_str(), WS_CHILD | WS_VISIBLE, b.left, b.top,
                                  b.width, b.height, dialog, nullptr, instance, nullptr);
    g_dialog.button = button;
    if (button) {
      SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont.get()), TRUE);
      SetWindowLongPtrA(button, GWLP_USERDATA, 1);
      SetFocus(button);
      SetActiveWindow(dialog);
      SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    }
  }

  RunLoop(dialog);
  UnregisterClassA(kInformWindowClass, instance);
  g_dialog = {};
  return true;
}
