// The progress bar object passes every report on to the window's bars.
#include "ui/VProgBar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/System.h"
#include "util/MessagePump.h"

namespace {
struct Call {
  int kind, maximum, position, step;
  std::string text;
  bool operator==(const Call&) const = default;
};

struct RecordingBars : Progress {
  std::vector<Call> calls;
  void Reset(int maximum, int position, int step) override { calls.push_back({0, maximum, position, step, ""}); }
  void Step(std::string_view text) override { calls.push_back({1, 0, 0, 0, std::string(text)}); }
};

TEST(TProgBar, PassesEveryReportOn) {
  RecordingBars bars;
  TProgBar bar(&bars);
  bar.Reset(11, 1, 1);
  for (int i = 0; i < 10; ++i) bar.Step("chunk");
  ASSERT_EQ(bars.calls.size(), 11u);
  EXPECT_EQ(bars.calls[0], (Call{0, 11, 1, 1, ""}));
  EXPECT_EQ(bars.calls[1], (Call{1, 0, 0, 0, "chunk"}));
}

// With no bars behind it, a report still dispatches the window's messages: once a dispatch is due,
// a step takes it, so that right after the step none is due again.
TEST(TProgBar, NullTargetOnlyPumps) {
  TProgBar bar(nullptr);
  bar.Reset(5, 1, 1);
  constexpr int64_t kDue = 5 * kPumpIntervalMs;
  for (const int64_t from = TickMs(); TickMs() - from <= kDue;) {
  }
  const int64_t stepped = TickMs();
  bar.Step("x");
  // Due only if nothing was dispatched since before the step (the margin absorbs a slow machine).
  EXPECT_FALSE(PumpMessagesIfDue(TickMs() - stepped + kDue - kPumpIntervalMs)) << "the step dispatched nothing";
}
}  // namespace
