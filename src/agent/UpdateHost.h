// What the update road (PerformShot, DownloadFileAU, PerformAutoUpdate, JustDownloadInfoFile,
// ReStartAutoUpdateExe) asks of the system: fetching, questions, the running program, the update
// run and the agent's own restart. Pure logic drives it; agent/win32 implements it, and host tests
// record what is asked. The size check's questions (UpdateFileSizes) are the host's too.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "agent/UpdateChoices.h"
#include "agent/UpdateDecision.h"
#include "setup/VerifiedFetch.h"

class UpdateHost : public UpdateFileSizes {
 public:
  // Every kind of file is fetched here and only here: the verified fetch (setup/VerifiedFetch) of
  // the order with the agent's client, release key and token, the status line showing the kind's
  // text. A check the user asked for (manual) shows the download's progress in the agent's window.
  virtual FetchResult Fetch(FetchKind kind, FetchOrder order, bool manual) = 0;
  virtual std::string ReadFetchedFile(std::string_view target) = 0;
  virtual void DeleteAgentFile(std::string_view target) = 0;
  // The connection check; false with the system's reason (may be empty).
  virtual bool CheckConnection(std::string& reason) = 0;

  // Questions and notices; a notice returns true.
  virtual bool Ask(const UpdateMessage& message) = 0;
  virtual void ShowAgentWindow(bool show) = 0;
  // Waits ms milliseconds, dispatching messages.
  virtual void WaitPumping(int ms) = 0;

  // The running program: RunningProcess with its macros expanded.
  virtual std::string ProgramPath(std::string_view runningProcess) = 0;
  virtual bool ProgramRuns(std::string_view programPath) = 0;
  virtual bool ProgramExists(std::string_view programPath) = 0;
  virtual void ShutDownProgram(ShutDownMethod method, std::string_view programPath) = 0;
  virtual int64_t Seconds() = 0;
  virtual void WaitABit() = 0;  // one second between looks at the program, pumping messages
  virtual bool StartProgram(std::string_view programPath) = 0;

  // The update run through the setup layer (it removes the shortcuts the information file names
  // after a completed installation); true when it succeeded.
  virtual bool RunUpdateSetup(const UpdateRun& run) = 0;

  // The agent itself.
  virtual bool StartAgent(std::string_view commandLine) = 0;
  virtual void EndAgent() = 0;                        // ends this agent's message loop
  virtual void Notify(int code, int argument) = 0;    // progress 40-42 with 1 and 2
  virtual void SetCurrentActivity(int activity) = 0;  // command 7
};
