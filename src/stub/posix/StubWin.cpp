// Host build of the stub window: no window, but the same hooks, so that role logic can run its
// ticks on the host. The loop runs the timer hook until the window is destroyed.
#include "stub/StubWin.h"

#include "ui/VMsgBox.h"

namespace {
bool destroyed = false;
bool running = false;
}  // namespace

bool StubWin::WinMain(const StubWinOptions& options) {
  SetStubWinOptionsInUse(options);
  SetMsgBoxFont(options.fontName, options.fontSize, options.charset);
  destroyed = false;
  running = true;
  while (!destroyed && options.onTimer) options.onTimer();
  running = false;
  FinishMainWindow();
  return true;
}

intptr_t MainWindowHandle() { return running ? 1 : 0; }
bool MainWindowDestroyed() { return destroyed; }
void ShowMainWindow(bool) {}
void StopMainTimer() {}
void SetStatusText(std::string_view, std::string_view, int, int) {}
void UpdateProgressBars(const StubProgressState&, bool) {}
void EndMessageLoop() { destroyed = true; }
