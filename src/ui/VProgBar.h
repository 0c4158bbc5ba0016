// The progress bar object: what a download reports (a reset, one step per chunk) passed on to the
// window's bars, with window messages dispatched around each report so that the window repaints
// during a download.
#pragma once
#include <string_view>

#include "util/Progress.h"

class TProgBar : public Progress {
 public:
  // A null target makes every report a pure message dispatch.
  explicit TProgBar(Progress* target) : target_(target) {}
  void Reset(int maximum, int position, int step) override;
  void Step(std::string_view text) override;

 private:
  Progress* target_;
};
