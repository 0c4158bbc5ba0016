// Portable half of the stub window: progress arithmetic, child geometry and the close rule.
#include "stub/StubWin.h"

#include <algorithm>

#include "net/InetHTTP.h"
#include "pack/PackX.h"
#include "util/VDebug.h"

namespace {
StubProgressState progressState;
StubWinOptions optionsInUse;
// The window's stop request to the download its run has under way.
bool cancelRequested = false;
}  // namespace

bool& MainWindowCancel() { return cancelRequested; }

const StubWinOptions& StubWinOptionsInUse() { return optionsInUse; }
void SetStubWinOptionsInUse(const StubWinOptions& options) { optionsInUse = options; }

bool StubProgressState::Apply(int kind, int maximum, int position, int step) {
  if (kind == 0) {
    mainMax = maximum;
    mainPos = position;
    mainStep = step;
    activityPos = 0;
    return true;
  }
  if (kind != 1) return false;
  mainPos = std::min(mainPos + mainStep, std::max(mainMax, mainPos));
  activityCounter = activityCounter >= 5 ? 0 : activityCounter + 1;
  activityPos = int(activityCounter);
  return true;
}

const StubProgressState& StubProgress() { return progressState; }

bool BarFillChanges(int from, int to, int maximum, int width) {
  if (maximum <= 0 || width <= 0) return from != to;
  return int64_t(from) * width / maximum != int64_t(to) * width / maximum;
}

namespace {
class WindowBars : public Progress {
 public:
  void Reset(int maximum, int position, int step) override {
    progressState.Apply(0, maximum, position, step);
    UpdateProgressBars(progressState, true);
  }
  void Step(std::string_view) override {
    progressState.Apply(1, 0, 0, 0);
    UpdateProgressBars(progressState, false);
  }
};
}  // namespace

Progress& StubBars() {
  static WindowBars bars;
  return bars;
}

StubWinOptions StubWinOptionsFor(const TGFileInfo& package, std::string_view className) {
  StubWinOptions options;
  options.className = className;
  options.title = package.GetLangString("s0", options.title);
  options.fontName = package.GetFontName();
  options.fontSize = package.GetFontSize();
  options.charset = package.GetCharset();
  return options;
}

bool IsRightToLeftCharset(int charset) { return charset == 177 || charset == 178; }
Rect StatusLineRect(int charset) { return {IsRightToLeftCharset(charset) ? 122 : 70, 20, 340, 18}; }
Rect MainBarRect() { return {70, 38, 392, 13}; }
Rect ActivityBarRect(int charset) { return {IsRightToLeftCharset(charset) ? 70 : 416, 20, 46, 13}; }

bool CloseMainWindow() {
  DebugLn(".. CloseMainWindow() - Start");
  const bool mayClose = cancelRequested;
  cancelRequested = true;
  DebugLn(".. CloseMainWindow() - End");
  return mayClose;
}

void DestroyMainWindow() {
  DebugLn(".. DestroyMainWindow() - Start");
  cancelRequested = true;
  if (optionsInUse.onDestroy) optionsInUse.onDestroy();
  EndMessageLoop();
  DebugLn(".. DestroyMainWindow() - End");
}

void FinishMainWindow() {
  cancelRequested = true;
  UnloadWinInet();
  if (optionsInUse.onLoopEnd) optionsInUse.onLoopEnd();
}
