// The extraction's window interface over the setup run's host.
#include "setup/SetupExtractUI.h"

#include "util/Utils.h"

void SetupExtractUI::Reset(int maximum, int position, int step) { host_.Bars().Reset(maximum, position, step); }
void SetupExtractUI::Step(std::string_view text) { host_.Bars().Step(text); }
void SetupExtractUI::PumpMessages() { host_.PumpMessages(); }
void SetupExtractUI::WaitPumping(int ms) { host_.WaitPumping(0, ms); }
void SetupExtractUI::EnableAutoPlayCancel() { host_.EnableAutoPlayCancel(); }

bool SetupExtractUI::ConfirmNextDisk(int part) {
  SetupBox box = diskQuestion_;
  box.text = ReplaceTextCI(box.text, "<DISK_NUM>", IntToStr(part));
  return boxes_.ConfirmOk(box, false);
}

bool SetupExtractUI::Cancelled() { return host_.WindowClosed(); }

// The extraction's own errors take the default caption and buttons.
void SetupExtractUI::ShowError(std::string_view text) { boxes_.Error({std::string(text), {}, {}, 0}); }
