// Where long work (an extraction, a download) reports how far it has got: a range, then steps.
// The stub window's bars, the progress bar object and the tests' recorders implement it.
#pragma once
#include <string_view>

class Progress {
 public:
  virtual ~Progress() = default;
  // Starts again: 0..maximum, now at position, each step worth step.
  virtual void Reset(int maximum, int position, int step) = 0;
  // One step further; text says what was done (may be empty).
  virtual void Step(std::string_view text) = 0;
};
