// The X agent's tick and control commands: the quit countdown, the ticks that hold the first check
// back, the requests left for the next tick, and the switches the plain agent hands on.
#include "agent/AgentCycle.h"

#include <gtest/gtest.h>

#include "../env/FakeEnvironment.h"
#include "FakeIniStore.h"
#include "ui/VMsgBox.h"

namespace {
const std::string kOriginal = "C:\\App\\App.original";
const std::string kInfo = "C:\\App\\App.info";

struct Agent {
  FakeIniStore ini;
  FakeEnvironment env;
  FakeClock clock;
  OverrideList overrides;
  OriginalFile original{ini, kOriginal};
  InfoFile info{ini, kInfo, overrides};
  TestMode testMode{env, clock};
  AgentCycle cycle{original, info, overrides, testMode, clock};
  Agent() { original.SetProbeSecondsInterval(3600); }
  // The ticks until the first one that quits (0 when none within limit).
  int TicksToQuit(int limit) {
    for (int i = 1; i <= limit; ++i)
      if (cycle.Tick().quit) return i;
    return 0;
  }
};
}  // namespace

TEST(AgentCycle, QuitCountdown) {
  const struct {
    int32_t countdown;
    int quitsAtTick;  // 0: never within 20 ticks
  } cases[] = {{-1, 0}, {0, 1}, {1, 2}, {5, 6}};
  for (const auto& c : cases) {
    Agent a;
    a.cycle.ShutDown(c.countdown);
    EXPECT_EQ(a.TicksToQuit(20), c.quitsAtTick) << c.countdown;
    EXPECT_EQ(a.cycle.QuitCountdown(), -1) << c.countdown;  // no second quit
  }
  Agent byCommand;
  EXPECT_EQ(byCommand.cycle.Command(30, 2), 0);
  EXPECT_EQ(byCommand.TicksToQuit(20), 3);
}

TEST(AgentCycle, FirstTickThatMayCheck) {
  // Due from the start (interval 0: one last check); the status is asked only once the count is 1.
  const struct {
    int64_t sleep;  // -1: no "/SleepX="
    int firstAskedTick;
  } cases[] = {{-1, 4}, {0, 1}, {3, 4}, {10, 11}};
  for (const auto& c : cases) {
    Agent a;
    a.original.SetProbeSecondsInterval(0);
    a.cycle.SetSleep(c.sleep);
    int first = 0;
    for (int i = 1; i <= 20 && !first; ++i)
      if (a.cycle.Tick().shotStatus >= 0) first = i;
    EXPECT_EQ(first, c.firstAskedTick) << c.sleep;
  }
}

TEST(AgentCycle, IntervalZeroIsOneDueCheckThenNone) {
  Agent a;
  a.original.SetProbeSecondsInterval(0);
  a.cycle.SetSleep(0);
  EXPECT_EQ(a.cycle.Tick().shotStatus, 2);
  EXPECT_FALSE(a.cycle.AutomaticCheck());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(a.cycle.Tick().shotStatus, 0);
  // Interval -1: none unless forced.
  a.original.SetProbeSecondsInterval(-1);
  EXPECT_EQ(a.cycle.Tick().shotStatus, 0);
  a.cycle.Command(31, 0);
  EXPECT_EQ(a.cycle.Tick().shotStatus, 1);
  EXPECT_EQ(a.cycle.Tick().shotStatus, 0);
}

TEST(AgentCycle, ForcedCheckCommand) {
  Agent a;  // count -3: a forced check still comes at the next tick
  EXPECT_EQ(a.cycle.Command(31, 2), 0);
  EXPECT_TRUE(a.cycle.ForcedCheck());
  EXPECT_EQ(a.cycle.TimerCount(), 1);
  EXPECT_EQ(a.cycle.ManualMode(), 2);
  // Manual mode restarts the count at 0, so the tick counts 1 and asks.
  EXPECT_EQ(a.cycle.Tick().shotStatus, 1);
  EXPECT_EQ(a.cycle.ManualMode(), 0);
  EXPECT_EQ(a.cycle.TimerCount(), 1);
  // A count already past 1 stays.
  for (int i = 0; i < 3; ++i) a.cycle.Tick();
  a.cycle.Command(31, 0);
  EXPECT_EQ(a.cycle.TimerCount(), 4);
  EXPECT_EQ(a.cycle.ManualMode(), 0);
}

TEST(AgentCycle, JustDownloadInfoTickCountsNothing) {
  Agent a;
  a.cycle.ShutDown(0);
  EXPECT_EQ(a.cycle.Command(32, 0), 0);
  const auto tick = a.cycle.Tick();
  EXPECT_TRUE(tick.justDownloadInfo);
  EXPECT_FALSE(tick.quit);
  EXPECT_EQ(a.cycle.TimerCount(), -3);
  EXPECT_FALSE(a.cycle.JustDownloadInfoRequested());
  EXPECT_TRUE(a.cycle.Tick().quit);
}

TEST(AgentCycle, EveryTickTakesTheBoxFontOfTheInstalledVersionFile) {
  Agent a;
  a.cycle.Tick();
  EXPECT_EQ(GetMsgBoxFont().face, "Tahoma");  // the defaults when the file names none
  EXPECT_EQ(GetMsgBoxFont().size, 8);
  EXPECT_EQ(GetMsgBoxFont().charset, 0);
  // A setup may rewrite the file while the agent runs: the next tick takes what it says now.
  a.ini.Write(kOriginal, "MsgBox", "FontName", "Arial");
  a.ini.Write(kOriginal, "MsgBox", "FontSize", "11");
  a.ini.Write(kOriginal, "MsgBox", "CharSet", "204");
  a.cycle.Tick();
  EXPECT_EQ(GetMsgBoxFont().face, "Arial");
  EXPECT_EQ(GetMsgBoxFont().size, 11);
  EXPECT_EQ(GetMsgBoxFont().charset, 204);
  SetMsgBoxFont("Tahoma", 8, 1);
}

TEST(AgentCycle, CommandsReachTheSettings) {
  Agent a;
  const struct {
    int32_t code, argument, result;
  } cases[] = {
      {12, 600, 0}, {8, 0, 600},  {13, 70, 0}, {9, 0, 70}, {14, 12345, 0}, {10, 0, 12345},
      {15, 777, 0}, {11, 0, 777}, {7, 0, 0},   {99, 5, 0}, {20, 1, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(a.cycle.Command(c.code, c.argument), c.result) << c.code;
  EXPECT_EQ(a.overrides.Get(0), 1);
  EXPECT_NE(a.ini.Read(kOriginal, "OriginalSetup", "__ProbeSecondsLast"), "");
}

TEST(AgentCycle, Controller) {
  Agent a;
  EXPECT_FALSE(a.cycle.HasController());
  a.cycle.Register(0x1234, 0);
  EXPECT_FALSE(a.cycle.HasController());
  a.cycle.Register(0x1234, 0x8000);
  EXPECT_TRUE(a.cycle.HasController());
}

TEST(AgentSwitches, XCopyAndWmMsg) {
  EXPECT_EQ(XCopySwitches("", ""), "");
  EXPECT_EQ(XCopySwitches("|1|255|", "3"), " /TRANSIENTx=|1|255| /SleepX=3");
  EXPECT_EQ(XCopySwitches("", "7"), " /SleepX=7");
  const struct {
    const char* value;
    int64_t window, message;
  } cases[] = {{"1234:32768", 1234, 32768}, {"1234", 1234, 0}, {"x:5", 0, 5}, {"", 0, 0}};
  for (const auto& c : cases) {
    const LocalMsgArgs args = ParseWmMsg(c.value);
    EXPECT_EQ(args.window, c.window) << c.value;
    EXPECT_EQ(args.message, c.message) << c.value;
  }
}

// A check runs inside its tick: ticks that arrive meanwhile (dispatched by the check's boxes and
// downloads) are turned away, the user's check (31 with 2) runs as manual, the activity it sets is
// what command 7 reads while it runs and is 0 again afterwards, and the information file's fetch
// alone (32) runs instead of a check.
TEST(AgentCycle, ChecksRunInsideTheirTick) {
  struct Runner : CheckRunner {
    AgentCycle* cycle = nullptr;
    std::vector<std::string> calls;
    void Check(int status, bool manual) override {
      cycle->SetActivity(2);
      const bool nestedHandled = cycle->Tick(this).handled;
      calls.push_back("check " + std::to_string(status) + (manual ? " manual" : "") + " activity " +
                      std::to_string(cycle->Command(7, 0)) + (nestedHandled ? " nested tick ran" : ""));
    }
    void JustDownloadInfoFile() override { calls.push_back("info only"); }
  };
  Agent a;
  Runner runner;
  runner.cycle = &a.cycle;
  a.cycle.SetSleep(0);
  a.cycle.Command(31, 2);
  EXPECT_TRUE(a.cycle.Tick(&runner).handled);
  EXPECT_EQ(a.cycle.Command(7, 0), 0);
  a.cycle.Command(32, 0);
  a.cycle.Tick(&runner);
  a.cycle.Command(31, 0);
  a.cycle.Tick(&runner);
  EXPECT_EQ(runner.calls, (std::vector<std::string>{"check 1 manual activity 2", "info only", "check 1 activity 2"}));
}
