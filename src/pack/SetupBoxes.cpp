// The boxes of a setup run, or in a silent run their lines in the debug channel and the log.
#include "pack/SetupBoxes.h"

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

void SetupBoxes::Error(std::string_view text, std::string_view caption, std::string_view buttons, int charset) const {
  const std::string title = caption.empty() ? MsgBoxKindCaption(kMsgBoxError) : std::string(caption);
  if (!LoggedInstead(title, text)) ErrorMsg(0, text, title, buttons, charset);
}

bool SetupBoxes::Confirm(std::string_view text, std::string_view caption, std::string_view buttons, int charset,
                         bool silentAnswer) const {
  if (LoggedInstead(caption, text)) return silentAnswer;
  return ConfirmMsg(0, text, caption, buttons, charset);
}

bool SetupBoxes::ConfirmOk(std::string_view text, std::string_view caption, std::string_view buttons, int charset,
                           bool silentAnswer) const {
  if (LoggedInstead(caption, text)) return silentAnswer;
  return ConfirmOkMsg(0, text, caption, buttons, charset);
}
