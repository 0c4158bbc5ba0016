// The extraction's window interface as the stub window serves it: progress on the window's bars,
// message dispatching and waits, the AutoPlay answer and the message boxes.
#pragma once
#include "pack/ExtractUI.h"

class ExtractWindow : public ExtractUI {
 public:
  void Progress(int kind, int minimum, int maximum, int position, int step, std::string_view text) override;
  void PumpMessages() override;
  void WaitPumping(int ms) override;
  void EnableAutoPlayCancel() override;
  bool ConfirmNextDisk(std::string_view text, std::string_view caption, std::string_view buttons, int charset) override;
  void ShowError(std::string_view text) override;
  // The window was closed (a second close while extracting).
  bool Cancelled() override;
};
