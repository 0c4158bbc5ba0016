// The controller under Wine, against the test kit's stand-in agent (a working copy X_SampleAU.exe
// and a plain copy SampleAU.exe that passes "/WM_MSG=" on): it registers either way, prints every
// reply and the answer to every message it sends, and ends after a number of replies, a given
// reply or its time-out.
#include <gtest/gtest.h>

#include <sstream>

#include "WineHarness.h"

using namespace wine;

namespace {
bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

Result Controller(const std::vector<std::string>& args) {
  std::vector<std::string> all{ToolExe("controller").string()};
  all.insert(all.end(), args.begin(), args.end());
  return RunWine(all, 60000);
}

// The stand-in agent, its working copy running; stopped when the test ends.
struct StandIn {
  explicit StandIn(const std::vector<std::string>& options = {}) {
    fs::create_directories(folder);
    fs::copy_file(TestkitExe("agentstandin"), folder / "SampleAU.exe");
    fs::copy_file(TestkitExe("agentstandin"), folder / "X_SampleAU.exe");
    std::vector<std::string> args{(folder / "X_SampleAU.exe").string(), "--record", WinPath(record)};
    args.insert(args.end(), options.begin(), options.end());
    working = Process(args);
    if (!WaitFor([&] { return !Taken().empty() || !working.Running(); }, 30000) || Taken().empty())
      throw std::runtime_error("the stand-in agent did not start: " + working.Output());
    window = Taken()[0].substr(std::string("window ").size());
  }
  // What the working copy recorded: "window <handle>", then "<message> <wParam> <lParam>" per message.
  std::vector<std::string> Taken() const {
    return NonEmptyLines(fs::exists(record) ? ReadFile(record) : std::string());
  }
  std::string Plain() const { return WinPath(folder / "SampleAU.exe"); }

  TempDir dir;
  fs::path folder = dir / "app";
  fs::path record = dir / "taken.txt";
  Process working;
  std::string window;
};
}  // namespace

// Registration the documented way: the plain agent gets "/WM_MSG=<window>:<message>" and passes it
// on; the replies 50 and 51 come back to the controller's window, to stdout and to the file.
TEST(Controller, RegistersThroughThePlainAgent) {
  StandIn agent;
  const fs::path out = agent.dir / "replies.txt";
  const Result r = Controller(
      {"--agent", agent.Plain(), "--reply-msg", "33000", "--start", "/DELAY=3", "--out", WinPath(out), "--count", "2"});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  const std::vector<std::string> expected{"reply 50 " + agent.window, "reply 51 1125"};
  EXPECT_EQ(NonEmptyLines(r.output), expected);
  EXPECT_EQ(NonEmptyLines(ReadFile(out)), expected);
  const std::vector<std::string> taken = agent.Taken();
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_TRUE(StartsWith(taken[1], "1124 ")) << taken[1];
  EXPECT_NE(taken[1], "1124 0 33000") << "the controller's window";
  EXPECT_TRUE(taken[1].size() > 6 && taken[1].substr(taken[1].size() - 6) == " 33000") << taken[1];
}

// Each message goes to the window that reply 50 named, with the parameters given; the answers
// and the replies a command causes are printed in the order they come.
TEST(Controller, SendsMessagesAndPrintsAnswers) {
  StandIn agent;
  const Result r = Controller({"--agent", agent.Plain(), "--register", "--command", "4", "0", "--command", "12",
                               "86400", "--stop", "5", "--command", "31", "2", "--count", "4"});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  const std::vector<std::string> taken = agent.Taken();
  ASSERT_EQ(taken.size(), 6u);
  const std::string registration = taken[1];  // "1124 <the controller's window> 32768"
  EXPECT_TRUE(StartsWith(registration, "1124 ") && registration.substr(registration.size() - 6) == " 32768")
      << registration;
  EXPECT_EQ(std::vector<std::string>(taken.begin() + 2, taken.end()),
            (std::vector<std::string>{"1125 4 0", "1125 12 86400", "1123 5 0", "1125 31 2"}));
  const std::vector<std::string> expected{
      "result " + registration + " 0",
      "reply 50 " + agent.window,
      "reply 51 1125",
      "result 1125 4 0 4000",
      "result 1125 12 86400 98400",
      "result 1123 5 0 0",
      "result 1125 31 2 31002",
      "reply 40 1",
      "reply 40 2",
  };
  EXPECT_EQ(NonEmptyLines(r.output), expected);
}

// Reply 51 names the message for commands; before it has come, they go as 1125.
TEST(Controller, SendsCommandsOnTheMessageReply51Names) {
  StandIn agent({"--command-msg", "33333"});
  const Result r = Controller({"--agent", agent.Plain(), "--command", "5", "0", "--register", "--command", "4", "0"});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  const std::vector<std::string> taken = agent.Taken();
  ASSERT_EQ(taken.size(), 3u);
  const std::vector<std::string> expected{"result 1125 5 0 0", "result " + taken[1] + " 0", "reply 50 " + agent.window,
                                          "reply 51 33333", "result 33333 4 0 4000"};
  EXPECT_EQ(NonEmptyLines(r.output), expected);
  EXPECT_EQ(taken[2], "33333 4 0");
}

// A quit countdown of 0 ends the agent at its next tick; the controller waits for reply 43.
TEST(Controller, WaitsUntilTheAgentHasEnded) {
  StandIn agent;
  const Result r = Controller({"--class", ".AutoUpdate.X_SampleAU", "--register", "--stop", "0", "--until", "43"});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  const std::vector<std::string> taken = agent.Taken();
  ASSERT_EQ(taken.size(), 3u);
  const std::vector<std::string> expected{"result " + taken[1] + " 0", "reply 50 " + agent.window, "reply 51 1125",
                                          "result 1123 0 0 0", "reply 43 0"};
  EXPECT_EQ(NonEmptyLines(r.output), expected);
  EXPECT_EQ(agent.working.Wait(30000), 0);
}

// Replies from anyone: every reply message is printed with its parameters, other messages are not.
TEST(Controller, PrintsEveryReplyItGets) {
  const fs::path driver = TestkitExe("windriver");
  TempDir dir;
  const fs::path out = dir / "replies.txt";
  Process controller(
      {ToolExe("controller").string(), "--class", ".AutoUpdate.X_Nobody", "--out", WinPath(out), "--count", "3"});
  const std::vector<std::pair<unsigned, std::pair<long, long>>> sent{
      {32769, {99, 1}}, {32768, {41, 1}}, {32768, {42, 2}}, {32768, {43, 0}}};
  for (const auto& [msg, params] : sent) {
    const Result r = RunWine({driver.string(), "send", "--class", "VelkitController", "--msg", std::to_string(msg),
                              "--wparam", std::to_string(params.first), "--lparam", std::to_string(params.second)},
                             30000);
    ASSERT_EQ(r.exitCode, 0) << r.output;
  }
  EXPECT_EQ(controller.Wait(30000), 0) << controller.Output();
  EXPECT_EQ(NonEmptyLines(ReadFile(out)), (std::vector<std::string>{"reply 41 1", "reply 42 2", "reply 43 0"}));
}

TEST(Controller, FailuresHaveTheirExitCodes) {
  StandIn agent;
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    std::string output;  // a part of what it prints
  };
  const Case cases[] = {
      {"help", {"--help"}, 0, "usage: controller"},
      {"nothing to address", {}, 2, "usage: controller"},
      {"option without value", {"--agent"}, 2, "usage: controller"},
      {"start without an agent path", {"--class", "X", "--start", "/TEST=1"}, 2, "usage: controller"},
      {"command without argument", {"--agent", agent.Plain(), "--command", "4"}, 2, "usage: controller"},
      {"not a number", {"--agent", agent.Plain(), "--stop", "soon"}, 2, "usage: controller"},
      {"no agent window",
       {"--class", ".AutoUpdate.X_Nobody", "--command", "4", "0", "--timeout", "300"},
       1,
       "no window of class .AutoUpdate.X_Nobody"},
      {"fewer replies than asked",
       {"--agent", agent.Plain(), "--register", "--count", "3", "--timeout", "2000"},
       1,
       "timed out after 2 replies"},
      {"agent file missing", {"--agent", "Z:\\no such folder\\SampleAU.exe", "--start", ""}, 3, "could not start"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Controller(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
    EXPECT_NE(r.output.find(c.output), std::string::npos) << r.output;
  }
  // Nothing but registrations reached the stand-in.
  for (const std::string& line : agent.Taken()) EXPECT_TRUE(StartsWith(line, "window ") || StartsWith(line, "1124 "));
}
