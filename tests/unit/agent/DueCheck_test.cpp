// ShotTimeStatus: intervals 0, -1, other negatives and positive, test mode, forced checks.
#include "agent/DueCheck.h"

#include <gtest/gtest.h>

#include <limits>

#include "../env/FakeEnvironment.h"
#include "FakeIniStore.h"

namespace {
const std::string kOriginal = "C:\\App\\App.original";
constexpr int64_t kNow = 4005727509;  // FakeClock's 2026-12-06 14:05:09
constexpr int64_t kMissing = std::numeric_limits<int64_t>::min();

struct Case {
  const char* label;
  int64_t interval, last;  // kMissing: the key is not in the file
  bool automatic, forced, testMode;
  int status;
};
}  // namespace

TEST(ShotTimeStatus, Rules) {
  const Case cases[] = {
      {"no file: one last check", kMissing, kMissing, true, false, false, 2},
      {"interval 0, due", 0, kNow, true, false, false, 2},
      {"interval 0, last in the future", 0, kNow + 1, true, false, false, 0},
      {"due exactly now", 3600, kNow - 3600, true, false, false, 1},
      {"one second early", 3600, kNow - 3599, true, false, false, 0},
      {"interval -1: never", -1, 0, true, false, false, 0},
      {"interval -1, forced", -1, 0, true, true, false, 1},
      {"other negative: every tick", -5, kNow, true, false, false, 1},
      {"other negative, last later", -5, kNow + 5, true, false, false, 1},
      {"automatic checks off", 3600, 0, false, false, false, 0},
      {"automatic off, forced", 3600, kNow, false, true, false, 1},
      {"forced with interval 0", 0, kNow + 100, true, true, false, 1},
      {"forced, interval 0, due", 0, 0, true, true, false, 1},
      {"test mode: 5 seconds", 3600, kNow - 5, true, false, true, 1},
      {"test mode: 4 seconds", 3600, kNow - 4, true, false, true, 0},
      {"test mode, file interval 0", 0, kNow - 5, true, false, true, 2},
      {"test mode, file interval -1", -1, 0, true, false, true, 0},
      {"test mode, automatic off", 3600, 0, false, false, true, 0},
      {"last at the top wraps", 10, std::numeric_limits<int64_t>::max(), true, false, false, 1},
  };
  FakeClock clock;
  for (const auto& c : cases) {
    FakeIniStore ini;
    OriginalFile original(ini, kOriginal);
    if (c.interval != kMissing) original.SetProbeSecondsInterval(c.interval);
    if (c.last != kMissing) original.SetProbeSecondsLast(c.last);
    CheckSwitches switches{c.automatic, c.forced};
    EXPECT_EQ(ShotTimeStatus(switches, original, c.testMode, clock), c.status) << c.label;
    EXPECT_FALSE(switches.forcedCheck) << c.label;  // the request is used up
    EXPECT_EQ(switches.automaticCheck, c.automatic) << c.label;
  }
}

TEST(ShotTimeStatus, IntervalZeroChecksOnceAndTheFileIsReadEachTime) {
  // The tick clears the automatic-check switch after a status of 2; a forced check still runs.
  FakeIniStore ini;
  FakeClock clock;
  OriginalFile original(ini, kOriginal);
  CheckSwitches switches;
  EXPECT_EQ(ShotTimeStatus(switches, original, false, clock), 2);
  switches.automaticCheck = false;
  original.SetProbeSecondsLast(kNow);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ShotTimeStatus(switches, original, false, clock), 0);
  switches.forcedCheck = true;
  EXPECT_EQ(ShotTimeStatus(switches, original, false, clock), 1);
  EXPECT_EQ(ShotTimeStatus(switches, original, false, clock), 0);

  // A new interval written while the agent runs counts at the next call.
  CheckSwitches again;
  original.SetProbeSecondsInterval(60);
  EXPECT_EQ(ShotTimeStatus(again, original, false, clock), 0);
  clock.now.minute += 1;
  EXPECT_EQ(ShotTimeStatus(again, original, false, clock), 1);
}
