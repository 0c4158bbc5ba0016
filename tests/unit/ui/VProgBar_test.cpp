// The progress bar object's calls, and what the stub window's bars make of them.
#include "ui/VProgBar.h"

#include <gtest/gtest.h>

#include <vector>

#include "stub/StubWin.h"

namespace {
struct Call {
  int kind, minimum, maximum, position, step;
  std::string text;
  bool operator==(const Call&) const = default;
};
std::vector<Call> calls;
StubProgressState bars;
void Record(int kind, int minimum, int maximum, int position, int step, std::string_view text) {
  calls.push_back({kind, minimum, maximum, position, step, std::string(text)});
  bars.Apply(kind, maximum, position, step);
}

TEST(TProgBar, TenChunkDownloadEndsAtTheMaximum) {
  calls.clear();
  bars = {};
  TProgBar bar(Record);
  bar.SetRange(1, 11);
  bar.PumpOnce();
  for (int i = 0; i < 10; ++i) bar.StepText("chunk");
  ASSERT_EQ(calls.size(), 11u);
  EXPECT_EQ(calls[0], (Call{0, 0, 11, 1, 1, ""}));
  EXPECT_EQ(calls[1], (Call{1, 0, 0, 0, 0, "chunk"}));
  EXPECT_EQ(bars.mainMax, 11);
  EXPECT_EQ(bars.mainPos, 11);
  EXPECT_EQ(bars.activityPos, 4) << "ten advances cycle 1..5,0..4";
}

TEST(TProgBar, NullCallbackOnlyPumps) {
  TProgBar bar(nullptr);
  bar.SetRange(1, 5);
  bar.StepText("x");
  bar.PumpOnce();
}
}  // namespace
