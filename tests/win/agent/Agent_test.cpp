// The agent roles of the real stub under Wine: an auto-update package installed as SampleAU.exe
// makes its working copy X_SampleAU.exe, which runs hidden, answers the control messages, replies
// to a registered controller and deletes its own file when it ends.
#include <gtest/gtest.h>

#include <sstream>

#include "../setup/SetupKit.h"
#include "WineHarness.h"

using namespace wine;
using namespace setupkit;

namespace {
size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

const char kXClass[] = ".AutoUpdate.X_SampleAU";

// The agent file beside an application; whatever X copy is left running goes with the test.
struct InstalledAgent {
  InstalledAgent() {
    fs::create_directories(folder);
    PackJob job = SampleJob();
    job.autoUpdateAgent = true;
    job.update.agentExe = "SampleAU.exe";
    plain = WriteSetup(dir, job, "app/SampleAU.exe");
  }
  ~InstalledAgent() { EndSetupProcesses(xCopy); }
  // Runs the plain agent with the switches to its end; its exit code.
  int64_t RunPlain(const std::string& switches) {
    const Result r = RunWine(LaunchArgs(dir, WinPath(plain) + (switches.empty() ? "" : " " + switches)), 60000);
    return LaunchedExitCode(r.output);
  }
  Result Controller(const std::vector<std::string>& args) {
    std::vector<std::string> all{ToolExe("controller").string()};
    all.insert(all.end(), args.begin(), args.end());
    return RunWine(all, 60000);
  }
  // Registers with the running X copy (waiting for its window); the controller's output lines.
  std::vector<std::string> Ask(std::vector<std::string> actions) {
    std::vector<std::string> args{"--class", kXClass, "--register"};
    args.insert(args.end(), actions.begin(), actions.end());
    const Result r = Controller(args);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return NonEmptyLines(r.output);
  }
  bool XGone() {
    return WaitFor([&] { return !fs::exists(xCopy); }, 60000);
  }

  TempDir dir;
  fs::path folder = dir / "app";
  fs::path plain;
  fs::path xCopy = folder / "X_SampleAU.exe";
  fs::path original = folder / "Update.original";
};
}  // namespace

// The plain agent copies itself to X_SampleAU.exe, starts the copy and ends; a second plain agent
// only forwards its switches; "/STOP=0" ends the copy at its next tick, and its file goes with it.
TEST(Agent, PlainAgentStartsTheXCopyWhichEndsOnStop) {
  InstalledAgent agent;
  // A setup of the same time stamp works in the folder the X copy's name would give.
  const fs::path otherSetupWork = WorkFolderOf(agent.plain);
  fs::create_directories(otherSetupWork);
  WriteFile(otherSetupWork / "Engine.exe", "in use");
  DebugCapture debug;
  EXPECT_EQ(agent.RunPlain(""), 0);
  EXPECT_TRUE(fs::exists(agent.xCopy));
  // The copy runs: its window answers (a registration with no action but to wait for 50 and 51).
  const std::vector<std::string> replies = agent.Ask({});
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_EQ(replies[2], "reply 51 1125");
  // Its window stays hidden.
  EXPECT_NE(DriveOutput({"list", "--class", kXClass}).find("visible=0"), std::string::npos)
      << DriveOutput({"list", "--class", kXClass});

  // To a running copy "/TEST=2" is only the check request: no countdown.
  EXPECT_EQ(agent.RunPlain("/TEST=2"), 0);
  ASSERT_TRUE(WaitFor([&] { return debug.Text().find("wm_AgentMsg 31 2 = 0") != std::string::npos; }, 30000));
  EXPECT_EQ(agent.RunPlain("/STOP=0"), 0);
  EXPECT_TRUE(agent.XGone()) << "the X copy did not end and delete itself";
  EXPECT_EQ(debug.Text().find("wm_ShutDown 2"), std::string::npos);
  EXPECT_TRUE(fs::exists(otherSetupWork / "Engine.exe")) << "the X copy removed another setup's work folder";
  fs::remove_all(otherSetupWork);
  debug.Stop();
  const std::string text = debug.Text();
  EXPECT_EQ(Count(text, " CreateAndRun_X_Exe-2"), 1u) << "the second plain agent made a copy again\n" << text;
  EXPECT_NE(text.find("Role=XAgent"), std::string::npos) << text;
  EXPECT_NE(text.find("wm_ShutDown 0"), std::string::npos) << text;
}

// A controller registered through the plain agent gets 50 and 51; the commands answer and write
// the installed-version file; a countdown of 2 ends the agent, and 43 follows.
TEST(Agent, ControllerCommandsAndReplies) {
  InstalledAgent agent;
  const Result r =
      agent.Controller({"--agent", WinPath(agent.plain), "--start", "",   "--command", "12", "600", "--command", "8",
                        "0",       "--command",          "13",      "70", "--command", "9",  "0",   "--command", "14",
                        "12345",   "--command",          "10",      "0",  "--command", "15", "777", "--command", "11",
                        "0",       "--command",          "20",      "1",  "--command", "7",  "0",   "--command", "31",
                        "0",       "--command",          "99",      "5",  "--command", "30", "2",   "--until",   "43"});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  // The X copy inherits the controller's output, and its self-deletion's batch echoes into it.
  std::vector<std::string> lines;
  for (const std::string& line : NonEmptyLines(r.output))
    if (line.rfind("reply ", 0) == 0 || line.rfind("result ", 0) == 0) lines.push_back(line);
  ASSERT_GE(lines.size(), 2u) << r.output;
  EXPECT_EQ(lines[0].rfind("reply 50 ", 0), 0u) << r.output;
  EXPECT_EQ(lines[1], "reply 51 1125");
  const std::vector<std::string> results(lines.begin() + 2, lines.end());
  const std::vector<std::string> expected{
      "result 1125 12 600 0",   "result 1125 8 0 600",
      "result 1125 13 70 0",    "result 1125 9 0 70",
      "result 1125 14 12345 0", "result 1125 10 0 12345",
      "result 1125 15 777 0",   "result 1125 11 0 777",
      "result 1125 20 1 0",     "result 1125 7 0 0",
      "result 1125 31 0 0",     "result 1125 99 5 0",
      "result 1125 30 2 0",     "reply 43 0",
  };
  EXPECT_EQ(results, expected) << r.output;
  EXPECT_TRUE(agent.XGone());
  const std::string original = ReadFile(agent.original);
  for (const char* line : {"ProbeSecondsInterval=600", "ReAskSecondsInterval=70", "ProbeSecondsLast=12345",
                           "ReAskSecondsLast=777", "__ProbeSecondsLast=", "__ReAskSecondsLast="})
    EXPECT_NE(original.find(line), std::string::npos) << line << "\n" << original;
}

// "/TEST=2" through a plain agent that had to start the X copy: a forced check (logged, as the
// check itself is not there yet) and the countdown 2, so the copy ends by itself.
TEST(Agent, TestSwitchThroughAStartingPlainAgent) {
  InstalledAgent agent;
  DebugCapture debug;
  EXPECT_EQ(agent.RunPlain("/TEST=2"), 0);
  EXPECT_TRUE(agent.XGone()) << "the countdown did not end the X copy";
  debug.Stop();
  const std::string text = debug.Text();
  EXPECT_NE(text.find("wm_AgentMsg 31 2 = 0"), std::string::npos) << text;
  EXPECT_NE(text.find("wm_ShutDown 2"), std::string::npos) << text;
  EXPECT_NE(text.find(" ShotTimeStatus=1"), std::string::npos) << text;
}

// A restart's switches: "/TRANSIENT=" reaches the X copy as "/TRANSIENTx=", which it applies, and
// "/DELAY=" as "/SleepX=", which holds its first check back.
TEST(Agent, TransientAndDelayReachTheXCopy) {
  InstalledAgent agent;
  DebugCapture debug;
  EXPECT_EQ(agent.RunPlain("/TRANSIENT=|1|0|255|1|255|255|0|1| /DELAY=5"), 0);
  ASSERT_TRUE(WaitFor([&] { return debug.Text().find(" AutoUpdateTimerCount=") != std::string::npos; }, 30000));
  EXPECT_EQ(agent.RunPlain("/STOP=0"), 0);
  EXPECT_TRUE(agent.XGone());
  debug.Stop();
  const std::string text = debug.Text();
  EXPECT_NE(text.find("X_SampleAU.exe /TRANSIENTx=|1|0|255|1|255|255|0|1| /SleepX=5<"), std::string::npos) << text;
  EXPECT_NE(text.find(" Overrides=|1|0|255|1|255|255|0|1|"), std::string::npos) << text;
  EXPECT_NE(text.find(" AutoUpdateTimerCount=-4"), std::string::npos) << text;
  EXPECT_EQ(text.find(" AutoUpdateTimerCount=-2"), std::string::npos) << text;
}
