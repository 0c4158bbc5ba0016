// The extraction's window interface as a setup run serves it: progress on the host's bars,
// dispatching and waits through the host, the next-disk question and error boxes as the run's
// boxes, and a closed window as a cancel. A silent run cannot ask for a disk: it ends as cancelled.
#pragma once
#include <utility>

#include "pack/ExtractUI.h"
#include "setup/SetupBoxes.h"
#include "setup/SetupHost.h"

class SetupExtractUI : public ExtractUI {
 public:
  // diskQuestion: the next-disk box, its text with "<DISK_NUM>" (any case) where the part number goes.
  SetupExtractUI(SetupHost& host, const SetupBoxes& boxes, SetupBox diskQuestion)
      : host_(host), boxes_(boxes), diskQuestion_(std::move(diskQuestion)) {}
  void Reset(int maximum, int position, int step) override;
  void Step(std::string_view text) override;
  void PumpMessages() override;
  void WaitPumping(int ms) override;
  void EnableAutoPlayCancel() override;
  bool ConfirmNextDisk(int part) override;
  void ShowError(std::string_view text) override;
  bool Cancelled() override;

 private:
  SetupHost& host_;
  const SetupBoxes& boxes_;
  SetupBox diskQuestion_;
};
