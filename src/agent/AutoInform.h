// Auto-inform: an announcement whose information file says AutoInform = 1 is a short rich-text page
// for the user instead of an update. The check fetches the inform file named by the information
// file and hands its text to PerformAutoInform, which shows the content in the inform dialog with
// a button that opens a web page, and raises VersionOriginal once it was shown, so that the same
// version is not announced again. The decisions live here; the dialog and the shell's open come
// through InformUi, which the agent's Win32 side implements.
#pragma once
#include <string>
#include <string_view>

#include "agent/UpdateSettings.h"

// The only addresses the dialog opens, since the address comes from a downloaded file: http:// or
// https:// (in any case) and a host, after leading and trailing blanks; no blank, control
// character or double quote inside. Never a local program, a share or another scheme.
bool IsWebAddress(std::string_view address);
// Says in the debug channel and the log that address was not opened.
void LogRefusedAddress(std::string_view address);

enum class InformAction {
  Nothing,      // no content and no address: nothing to show, the announcement comes again
  OpenAddress,  // no content: the address is opened at once, without a dialog
  ShowDialog,   // the content in the dialog, with a button when there is an address
};
struct InformPlan {
  InformAction action = InformAction::Nothing;
  std::string address;   // trimmed; empty when there is none or it was refused
  bool refused = false;  // the given address is not a web address, and counts as none
};
InformPlan PlanInform(std::string_view content, std::string_view address);

// What the inform dialog shows.
struct InformDialogRequest {
  std::string title;
  std::string buttonCaption;
  std::string content;
  std::string address;  // empty: no button, the text fills the client area
  int width = 360;      // outer size
  int height = 360;
  bool rightToLeft = false;
  std::string fontName;
  int fontSize = 8;  // points, for the button
  int charSet = 0;
};

// The window side of the dialog.
class InformUi {
 public:
  virtual ~InformUi() = default;
  // Shows the dialog and returns when it is closed (by its button, after opening the address,
  // or by its Close box); false when no dialog could be made.
  virtual bool RunDialog(const InformDialogRequest& request) = 0;
  // The shell's open of a web address; a failure is not reported.
  virtual void OpenAddress(std::string_view address) = 0;
};

// The inform dialog entry: plans with PlanInform, says in the log when it refuses an address,
// and opens the address or runs the dialog. True when something was shown or opened.
bool ShowInform(const InformDialogRequest& request, InformUi& ui);

// The inform file as the check fetched it into the agent folder under its file-name part.
struct InformFetch {
  bool fetched = false;  // there and ours (its token matched the own package's)
  std::string text;      // the whole file; empty when it cannot be read
};

// The start of an inform, in the log; true when the information file names an inform file
// (DownloadURL_UPDATE and NameOfInformFile), which the check then fetches.
bool BeginAutoInform(const InfoFile& info);

// The rest of an inform after BeginAutoInform and the fetch: read, show; VersionOriginal :=
// VersionNew when it was shown or its address opened. False (VersionOriginal unchanged, so the
// announcement comes again at the re-ask time) when the fetch failed or was refused (or there was
// none to make), or there was nothing to show.
bool PerformAutoInform(OriginalFile& original, const InfoFile& info, const InformFetch& fetch, InformUi& ui);
