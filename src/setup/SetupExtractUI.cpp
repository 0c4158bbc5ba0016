// The extraction's window interface over the setup run's host.
#include "setup/SetupExtractUI.h"

void SetupExtractUI::Reset(int maximum, int position, int step) { host_.Bars().Reset(maximum, position, step); }
void SetupExtractUI::Step(std::string_view text) { host_.Bars().Step(text); }
void SetupExtractUI::PumpMessages() { host_.PumpMessages(); }
void SetupExtractUI::WaitPumping(int ms) { host_.WaitPumping(0, ms); }
void SetupExtractUI::EnableAutoPlayCancel() { host_.EnableAutoPlayCancel(); }

bool SetupExtractUI::ConfirmNextDisk(std::string_view text, std::string_view caption, std::string_view buttons,
                                     int charset) {
  const bool ok = host_.ConfirmOk({std::string(text), std::string(caption), std::string(buttons), charset});
  if (!ok) diskCancelled_ = true;
  return ok;
}

// The extraction's own errors take the default caption and buttons.
void SetupExtractUI::ShowError(std::string_view text) { host_.Error({std::string(text), {}, {}, 0}); }
