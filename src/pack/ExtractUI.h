// What the extraction needs from the window that shows it: progress, message dispatching, waits,
// the next-disk question and error boxes. The stub window implements it with the real calls; the
// host tests implement it to record what the extraction asked for.
#pragma once
#include <string_view>

#include "util/Progress.h"

// The progress part: a reset to the number of entries, then one step per entry created and per
// part file (with an empty text).
class ExtractUI : public Progress {
 public:
  // Dispatches the window messages that are waiting, then returns.
  virtual void PumpMessages() = 0;
  // Waits ms milliseconds while dispatching messages.
  virtual void WaitPumping(int ms) = 0;
  // Turns on the answer to "QueryCancelAutoPlay", before the user inserts another disk.
  virtual void EnableAutoPlayCancel() = 0;
  // The question for part file number part (2, 3, ...) of a package on several disks: true to
  // look for the part again, false to give up. The window side owns the question's texts.
  virtual bool ConfirmNextDisk(int part) = 0;
  // An error box with the default caption and buttons and charset 0.
  virtual void ShowError(std::string_view text) = 0;
  // Whether the user has closed the window meanwhile; the extraction then stops at its next chunk
  // as after a cancelled disk question.
  virtual bool Cancelled() { return false; }
};
