// The progress bar object.
#include "ui/VProgBar.h"

#include "util/IniReg.h"

// Dispatches what is pending without sleeping: a 0 ms WaitPumping still sleeps one 1 ms slice,
// which after every 8 KB chunk would hold a download to a few MB/s. A step comes every 8 KB, so
// around steps the queue is looked at only when it is due; a new range always dispatches.
void TProgBar::Notify(int kind, int maximum, int position, int step, std::string_view text) {
  const auto pump = [kind] { kind == 0 ? PumpMessages(0) : void(PumpMessagesIfDue()); };
  pump();
  if (callback_) callback_(kind, 0, maximum, position, step, text);
  pump();
}

void TProgBar::SetRange(int position, int maximum) { Notify(0, maximum, position, 1, {}); }
void TProgBar::StepText(std::string_view text) { Notify(1, 0, 0, 0, text); }
void TProgBar::PumpOnce() { PumpMessages(0); }

TProgBar& ProcessProgBar(ProgressCallback callback) {
  static TProgBar bar(callback);
  return bar;
}
