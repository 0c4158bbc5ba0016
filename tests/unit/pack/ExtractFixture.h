// A recording stand-in for the extraction's window, and a capture of the debug channel.
#pragma once
#include <signal.h>
#include <sys/resource.h>

#include <functional>
#include <string>
#include <vector>

#include "pack/ExtractUI.h"
#include "util/VDebug.h"

namespace fixture {

struct RecordingUI : ExtractUI {
  struct Report {
    int kind, maximum, position, step;
    bool operator==(const Report&) const = default;
  };
  std::vector<Report> progress;
  std::vector<int> prompts;  // the part numbers asked for
  std::vector<std::string> errors;
  std::vector<int> waits;
  int pumps = 0, autoPlay = 0;
  // Answers the n-th disk question (0-based); the default cancels.
  std::function<bool(int)> answer = [](int) { return false; };
  // Whether the user has closed the window by now (once closed, it stays so); the default never.
  std::function<bool()> closed = [] { return false; };
  bool wasClosed = false;

  void Reset(int maximum, int position, int step) override { progress.push_back({0, maximum, position, step}); }
  void Step(std::string_view) override { progress.push_back({1, 0, 0, 1}); }
  void PumpMessages() override { ++pumps; }
  void WaitPumping(int ms) override { waits.push_back(ms); }
  void EnableAutoPlayCancel() override { ++autoPlay; }
  bool ConfirmNextDisk(int part) override {
    prompts.push_back(part);
    return answer(int(prompts.size()) - 1);
  }
  void ShowError(std::string_view text) override { errors.emplace_back(text); }
  bool Cancelled() override { return wasClosed = wasClosed || closed(); }
  int Advances() const {
    int n = 0;
    for (auto& s : progress) n += s.kind == 1;
    return n;
  }
};

// While it lives, a write beyond bytes bytes fails (the signal that would end the process there is
// ignored): a disk that fills up half-way through a file.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : oldHandler_(signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit small = old_;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  void (*oldHandler_)(int);
};

struct DebugCapture : DebugViewerSink {
  std::string text;
  DebugViewerSink* previous = SetDebugViewerSink(this);
  ~DebugCapture() override { SetDebugViewerSink(previous); }
  void Forward(std::string_view chunk) override { text.append(chunk); }
};

}  // namespace fixture
