// Test mode: the registry values with today's date, and the 30-second re-read rule.
#include "agent/TestMode.h"

#include <gtest/gtest.h>

#include "../env/FakeEnvironment.h"

TEST(TestMode, Applies) {
  const DateTime today{2026, 12, 6, 23, 59, 59, 0};
  struct Case {
    const char* mode;
    const char* date;
    bool on;
  } cases[] = {
      {"1", "06-DEC-2026", true},   {"1", "05-DEC-2026", false},  // yesterday's
      {"1", "06-dec-2026", false},                                // the month in lower case
      {"1", "6-DEC-2026", false},   {"1", "06-DEC-2026 ", false},
      {"01", "06-DEC-2026", false},  // the switch is exactly "1"
      {"0", "06-DEC-2026", false},  {"1", "", false},
  };
  for (const auto& c : cases) EXPECT_EQ(TestModeApplies(c.mode, c.date, today), c.on) << c.mode << " " << c.date;
  EXPECT_TRUE(TestModeApplies("1", "01-JAN-2027", {2027, 1, 1, 0, 0, 0, 0}));
}

TEST(TestMode, RereadsAfterThirtySecondsOrWhenForced) {
  FakeEnvironment env;
  FakeClock clock;
  env.SetRegistry(std::string(kTestModeKey), "TestMode", "1");
  env.SetRegistry(std::string(kTestModeKey), "TestModeDate", "06-DEC-2026");
  env.SetRegistry(std::string(kTestModeKey), "TestModeURL", "C:\\Updates");
  TestMode mode(env, clock);

  EXPECT_TRUE(mode.CheckTestMode(true));
  EXPECT_EQ(mode.Source(), "C:\\Updates");
  const int readsAfterStart = env.registryReads;

  // The day ends; calls a second apart never re-read, however long they go on.
  clock.now = {2026, 12, 7, 0, 0, 1, 0};
  for (int i = 0; i < 100; ++i) {
    clock.tick += 1000;
    EXPECT_TRUE(mode.CheckTestMode(false)) << i;
  }
  EXPECT_EQ(env.registryReads, readsAfterStart);

  clock.tick += 30000;  // exactly 30 s after the last call: not yet
  EXPECT_TRUE(mode.CheckTestMode(false));
  EXPECT_EQ(env.registryReads, readsAfterStart);
  clock.tick += 30001;  // more than 30 s
  EXPECT_FALSE(mode.CheckTestMode(false));
  EXPECT_GT(env.registryReads, readsAfterStart);

  // A forced call reads at once.
  env.SetRegistry(std::string(kTestModeKey), "TestModeDate", "07-DEC-2026");
  env.SetRegistry(std::string(kTestModeKey), "TestModeURL", "D:\\Other");
  clock.tick += 1;
  EXPECT_TRUE(mode.CheckTestMode(true));
  EXPECT_EQ(mode.Source(), "D:\\Other");
  EXPECT_TRUE(mode.On());

  // Missing values: off, no source.
  env.RemoveRegistry(std::string(kTestModeKey), "TestMode");
  env.RemoveRegistry(std::string(kTestModeKey), "TestModeURL");
  EXPECT_FALSE(mode.CheckTestMode(true));
  EXPECT_EQ(mode.Source(), "");
}

TEST(TestMode, FirstUnforcedCallOnAYoungClock) {
  // The tick counter of a machine booted a moment ago is small; the first call still decides
  // from "more than 30 s after 0".
  FakeEnvironment env;
  FakeClock clock;
  env.SetRegistry(std::string(kTestModeKey), "TestMode", "1");
  env.SetRegistry(std::string(kTestModeKey), "TestModeDate", "06-DEC-2026");
  clock.tick = 30001;
  TestMode mode(env, clock);
  EXPECT_TRUE(mode.CheckTestMode(false));
  TestMode early(env, clock);
  clock.tick = 5;
  EXPECT_FALSE(early.CheckTestMode(false));
}
