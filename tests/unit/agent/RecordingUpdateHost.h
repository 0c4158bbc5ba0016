// An UpdateHost that records what the road asks, as one line per call, and answers as the test
// sets it up: the fetch result, the questions' answers, and a program that ends when it is shut
// down (or after some waits, or never).
#pragma once
#include <map>
#include <string>
#include <vector>

#include "agent/AutoInform.h"
#include "agent/UpdateHost.h"
#include "net/CommUtils.h"

struct RecordingUpdateHost : UpdateHost, InformUi {
  // Answers.
  bool fetchResult = true;
  std::string fetchError;
  int failAfter = -1;                         // the fetches after that many fail; -1: as fetchResult says
  std::map<std::string, std::string> served;  // target -> content of a fetched file
  bool accepts = true;      // update and inform files
  bool acceptsInfo = true;  // the information file
  bool yes = true;
  bool connected = true;
  bool programRuns = false;
  int endsAfterWaits = -1;       // the program ends by itself after that many waits; -1 never
  bool endsWhenShutDown = true;  // WM_CLOSE, WM_QUIT and termination end it
  bool programExists = true;
  bool setupResult = true;
  int64_t seconds = 0;
  std::map<std::string, int64_t> localSizes;
  int64_t httpSize = -1;

  // What was asked.
  std::vector<std::string> calls;
  std::vector<UpdateMessage> asked;
  std::vector<UpdateRun> runs;
  FetchSourceKind source{};
  std::string location;

  std::optional<int64_t> LocalFileSize(std::string_view path) const override {
    const auto it = localSizes.find(std::string(path));
    if (it == localSizes.end()) return std::nullopt;
    return it->second;
  }
  bool Connected() const override { return connected; }
  int64_t HttpFileSize(std::string_view) const override { return httpSize; }

  // The verified fetch as its contract says: a failure, a refusal, or the file in place; an
  // information file that is a server's page (or empty) stays unchecked.
  FetchResult Fetch(FetchKind kind, FetchOrder order, bool) override {
    source = order.source;
    location = order.location;
    calls.push_back("fetch " + std::to_string(int(kind)) + " " + order.location);
    const bool ok = failAfter >= 0 ? failAfter-- > 0 : fetchResult;
    if (!ok) return {FetchStatus::Failed, fetchError};
    if (kind == FetchKind::Info) {
      const std::string content = ReadFetchedFile(order.target);
      if (content.empty() || IsHtmlErrorPage("", content)) return {};
      if (!acceptsInfo) return {FetchStatus::Refused, "Bad Signature!", Refusal::Signature};
      return {};
    }
    if (!accepts) return {FetchStatus::Refused, "Bad Secret Token!", Refusal::Token};
    return {};
  }
  std::string ReadFetchedFile(std::string_view target) override {
    const auto it = served.find(std::string(target));
    return it == served.end() ? std::string() : it->second;
  }
  void DeleteAgentFile(std::string_view target) override { calls.push_back("delete " + std::string(target)); }
  bool CheckConnection(std::string& reason) override {
    if (!connected) reason = "offline";
    return connected;
  }
  bool Ask(const UpdateMessage& m) override {
    asked.push_back(m);
    static const char* const kinds[] = {"none", "notice", "question", "error"};
    calls.push_back(std::string("ask ") + kinds[int(m.kind)] + " " + m.text);
    return yes;
  }
  void ShowAgentWindow(bool show) override { calls.push_back(show ? "show" : "hide"); }
  void WaitPumping(int) override {}
  std::string ProgramPath(std::string_view runningProcess) override { return std::string(runningProcess); }
  bool ProgramRuns(std::string_view) override { return programRuns; }
  bool ProgramExists(std::string_view) override { return programExists; }
  void ShutDownProgram(ShutDownMethod method, std::string_view) override {
    if (method == ShutDownMethod::Close || method == ShutDownMethod::Quit || method == ShutDownMethod::Terminate) {
      calls.push_back("shut down " + std::string(ShutDownMethodText(method)));
      if (endsWhenShutDown) programRuns = false;
    }
  }
  int64_t Seconds() override { return seconds; }
  void WaitABit() override {
    ++seconds;
    if (endsAfterWaits >= 0 && --endsAfterWaits < 0) programRuns = false;
  }
  bool StartProgram(std::string_view path) override {
    calls.push_back("start " + std::string(path));
    return true;
  }
  bool RunUpdateSetup(const UpdateRun& run) override {
    runs.push_back(run);
    calls.push_back("run " + run.setupFile);
    return setupResult;
  }
  bool StartAgent(std::string_view command) override {
    calls.push_back("agent " + std::string(command));
    return true;
  }
  void EndAgent() override { calls.push_back("end agent"); }
  void Notify(int code, int argument) override {
    calls.push_back("notify " + std::to_string(code) + " " + std::to_string(argument));
  }
  void SetCurrentActivity(int activity) override { calls.push_back("activity " + std::to_string(activity)); }

  // The inform dialog.
  bool RunDialog(const InformDialogRequest& request) override {
    calls.push_back("dialog " + request.content);
    return true;
  }
  void OpenAddress(std::string_view address) override { calls.push_back("open " + std::string(address)); }
};
