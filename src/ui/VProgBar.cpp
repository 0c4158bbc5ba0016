// The progress bar object.
#include "ui/VProgBar.h"

#include "util/IniReg.h"

// Dispatches what is pending without sleeping: a 0 ms WaitPumping still sleeps one 1 ms slice,
// which after every 8 KB chunk would hold a download to a few MB/s.
void TProgBar::Notify(int kind, int maximum, int position, int step, std::string_view text) {
  PumpMessages(0);
  if (callback_) callback_(kind, 0, maximum, position, step, text);
  PumpMessages(0);
}

void TProgBar::SetRange(int position, int maximum) { Notify(0, maximum, position, 1, {}); }
void TProgBar::StepText(std::string_view text) { Notify(1, 0, 0, 0, text); }
void TProgBar::PumpOnce() { PumpMessages(0); }

TProgBar& ProcessProgBar(ProgressCallback callback) {
  static TProgBar bar(callback);
  return bar;
}
