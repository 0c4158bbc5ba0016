// A test double of the setup run's host: records what the run showed and asked, and answers the
// boxes and plays the engine as a test tells it. Nothing here touches a window or a process.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "setup/SetupHost.h"

namespace fixture {

struct RecordingHost : SetupHost, Progress {
  // What the run did, in order: "show 1", "status <text>", "confirm <caption>", "error <text>", ...
  std::vector<std::string> log;
  std::vector<SetupBox> confirms, confirmOks, errors;
  std::vector<EngineStart> engines;
  int resets = 0, steps = 0;

  bool answerConfirm = true;                                        // the space and download questions
  std::function<bool(int)> answerDisk = [](int) { return false; };  // n-th disk question
  EngineRun engine{true, true, 0, ""};                              // what the engine does when started
  int closeAfterSteps = -1;                                         // the user closes the window after this many steps
  bool downloadCancel = false;                                      // the window's stop request to a download

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
  void WaitPumping(int, int) override {}
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
  EngineRun RunEngine(const EngineStart& start) override {
    engines.push_back(start);
    log.push_back("engine");
    return engine;
  }
  void Reset(int, int, int) override { ++resets; }
  void Step(std::string_view) override { ++steps; }
};

}  // namespace fixture
