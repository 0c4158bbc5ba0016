// The update road on the X agent's side of the machine: fetching with the HTTP client or from a
// folder, the token and signature check of a fetched file, message boxes in the installed-version
// file's captions, the program's processes, the update run through the setup layer, and the inform
// dialog. The window and the controller belong to the agent's role, which hands them in.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "agent/AgentCycle.h"
#include "agent/AutoInform.h"
#include "agent/UpdateHost.h"
#include "env/Environment.h"
#include "platform/Clock.h"

class HttpClient;
class SetupHost;
class TGFileInfo;

struct AgentHostParts {
  std::string ownPath;  // the X agent's file
  const TGFileInfo& own;
  OriginalFile& original;
  const InfoFile& info;
  AgentCycle& cycle;
  SetupHost& setup;
  const Environment& env;
  const Clock& clock;
  HttpClient& client;
  std::function<HWND()> window;                        // the agent's main window
  std::function<void(int code, int argument)> notify;  // to the registered controller
};

class AgentUpdateHost final : public UpdateHost, public InformUi {
 public:
  explicit AgentUpdateHost(AgentHostParts parts) : p_(std::move(parts)) {}

  // UpdateFileSizes
  std::optional<int64_t> LocalFileSize(std::string_view path) const override;
  bool Connected() const override;
  int64_t HttpFileSize(std::string_view url) const override;
  // UpdateHost
  FetchResult Fetch(FetchKind kind, FetchOrder order, bool manual) override;
  std::string ReadFetchedFile(std::string_view target) override;
  void DeleteAgentFile(std::string_view target) override;
  bool CheckConnection(std::string& reason) override;
  bool Ask(const UpdateMessage& message) override;
  void ShowAgentWindow(bool show) override;
  void WaitPumping(int ms) override;
  std::string ProgramPath(std::string_view runningProcess) override;
  bool ProgramRuns(std::string_view programPath) override;
  bool ProgramExists(std::string_view programPath) override;
  void ShutDownProgram(ShutDownMethod method, std::string_view programPath) override;
  int64_t Seconds() override;
  void WaitABit() override;
  bool StartProgram(std::string_view programPath) override;
  bool RunUpdateSetup(const UpdateRun& run) override;
  bool StartAgent(std::string_view commandLine) override;
  void EndAgent() override;
  void Notify(int code, int argument) override;
  void SetCurrentActivity(int activity) override;
  // InformUi
  bool RunDialog(const InformDialogRequest& request) override;
  void OpenAddress(std::string_view address) override;

 private:
  AgentHostParts p_;
};
