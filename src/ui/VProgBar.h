// The progress bar object: what a download reports to (set the range, one step per chunk) turned
// into calls of a progress callback, with window messages dispatched around each call so that
// the window repaints during a download.
#pragma once
#include <string_view>

#include "net/InetHTTP.h"

// (kind, minimum, maximum, position, step, text): kind 0 resets the receiver to 0..maximum at
// position with step, kind 1 advances it one step. The minimum is always 0.
using ProgressCallback = void (*)(int kind, int minimum, int maximum, int position, int step, std::string_view text);

class TProgBar : public DownloadProgress {
 public:
  // A null callback makes every operation a pure message dispatch.
  explicit TProgBar(ProgressCallback callback) : callback_(callback) {}
  void SetRange(int position, int maximum) override;
  void StepText(std::string_view text) override;
  void PumpOnce() override;

 private:
  void Notify(int kind, int maximum, int position, int step, std::string_view text);
  ProgressCallback callback_;
};

// The process's one progress bar object, made on the first call with that call's callback and
// kept until the process ends; later callbacks are ignored.
TProgBar& ProcessProgBar(ProgressCallback callback);
