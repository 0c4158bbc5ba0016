// A test double of the setup run's host: records what the run showed, asked and did to the engine's
// process, and answers the boxes and plays the engine as a test tells it. Nothing here touches a
// window or a process.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "setup/SetupHost.h"

namespace fixture {

struct RecordingHost : SetupHost, Progress, EnginePort {
  // What the run did, in order: "show", "status <text>", "wait <ms>", "confirm", "error", the
  // engine's steps ("add atom", "start shown", "wait for exit", ...), ...
  std::vector<std::string> log;
  std::vector<SetupBox> confirms, confirmOks, errors;
  std::vector<EngineStart> engines;
  int resets = 0, steps = 0;

  bool answerConfirm = true;                                        // the space and download questions
  std::function<bool(int)> answerDisk = [](int) { return false; };  // n-th disk question
  EngineRun engine{true, true, 0, ""};  // what the engine does when started (completed: deletes the atom)
  bool atomAdded = true;                // whether the completion atom can be added
  bool atomThere = false;               // the completion atom exists
  int closeAfterSteps = -1;             // the user closes the window after this many steps
  bool downloadCancel = false;             // the window's stop request to a download

  void ShowWindow(bool show) override { log.push_back(show ? "show" : "hide"); }
  void ShowActivityBar(bool show) override { log.push_back(show ? "activity bar" : "no activity bar"); }
  void SetStatusText(std::string_view text, std::string_view, int, int) override {
    log.push_back("status " + std::string(text));
  }
  Progress& Bars() override { return *this; }
  intptr_t WindowHandle() override { return 0; }
  bool WindowClosed() override { return closeAfterSteps >= 0 && steps >= closeAfterSteps; }
  bool& DownloadCancel() override { return downloadCancel; }
  void PumpMessages() override {}
  void WaitPumping(int, int ms) override { log.push_back("wait " + std::to_string(ms)); }
  void EnableAutoPlayCancel() override {}
  bool Confirm(const SetupBox& box) override {
    confirms.push_back(box);
    log.push_back("confirm");
    return answerConfirm;
  }
  bool ConfirmOk(const SetupBox& box) override {
    confirmOks.push_back(box);
    log.push_back("disk question");
    return answerDisk(int(confirmOks.size()) - 1);
  }
  void Error(const SetupBox& box) override {
    errors.push_back(box);
    log.push_back("error");
  }
  EnginePort& Engine() override { return *this; }
  // Each engine run is recorded from its steps: the atom's name, the command line, the dialogs' class.
  bool AddGlobalAtom(const std::string& name, int64_t& error) override {
    engines.push_back({});
    engines.back().atomName = name;
    log.push_back("add atom");
    atomThere = atomAdded;
    if (!atomAdded) error = 8;
    return atomAdded;
  }
  bool Start(const std::string& command, bool show, std::string& systemError) override {
    engines.back().command = command;
    engines.back().show = show;
    log.push_back(show ? "start shown" : "start hidden");
    if (!engine.started) systemError = engine.systemError;
    return engine.started;
  }
  int WaitForExit() override {
    log.push_back("wait for exit");
    if (engine.started && engine.completed) atomThere = false;
    return engine.started ? engine.exitCode : 0;
  }
  void WaitWhileWindowExists(const std::string& windowClass) override {
    engines.back().dialogClass = windowClass;
    log.push_back("wait while " + windowClass);
  }
  uint16_t FindGlobalAtom(const std::string&) override {
    log.push_back("find atom");
    return atomThere ? 0xC001 : 0;
  }
  void DeleteGlobalAtom(uint16_t atom) override {
    log.push_back("delete atom");
    if (atom == 0xC001) atomThere = false;
  }
  void Reset(int, int, int) override { ++resets; }
  void Step(std::string_view) override { ++steps; }
};

}  // namespace fixture
