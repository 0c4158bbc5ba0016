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
  // The next-disk question (an OK/Cancel box owned by the main window): true on OK.
  virtual bool ConfirmNextDisk(std::string_view text, std::string_view caption, std::string_view buttons,
                               int charset) = 0;
  // An error box with the default caption and buttons and charset 0.
  virtual void ShowError(std::string_view text) = 0;
};
