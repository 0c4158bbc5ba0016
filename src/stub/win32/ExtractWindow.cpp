// The extraction's window interface, served by the stub window and the message box.
#include "stub/win32/ExtractWindow.h"

#include "stub/StubWin.h"
#include "ui/VMsgBox.h"
#include "util/IniReg.h"
#include "util/win32/WinSys.h"

void ExtractWindow::Progress(int kind, int minimum, int maximum, int position, int step, std::string_view text) {
  StubProgressCallback(kind, minimum, maximum, position, step, text);
}

void ExtractWindow::PumpMessages() { ::PumpMessages(0); }
void ExtractWindow::WaitPumping(int ms) { ::WaitPumping(0, ms); }
void ExtractWindow::EnableAutoPlayCancel() { ::EnableAutoPlayCancel(true); }

bool ExtractWindow::ConfirmNextDisk(std::string_view text, std::string_view caption, std::string_view buttons,
                                    int charset) {
  return ConfirmOkMsg(0, text, caption, buttons, charset);
}

void ExtractWindow::ShowError(std::string_view text) { ErrorMsg(0, text); }
bool ExtractWindow::Cancelled() { return MainWindowDestroyed(); }
