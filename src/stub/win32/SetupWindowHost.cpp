// The stub window's side of a setup run.
#include "stub/win32/SetupWindowHost.h"

#include "stub/StubWin.h"
#include "ui/VMsgBox.h"
#include "util/MessagePump.h"
#include "util/win32/WinSys.h"

void SetupWindowHost::ShowWindow(bool show) { ShowMainWindow(show); }
void SetupWindowHost::ShowActivityBar(bool show) { ::ShowActivityBar(show); }
void SetupWindowHost::SetStatusText(std::string_view text, std::string_view fontName, int charset, int fontSize) {
  ::SetStatusText(text, fontName, charset, fontSize);
}
Progress& SetupWindowHost::Bars() { return StubBars(); }
intptr_t SetupWindowHost::WindowHandle() { return MainWindowHandle(); }
bool SetupWindowHost::WindowClosed() { return MainWindowDestroyed(); }
bool& SetupWindowHost::DownloadCancel() { return MainWindowCancel(); }
void SetupWindowHost::PumpMessages() { ::PumpMessages(0); }
void SetupWindowHost::WaitPumping(int slice, int ms) { ::WaitPumping(slice, ms); }
void SetupWindowHost::EnableAutoPlayCancel() { ::EnableAutoPlayCancel(true); }

// The boxes have no owner window of their own (owner mode 0: the caption also as a bold heading).
bool SetupWindowHost::Confirm(const SetupBox& box) {
  return ConfirmMsg(0, box.text, box.caption, box.buttons, box.charset);
}
bool SetupWindowHost::ConfirmOk(const SetupBox& box) {
  return ConfirmOkMsg(0, box.text, box.caption, box.buttons, box.charset);
}
void SetupWindowHost::Error(const SetupBox& box) { ErrorMsg(0, box.text, box.caption, box.buttons, box.charset); }
