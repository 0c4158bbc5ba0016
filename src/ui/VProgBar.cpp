// The progress bar object.
#include "ui/VProgBar.h"

#include "util/IniReg.h"

void TProgBar::Notify(int kind, int maximum, int position, int step, std::string_view text) {
  WaitPumping(0, 0);
  if (callback_) callback_(kind, 0, maximum, position, step, text);
  WaitPumping(0, 0);
}

void TProgBar::SetRange(int position, int maximum) { Notify(0, maximum, position, 1, {}); }
void TProgBar::StepText(std::string_view text) { Notify(1, 0, 0, 0, text); }
void TProgBar::PumpOnce() { WaitPumping(0, 0); }

TProgBar& ProcessProgBar(ProgressCallback callback) {
  static TProgBar bar(callback);
  return bar;
}
