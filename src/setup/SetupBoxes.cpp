// The boxes of a setup run, or in a silent run their lines in the debug channel and the log.
#include "setup/SetupBoxes.h"

#include "platform/System.h"
#include "ui/MsgBoxMarkup.h"
#include "ui/VMsgBox.h"
#include "util/Utils.h"
#include "util/VDebug.h"

std::string SilentBoxLine(std::string_view caption, std::string_view text) {
  const std::string plain = ParseMsgBoxMarkup(text).text;
  std::string line = "Silent run, no box: " + std::string(caption) + ":";
  size_t start = 0;
  while (start <= plain.size()) {
    size_t end = plain.find_first_of("\r\n", start);
    if (end == std::string::npos) end = plain.size();
    if (end > start) line += " " + plain.substr(start, end - start);
    start = end + 1;
  }
  return line;
}

bool SetupBoxes::LoggedInstead(std::string_view caption, std::string_view text) const {
  if (!silent_) return false;
  const std::string line = SilentBoxLine(caption, text);
  DebugLn(IntToStr(CurrentProcessId()) + " " + line);
  WriteStubLog(line);
  return true;
}

void SetupBoxes::Error(const SetupBox& box) const {
  // An empty caption is the error box's own; the line names it all the same.
  if (!LoggedInstead(box.caption.empty() ? MsgBoxKindCaption(kMsgBoxError) : box.caption, box.text)) host_.Error(box);
}

bool SetupBoxes::Confirm(const SetupBox& box, bool silentAnswer) const {
  if (LoggedInstead(box.caption, box.text)) return silentAnswer;
  return host_.Confirm(box);
}

bool SetupBoxes::ConfirmOk(const SetupBox& box, bool silentAnswer) const {
  if (LoggedInstead(box.caption, box.text)) return silentAnswer;
  return host_.ConfirmOk(box);
}
