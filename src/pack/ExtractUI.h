// What the extraction needs from the window that shows it: progress, message dispatching, waits,
// the next-disk question and error boxes. The stub window implements it with the real calls; the
// host tests implement it to record what the extraction asked for.
#pragma once
#include <string_view>

class ExtractUI {
 public:
  virtual ~ExtractUI() = default;
  // The progress callback. Kind 0 resets the main indicator to 0..maximum at position with step
  // size step, and the activity indicator to 0..5; kind 1 advances both by one step. The
  // extraction passes 0 as minimum and an empty text.
  virtual void Progress(int kind, int minimum, int maximum, int position, int step, std::string_view text) = 0;
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
  // Whether the user has closed the window meanwhile; the extraction then stops at its next chunk
  // as after a cancelled disk question.
  virtual bool Cancelled() { return false; }
};
