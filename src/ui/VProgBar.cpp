// The progress bar object.
#include "ui/VProgBar.h"

#include "util/MessagePump.h"

// A new range dispatches what is pending; a step comes every 8 KB, so around steps the queue is
// looked at only when it is due (a 0 ms WaitPumping still sleeps one 1 ms slice, which after every
// chunk would hold a download to a few MB/s).
void TProgBar::Reset(int maximum, int position, int step) {
  PumpMessages(0);
  if (target_) target_->Reset(maximum, position, step);
  PumpMessages(0);
}

void TProgBar::Step(std::string_view text) {
  PumpMessagesIfDue();
  if (target_) target_->Step(text);
  PumpMessagesIfDue();
}
