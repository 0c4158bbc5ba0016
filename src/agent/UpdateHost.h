// What the update road (PerformShot, DownloadFileAU, PerformAutoUpdate, JustDownloadInfoFile,
// ReStartAutoUpdateExe) asks of the system: fetching, questions, the running program, the update
// run and the agent's own restart. Pure logic drives it; agent/win32 implements it, and host tests
// record what is asked.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "agent/UpdateChoices.h"

// Where a file is fetched from.
enum class FetchSourceKind { Web, Folder, TestFolder };

class UpdateHost {
 public:
  virtual ~UpdateHost() = default;

  // Every kind of file is fetched here and only here, so a resumable fetch or a signature check
  // changes one place. The file is written to a temporary name and moved onto target only when it
  // is whole and accepted; on failure nothing is left behind. error is empty on success, "abort"
  // when the user cancelled.
  virtual bool FetchUpdateFile(FetchKind kind, FetchSourceKind source, std::string_view location,
                               std::string_view target, std::string& error) = 0;
  virtual void DeleteAgentFile(std::string_view target) = 0;

  // Questions and notices; a notice returns true. Never called in a silent run.
  virtual bool Ask(const UpdateMessage& message) = 0;

  // The running program.
  virtual bool ProgramRuns(std::string_view programPath) = 0;
  virtual bool ProgramExists(std::string_view programPath) = 0;
  virtual void ShutDownProgram(ShutDownMethod method, std::string_view programPath) = 0;
  virtual int64_t Seconds() = 0;
  virtual void WaitABit() = 0;  // pumps messages between looks at the program
  virtual bool StartProgram(std::string_view programPath) = 0;

  // The update run through the setup layer; true when it succeeded.
  virtual bool RunUpdateSetup(const UpdateRun& run) = 0;
  virtual void RemoveShortcuts() = 0;
  virtual void SetVersionOriginal(std::string_view version) = 0;

  // The agent itself.
  virtual bool StartAgent(std::string_view commandLine) = 0;
  virtual void Notify(int code, int argument) = 0;      // progress 40-42 with 1 and 2
  virtual void SetCurrentActivity(int activity) = 0;    // command 7
};
