// The inform dialog on Win32: a resizable window of class "VRichEditBox" with a read-only rich-edit
// control for the announcement and, when there is a web address, a button in a strip at the
// bottom that opens it. It runs its own message loop, which dispatches every message of the
// thread (the agent's timer and control messages too) until the dialog is closed.
#pragma once
#include <windows.h>

#include <string_view>

#include "agent/AutoInform.h"

inline constexpr char kInformWindowClass[] = "VRichEditBox";

// Shows the dialog owned by parent and returns when it is destroyed: true, or false when no
// dialog could be made. The request's address is opened by the button only when IsWebAddress
// holds for it. A quit message that arrives meanwhile does not end the dialog; it is posted again
// once the dialog is gone, so the caller's loop still ends.
bool RunInformDialog(HWND parent, const InformDialogRequest& request);

// The shell's open (SW_SHOW, no parameters) of a web address; any other address is refused and
// the refusal written to the debug channel and the log.
void OpenInformAddress(std::string_view address);

// The agent's window side: the dialog owned by the agent's main window, and the shell's open.
class Win32InformUi : public InformUi {
 public:
  explicit Win32InformUi(HWND parent) : parent_(parent) {}
  bool RunDialog(const InformDialogRequest& request) override { return RunInformDialog(parent_, request); }
  void OpenAddress(std::string_view address) override { OpenInformAddress(address); }

 private:
  HWND parent_;
};
