// The stub window's portable rules: progress arithmetic, child geometry, the two-step close and
// the clean-up hooks, run through the host build's window loop.
#include "stub/StubWin.h"

#include <gtest/gtest.h>

#include "net/InetHTTP.h"
#include "pack/PackX.h"
#include "platform/System.h"

namespace {
TEST(StubProgress, ResetThenAdvances) {
  StubProgressState s;
  s.Apply(0, 10, 0, 1);
  for (int i = 0; i < 3; ++i) s.Apply(1, 0, 0, 0);
  EXPECT_EQ(s.mainPos, 3);
  EXPECT_EQ(s.activityPos, 3);
  for (int i = 0; i < 3; ++i) s.Apply(1, 0, 0, 0);
  EXPECT_EQ(s.mainPos, 6);
  EXPECT_EQ(s.activityPos, 0) << "after 5 the activity bar starts again at 0";
  EXPECT_FALSE(s.Apply(2, 99, 99, 99));
  EXPECT_EQ(s.mainMax, 10);
}

TEST(StubProgress, MainBarStopsAtItsMaximum) {
  StubProgressState s;
  s.Apply(0, 5, 4, 2);
  s.Apply(1, 0, 0, 0);
  EXPECT_EQ(s.mainPos, 5);
  s.Apply(1, 0, 0, 0);
  EXPECT_EQ(s.mainPos, 5);
}

TEST(StubProgress, ResetKeepsTheActivityCounter) {
  StubProgressState s;
  s.Apply(1, 0, 0, 0);
  s.Apply(1, 0, 0, 0);
  s.Apply(0, 10, 0, 1);
  EXPECT_EQ(s.activityPos, 0);
  s.Apply(1, 0, 0, 0);
  EXPECT_EQ(s.activityPos, 3);
}

TEST(StubProgress, OnlyStepsThatMoveTheFillAreShown) {
  // 8192 steps over 392 pixels: a step moves the fill about every 21 steps, and each pixel once.
  int shown = 1, sent = 0;
  for (int pos = 2; pos <= 8193; ++pos) {
    if (BarFillChanges(shown, pos, 8193, 392)) {
      EXPECT_EQ(int64_t(pos) * 392 / 8193, int64_t(shown) * 392 / 8193 + 1) << pos;
      shown = pos;
      ++sent;
    }
  }
  EXPECT_EQ(shown, 8193);  // the end is always shown
  EXPECT_EQ(sent, 392);
  // Fewer steps than pixels: every step is shown; no width known yet: every change.
  EXPECT_TRUE(BarFillChanges(3, 4, 42, 392));
  EXPECT_TRUE(BarFillChanges(3, 4, 42, 0));
  EXPECT_FALSE(BarFillChanges(4, 4, 42, 0));
}

TEST(StubWinGeometry, RightToLeftCharsetsSwapTheSides) {
  EXPECT_EQ(StatusLineRect(0), (Rect{70, 20, 340, 18}));
  EXPECT_EQ(ActivityBarRect(0), (Rect{416, 20, 46, 13}));
  for (int charset : {177, 178}) {
    EXPECT_EQ(StatusLineRect(charset), (Rect{122, 20, 340, 18}));
    EXPECT_EQ(ActivityBarRect(charset), (Rect{70, 20, 46, 13}));
  }
  EXPECT_EQ(MainBarRect(), (Rect{70, 38, 392, 13}));
  EXPECT_FALSE(IsRightToLeftCharset(204));
}

TEST(StubWin, FirstCloseOnlyAbortsTheDownload) {
  MainWindowCancel() = false;
  EXPECT_FALSE(CloseMainWindow());
  EXPECT_TRUE(MainWindowCancel());
  EXPECT_TRUE(CloseMainWindow());
  MainWindowCancel() = false;
}

int ticks = 0, destroys = 0, loopEnds = 0;

TEST(StubWin, LoopRunsTicksUntilDestroyedThenTheEndHooks) {
  ticks = destroys = loopEnds = 0;
  MainWindowCancel() = false;
  StubWinOptions o;
  o.onTimer = [] {
    if (++ticks == 3) DestroyMainWindow();
  };
  o.onDestroy = [] { ++destroys; };
  o.onLoopEnd = [] { ++loopEnds; };
  StubWin::WinMain(o);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(destroys, 1);
  EXPECT_EQ(loopEnds, 1);
  EXPECT_TRUE(MainWindowCancel());
  MainWindowCancel() = false;
}
}  // namespace

namespace {
TEST(StubWin, OptionsOfAProgramWithoutPackageAreTheDefaults) {
  const StubWinOptions o = StubWinOptionsFor(TGFileInfo(OwnExePath()), "C");
  EXPECT_EQ(o.className, "C");
  EXPECT_EQ(o.title, "Velkit Installation Suite");
  EXPECT_EQ(o.fontName, "Tahoma");
  EXPECT_EQ(o.fontSize, 8);
  EXPECT_EQ(o.charset, 0);
}
}  // namespace
