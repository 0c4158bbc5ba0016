// The message boxes of a setup run and a web setup, shown through the run's host. A silent run
// (/hide, the package's hide flag, an update installed in the background) shows none: nobody is
// there to answer, and a modal box would hold the process for ever. What the box would have said
// goes to the debug channel and the log instead, a question takes the answer its caller gives for
// that case, and the run's exit code tells why it ended.
#pragma once
#include <string>
#include <string_view>

#include "setup/SetupHost.h"

class SetupBoxes {
 public:
  SetupBoxes(SetupHost& host, bool silent) : host_(host), silent_(silent) {}
  bool silent() const { return silent_; }

  void Error(const SetupBox& box) const;
  // Yes/No: true on Yes, or silentAnswer in a silent run.
  bool Confirm(const SetupBox& box, bool silentAnswer) const;
  // OK/Cancel: true on OK, or silentAnswer in a silent run.
  bool ConfirmOk(const SetupBox& box, bool silentAnswer) const;

 private:
  // In a silent run writes the box's line and returns true: the box is not shown.
  bool LoggedInstead(std::string_view caption, std::string_view text) const;

  SetupHost& host_;
  bool silent_;
};

// The one line that stands for a box a silent run does not show: the caption and the text
// without its markup, its lines joined by blanks.
std::string SilentBoxLine(std::string_view caption, std::string_view text);
