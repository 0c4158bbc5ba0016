// What a setup run needs from the process that hosts it: the window that shows it, its progress
// bars, message dispatching and waits, the message boxes, and the engine's process. The
// stub implements it with its window (stub/win32/SetupWindowHost); the host tests implement it to
// record what the run asked for and to answer as a user or an engine would.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "util/Progress.h"

// One message box: text with markup, caption, button list and charset. An empty caption or button
// list means the kind's default one.
struct SetupBox {
  std::string text;
  std::string caption;
  std::string buttons;
  int charset = 0;
};

// The engine as the run starts it: its command line, shown or hidden, and the names by which it
// reports back (the completion atom it deletes, the class of its dialogs that may outlive it).
struct EngineStart {
  std::string command;
  bool show = true;
  std::string atomName;
  std::string dialogClass;
};

// What came of the engine's run.
struct EngineRun {
  bool started = false;
  bool completed = false;   // the engine deleted the completion atom
  int exitCode = 0;         // the engine's exit code (0 when it could not be read)
  std::string systemError;  // why it could not be started
};

// The engine's process as the system runs it, one step at a time; the run puts the steps in order.
class EnginePort {
 public:
  virtual ~EnginePort() = default;
  // Adds the global atom the engine deletes to report success; false with the system's error code.
  virtual bool AddGlobalAtom(const std::string& name, int64_t& error) = 0;
  // Starts the command line shown or hidden; false with the system's error text.
  virtual bool Start(const std::string& command, bool show, std::string& systemError) = 0;
  // Waits, dispatching messages, until the started process has ended and lets it go; its exit
  // code, 0 when none was started or the code could not be read.
  virtual int WaitForExit() = 0;
  // Waits, dispatching messages, while a window of the class exists.
  virtual void WaitWhileWindowExists(const std::string& windowClass) = 0;
  // The global atom of that name; 0 when there is none.
  virtual uint16_t FindGlobalAtom(const std::string& name) = 0;
  virtual void DeleteGlobalAtom(uint16_t atom) = 0;
};

class SetupHost {
 public:
  virtual ~SetupHost() = default;

  // --- the window
  virtual void ShowWindow(bool show) = 0;
  virtual void ShowActivityBar(bool show) = 0;
  // The status line, in the package's font and charset.
  virtual void SetStatusText(std::string_view text, std::string_view fontName, int charset, int fontSize) = 0;
  // The window's bars.
  virtual Progress& Bars() = 0;
  // The window as a handle value, for a download's owner; 0 when there is none.
  virtual intptr_t WindowHandle() = 0;
  // Whether the user has closed the window meanwhile (a second close while extracting): the run
  // then stops as cancelled.
  virtual bool WindowClosed() = 0;
  // The stop request of the download the run has under way: a close of the window raises it.
  virtual bool& DownloadCancel() = 0;

  // --- messages and waits
  virtual void PumpMessages() = 0;
  // Waits ms milliseconds, dispatching messages in slices (0: ms / 10, limited to 1..25).
  virtual void WaitPumping(int slice, int ms) = 0;
  // Answers "QueryCancelAutoPlay" from now on, before a disk is changed.
  virtual void EnableAutoPlayCancel() = 0;

  // --- message boxes
  // Yes/No question: true on Yes.
  virtual bool Confirm(const SetupBox& box) = 0;
  // OK/Cancel question: true on OK.
  virtual bool ConfirmOk(const SetupBox& box) = 0;
  virtual void Error(const SetupBox& box) = 0;

  // --- the engine's process
  virtual EnginePort& Engine() = 0;
};
