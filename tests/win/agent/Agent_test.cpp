// The agent roles of the real stub under Wine: an auto-update package installed as SampleAU.exe
// makes its working copy X_SampleAU.exe, which runs hidden, answers the control messages, replies
// to a registered controller and deletes its own file when it ends.
#include <gtest/gtest.h>

#include <ctime>
#include <sstream>

#include "../setup/SetupKit.h"
#include "WineHarness.h"
#include "agent/SecondsClock.h"
#include "platform/Clock.h"

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
  explicit InstalledAgent(uint8_t options = 0, const std::string& appFolder = "app")
      : folder(dir / appFolder), xCopy(folder / "X_SampleAU.exe"), original(folder / "Update.original") {
    fs::create_directories(folder);
    PackJob job = SampleJob();
    job.options |= options;
    job.autoUpdateAgent = true;
    job.update.agentExe = "SampleAU.exe";
    plain = WriteSetup(dir, job, appFolder + "/SampleAU.exe");
  }
  ~InstalledAgent() { EndSetupProcesses(xCopy); }
  // Runs the plain agent with the switches to its end; its exit code.
  int64_t RunPlain(const std::string& switches) {
    const Result r = RunWine(LaunchArgs(dir, Command() + (switches.empty() ? "" : " " + switches)), 60000);
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
  // A plain agent left running in the background (it may wait before it copies itself).
  Process StartPlain(const std::string& switches) { return Process(LaunchArgs(dir, Command() + " " + switches)); }
  // The plain agent's path as a command line starts with it: quoted where it holds a blank.
  std::string Command() const {
    const std::string path = WinPath(plain);
    return path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
  }

  TempDir dir;
  fs::path folder;
  fs::path plain;
  fs::path xCopy;
  fs::path original;
};

// The process id written just before the first occurrence of part ("<pid> <part>").
std::string PidOf(const std::string& text, const std::string& part) {
  const size_t at = text.find(part);
  if (at == std::string::npos) return {};
  size_t begin = at;
  while (begin > 0 && std::isdigit(static_cast<unsigned char>(text[begin - 1]))) --begin;
  return text.substr(begin, at - begin);
}

// Today as the test-mode date is written: 10-DEC-2026.
std::string TestModeDateToday(bool upperCase) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  static const char* months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  char text[16];
  std::snprintf(text, sizeof text, "%02d-%s-%04d", local.tm_mday, months[local.tm_mon], local.tm_year + 1900);
  std::string date = text;
  if (!upperCase)
    for (char& c : date) c = char(std::tolower(static_cast<unsigned char>(c)));
  return date;
}

const char kTestModeKey[] = "HKCU\\Software\\Corvalen\\Velkit\\AutoUpdate";
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

  // To a running copy "/TEST=2" is only the check request: no countdown. The user's check asks
  // first (answered No).
  EXPECT_EQ(agent.RunPlain("/TEST=2"), 0);
  ASSERT_TRUE(WaitFor([&] { return debug.Text().find("wm_AgentMsg 31 2 = 0") != std::string::npos; }, 30000));
  ASSERT_EQ(Drive({"wait", "--class", "VMsgBox", "--visible", "--timeout", "60000"}), 0);
  EXPECT_EQ(Drive({"key", "--class", "VMsgBox", "--key", "N"}), 0);
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
// the installed-version file; the check asked for (31) fetches the information file between 40 1
// and 40 2 and records its own time; a countdown of 2 ends the agent, and 43 follows.
TEST(Agent, ControllerCommandsAndReplies) {
  InstalledAgent agent;
  const Result r =
      agent.Controller({"--agent", WinPath(agent.plain), "--start", "",   "--command", "12", "600", "--command", "8",
                        "0",       "--command",          "13",      "70", "--command", "9",  "0",   "--command", "14",
                        "12345",   "--command",          "10",      "0",  "--command", "15", "777", "--command", "11",
                        "0",       "--command",          "21",      "1",  "--command", "7",  "0",   "--command", "31",
                        "0",       "--command",          "99",      "5",  "--command", "30", "2",   "--until",   "43"});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  // The X copy inherits the controller's output, and its self-deletion's batch echoes into it.
  std::vector<std::string> results, replies;
  for (const std::string& line : NonEmptyLines(r.output)) {
    if (line.rfind("reply ", 0) == 0) replies.push_back(line.rfind("reply 50 ", 0) == 0 ? "reply 50 " : line);
    if (line.rfind("result ", 0) == 0) results.push_back(line);
  }
  const std::vector<std::string> expected{
      "result 1125 12 600 0",   "result 1125 8 0 600",
      "result 1125 13 70 0",    "result 1125 9 0 70",
      "result 1125 14 12345 0", "result 1125 10 0 12345",
      "result 1125 15 777 0",   "result 1125 11 0 777",
      "result 1125 21 1 0",     "result 1125 7 0 0",
      "result 1125 31 0 0",     "result 1125 99 5 0",
      "result 1125 30 2 0",
  };
  EXPECT_EQ(results, expected) << r.output;
  EXPECT_EQ(replies, (std::vector<std::string>{"reply 50 ", "reply 51 1125", "reply 40 1", "reply 40 2", "reply 43 0"}))
      << r.output;
  EXPECT_TRUE(agent.XGone());
  const std::string original = ReadFile(agent.original);
  for (const char* line : {"ProbeSecondsInterval=600", "ReAskSecondsInterval=70", "ReAskSecondsLast=777",
                           "__ProbeSecondsLast=", "__ReAskSecondsLast="})
    EXPECT_NE(original.find(line), std::string::npos) << line << "\n" << original;
  EXPECT_EQ(original.find("ProbeSecondsLast=12345"), std::string::npos) << "the check did not record its time";
}

// "/TEST=2" through a plain agent that had to start the X copy: the user's own check, which asks
// the check-now question first (answered No), and the countdown 2, so the copy
// ends by itself.
TEST(Agent, TestSwitchThroughAStartingPlainAgent) {
  InstalledAgent agent;
  DebugCapture debug;
  EXPECT_EQ(agent.RunPlain("/TEST=2"), 0);
  ASSERT_EQ(setupkit::Drive({"wait", "--class", "VMsgBox", "--visible", "--timeout", "60000"}), 0);
  EXPECT_EQ(setupkit::Drive({"key", "--class", "VMsgBox", "--key", "N"}), 0);
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
  EXPECT_NE(text.find("X_SampleAU.exe\" /TRANSIENTx=|1|0|255|1|255|255|0|1| /SleepX=5<"), std::string::npos) << text;
  EXPECT_NE(text.find(" Overrides=|1|0|255|1|255|255|0|1|"), std::string::npos) << text;
  // The first tick counts from -5 (without the delay it would say -2); later ticks go on from there.
  const size_t first = text.find(" AutoUpdateTimerCount=");
  ASSERT_NE(first, std::string::npos) << text;
  EXPECT_EQ(text.compare(first, 25, " AutoUpdateTimerCount=-4\r"), 0) << text;
}

// Installed in a folder with a blank, the agent starts its X copy by the whole path: a program at a
// shorter prefix of it ("My.exe" beside "My App") never starts in its place.
TEST(Agent, StartsItsXCopyByItsWholePathWhereAShorterOneNamesAProgram) {
  InstalledAgent agent(kOptionAgentLog, "My App");
  fs::copy_file(TestkitExe("engine"), agent.dir / "My.exe");
  const fs::path decoyRecord = agent.dir / "decoy.ini";
  WriteFile(agent.dir / "Engine.ini", "[Engine]\r\nRecord=" + WinPath(decoyRecord) + "\r\n");
  DebugCapture debug;
  EXPECT_EQ(agent.RunPlain(""), 0);
  ASSERT_TRUE(WaitFor([&] { return debug.Text().find(" AutoUpdateTimerCount=") != std::string::npos; }, 60000))
      << debug.Text();
  EXPECT_EQ(agent.RunPlain("/STOP=0"), 0);
  EXPECT_TRUE(agent.XGone());
  EXPECT_FALSE(fs::exists(decoyRecord)) << ReadFile(decoyRecord);
  EXPECT_NE(ReadFile(agent.folder / "X_SampleAU.log").find("   WinExec: \"" + WinPath(agent.xCopy) + "\""),
            std::string::npos);
}

// The restart road of an agent: a plain agent started with "/_ZZ=99 /WAIT=5" while the X copy
// runs waits first, so that the old copy can end (here "/STOP=0" ends it), then replaces the X
// file and starts the new copy. The package enables the log: both agents append to X_SampleAU.log,
// the X copy's lines marked " X ".
TEST(Agent, ReplacesARunningXCopyAfterItsWaitAndLogsBothAgents) {
  InstalledAgent agent(kOptionAgentLog);
  DebugCapture debug;
  EXPECT_EQ(agent.RunPlain(""), 0);
  ASSERT_TRUE(WaitFor([&] { return debug.Text().find(" AutoUpdateTimerCount=") != std::string::npos; }, 60000));
  const std::string firstX = PidOf(debug.Text(), " AutoUpdateTimerCount=");

  Process restart = agent.StartPlain("/_ZZ=99 /WAIT=5");
  ASSERT_TRUE(WaitFor([&] { return debug.Text().find(" CreateAndRun_X_Exe-1 99") != std::string::npos; }, 60000));
  EXPECT_EQ(agent.RunPlain("/STOP=0"), 0);
  EXPECT_GE(restart.Wait(120000), 0) << "the restarting plain agent did not end";
  // The new copy runs: a second X agent ticks.
  ASSERT_TRUE(WaitFor(
      [&] {
        const std::string text = debug.Text();
        const std::string last = text.substr(text.rfind("Role=XAgent") == std::string::npos ? 0 : text.rfind("Role=XAgent"));
        return Count(text, "Role=XAgent") >= 2 && last.find(" AutoUpdateTimerCount=") != std::string::npos;
      },
      60000))
      << debug.Text();
  EXPECT_EQ(agent.RunPlain("/STOP=0"), 0);
  EXPECT_TRUE(agent.XGone());
  debug.Stop();
  const std::string text = debug.Text();
  // The old copy had ended before the new one started.
  const size_t oldEnd = text.find(firstX + " quit countdown ended");
  const size_t secondStart = text.find("Role=XAgent", text.find("Role=XAgent") + 1);
  ASSERT_NE(oldEnd, std::string::npos) << text;
  EXPECT_LT(oldEnd, secondStart) << text;
  EXPECT_EQ(Count(text, " CreateAndRun_X_Exe-2"), 2u) << text;

  const std::string log = ReadFile(agent.folder / "X_SampleAU.log");
  EXPECT_NE(log.find("   Wait 5 SEC\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("   WinExec: \"" + WinPath(agent.xCopy) + "\""), std::string::npos) << log;
  EXPECT_NE(log.find(" X CheckTestMode\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" X DeleteMySelf\r\n"), std::string::npos) << log;
  // "dd/mm/yy HH:NN:SS" then the thread id in five places.
  const std::vector<std::string> lines = Lines(log);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].size() > 24 && lines[0][2] == '/' && lines[0][5] == '/' && lines[0][11] == ':', true) << lines[0];
}

// Without the package's log flag no log file is made, whatever the agents do.
TEST(Agent, NoLogFileWithoutThePackagesFlag) {
  InstalledAgent agent;
  EXPECT_EQ(agent.RunPlain("/TEST=0"), 0);
  EXPECT_EQ(agent.RunPlain("/STOP=0"), 0);
  EXPECT_TRUE(agent.XGone());
  EXPECT_FALSE(fs::exists(agent.folder / "X_SampleAU.log"));
}

// "/STOP=5": the X copy goes on for five more ticks and ends at the sixth, as "/STOP=0" ends it
// at the next one.
TEST(Agent, StopFiveEndsTheXCopyAfterFiveMoreTicks) {
  InstalledAgent agent;
  DebugCapture debug;
  EXPECT_EQ(agent.RunPlain(""), 0);
  ASSERT_TRUE(WaitFor([&] { return debug.Text().find(" AutoUpdateTimerCount=") != std::string::npos; }, 60000));
  EXPECT_EQ(agent.RunPlain("/STOP=5"), 0);
  EXPECT_TRUE(agent.XGone());
  debug.Stop();
  const std::string text = debug.Text();
  // Chunks of several processes interleave in the channel, so whole lines are not to be relied on.
  const std::string x = PidOf(text, " AutoUpdateTimerCount=");
  const size_t asked = text.find(x + " wm_ShutDown 5"), ended = text.find(x + " quit countdown ended");
  ASSERT_NE(asked, std::string::npos) << text;
  ASSERT_NE(ended, std::string::npos) << text;
  const size_t ticks = Count(text.substr(asked, ended - asked), x + " AutoUpdateTimerCount=");
  EXPECT_EQ(ticks, 5u) << text;
}

// Test mode from the registry: "TestMode" 1 with today's date makes a check due 5 seconds after
// the last one, whatever the file's interval; the date in lower case is not today's date.
TEST(Agent, TestModeFromTheRegistryShortensTheInterval) {
  struct Case {
    bool upperCase;
    bool due;
  } cases[] = {{true, true}, {false, false}};
  for (const Case& c : cases) {
    InstalledAgent agent;
    const TempDir source;
    WriteFile(agent.original, "[OriginalSetup]\r\nProbeSecondsInterval=100000\r\nProbeSecondsLast=" +
                                  std::to_string(NowSeconds(SystemClock())) + "\r\n");
    ASSERT_TRUE(RegAdd(kTestModeKey, "TestMode", "REG_SZ", "1"));
    ASSERT_TRUE(RegAdd(kTestModeKey, "TestModeDate", "REG_SZ", TestModeDateToday(c.upperCase)));
    ASSERT_TRUE(RegAdd(kTestModeKey, "TestModeURL", "REG_SZ", source.Win()));
    DebugCapture debug;
    EXPECT_EQ(agent.RunPlain(""), 0);
    // Ten ticks after the first that may check: in test mode one of them was due.
    const bool ticked = WaitFor([&] { return debug.Text().find(" AutoUpdateTimerCount=10") != std::string::npos; }, 90000);
    EXPECT_EQ(agent.RunPlain("/STOP=0"), 0);
    EXPECT_TRUE(agent.XGone());
    RegDelete(kTestModeKey);
    debug.Stop();
    ASSERT_TRUE(ticked) << debug.Text();
    EXPECT_EQ(debug.Text().find(" ShotTimeStatus=1") != std::string::npos, c.due) << c.upperCase << debug.Text();
  }
}
