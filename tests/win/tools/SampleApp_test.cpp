// The sample application under Wine: it starts its agent as configured, records its start, and
// ends (or not) the way the agent's shut-down methods expect: WM_CLOSE with or without the
// unsaved-changes question, WM_QUIT, termination. Closing, quitting and terminating go through
// vkprobe, which runs the utility layer's routines the agent uses for them.
#include <gtest/gtest.h>

#include <sstream>

#include "WineHarness.h"

using namespace wine;

namespace {
const char kQuestionClass[] = "#32770";
const char kQuestionTitle[] = "Unsaved changes";

std::vector<std::string> Lines(const fs::path& file) {
  return wine::Lines(fs::exists(file) ? ReadFile(file) : std::string());
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// A value of an INI-like record (key=value lines), or empty.
std::string Value(const fs::path& file, const std::string& key) {
  for (const std::string& line : Lines(file))
    if (StartsWith(line, key + "=")) return line.substr(key.size() + 1);
  return {};
}

std::string Probe(const std::vector<std::string>& args) {
  std::vector<std::string> all{TestkitExe("vkprobe").string()};
  all.insert(all.end(), args.begin(), args.end());
  std::string out = RunWine(all).output;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

int Driver(const std::vector<std::string>& args) {
  std::vector<std::string> all{TestkitExe("windriver").string()};
  all.insert(all.end(), args.begin(), args.end());
  return RunWine(all, 30000).exitCode;
}

// A folder with the sample application and, unless asked otherwise, the test engine beside it as
// its agent SampleAU.exe: the engine records the command line it was started with.
struct AppFolder {
  explicit AppFolder(bool withAgent = true) {
    fs::create_directories(exe.parent_path());
    fs::copy_file(ToolExe("sampleapp"), exe);
    if (!withAgent) return;
    fs::copy_file(TestkitExe("engine"), exe.parent_path() / "SampleAU.exe");
    WriteFile(exe.parent_path() / "Engine.ini", "[Engine]\r\nRecord=" + WinPath(agentRecord) + "\r\n");
  }
  void Ini(const std::string& text) { WriteFile(exe.parent_path() / "sampleapp.ini", text); }
  std::string WinExe() const { return WinPath(exe); }
  std::string WinFolder() const { return WinPath(exe.parent_path()); }

  // Starts the application and waits until its window is made and its agent started.
  Process Start(std::vector<std::string> args) {
    args.insert(args.begin(), exe.string());
    Process app(args);
    EXPECT_TRUE(WaitFor([&] { return !Line("agent ").empty() || !app.Running(); }, 30000)) << app.Output();
    return app;
  }
  std::vector<std::string> Record() const { return Lines(record); }
  // The first record line that begins with prefix, or empty.
  std::string Line(const std::string& prefix) const {
    for (const std::string& line : Record())
      if (StartsWith(line, prefix)) return line;
    return {};
  }
  bool WaitLine(const std::string& prefix) const {
    return WaitFor([&] { return !Line(prefix).empty(); }, 30000);
  }

  TempDir dir;
  fs::path exe = dir / "app" / "sampleapp.exe";
  fs::path record = dir / "record.txt";
  fs::path agentRecord = dir / "agent.ini";
};

// Answers the question with the button of that text.
void Answer(const std::string& button) {
  ASSERT_EQ(Driver({"wait", "--class", kQuestionClass, "--title", kQuestionTitle}), 0) << "the question is up";
  ASSERT_EQ(Driver({"click", "--class", kQuestionClass, "--title", kQuestionTitle, "--button", button}), 0);
  ASSERT_EQ(Driver({"gone", "--class", kQuestionClass, "--title", kQuestionTitle}), 0);
}
}  // namespace

// Where the agent's name, its switches and the version come from: the command line over the INI
// file beside the program, which is all a restart by the agent (no switches) has.
TEST(SampleApp, StartsItsAgentAsConfigured) {
  struct Case {
    const char* name;
    std::string ini;
    std::vector<std::string> args;
    std::string version;
    std::string agentLine;      // the record's agent line up to its command line
    std::string agentSwitches;  // what follows the quoted agent path; "-" when no agent ran
  };
  const Case cases[] = {
      {"command line",
       "",
       {"--agent", "SampleAU.exe", "--agent-switches", "/DELAY=3 /TRANSIENT=|1|255|"},
       "1.0",
       "agent started pid=",
       " /DELAY=3 /TRANSIENT=|1|255|"},
      {"INI file",
       "[App]\r\nVersion=2.1\r\n[Agent]\r\nExe=SampleAU.exe\r\nSwitches=/STOP=5\r\n",
       {},
       "2.1",
       "agent started pid=",
       " /STOP=5"},
      {"command line over INI",
       "[App]\r\nVersion=2.1\r\n[Agent]\r\nExe=Other.exe\r\nSwitches=/TEST=2\r\n",
       {"--agent", "SampleAU.exe", "--version", "3.0 beta"},
       "3.0 beta",
       "agent started pid=",
       " /TEST=2"},
      {"no switches", "", {"--agent", "SampleAU.exe"}, "1.0", "agent started pid=", ""},
      {"no agent", "[Agent]\r\nExe=SampleAU.exe\r\n", {"--no-agent"}, "1.0", "agent none", "-"},
      {"agent missing", "", {"--agent", "Missing.exe"}, "1.0", "agent failed error=2 cmdline=", "-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppFolder app;
    if (!c.ini.empty()) app.Ini(c.ini);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--record", WinPath(app.record)});
    Process process = app.Start(args);
    ASSERT_TRUE(process.Running()) << process.Output();

    const std::string start = app.Line("start ");
    EXPECT_NE(start.find(" version=" + c.version + " cmdline="), std::string::npos) << start;
    EXPECT_NE(start.find("--record"), std::string::npos) << "the raw command line: " << start;
    EXPECT_TRUE(StartsWith(app.Line("agent "), c.agentLine)) << app.Line("agent ");
    if (c.agentSwitches == "-") {
      EXPECT_FALSE(fs::exists(app.agentRecord)) << "no agent ran";
    } else {
      const std::string expected = "\"" + app.WinFolder() + "\\SampleAU.exe\"" + c.agentSwitches;
      EXPECT_TRUE(WaitFor([&] { return Value(app.agentRecord, "Ended") == "1"; }, 30000));
      EXPECT_EQ(Value(app.agentRecord, "CommandLine"), expected);
      EXPECT_EQ(Value(app.agentRecord, "Folder"), app.WinFolder()) << "started in the program's folder";
      EXPECT_NE(app.Line("agent ").find(" cmdline=" + expected), std::string::npos);
    }
    // The agent's way to close it: WM_CLOSE with 15 and 255 to the main window found by path.
    EXPECT_EQ(Probe({"close-window", app.WinExe(), "1"}), "TRUE");
    EXPECT_EQ(process.Wait(30000), 0);
    const std::vector<std::string> record = app.Record();
    ASSERT_EQ(record.size(), 4u);
    EXPECT_EQ(record[2], "close wparam=15 lparam=255");
    EXPECT_EQ(record[3], "end close code=0");
  }
}

// "Using WM_CLOSE" against unsaved work: the question keeps the program running until it is
// answered Yes, and meanwhile the main window stays the one the agent addresses.
TEST(SampleApp, AsksAboutUnsavedChangesAndMayRefuse) {
  AppFolder app(false);
  app.Ini("[App]\r\nOnClose=ask\r\nRecord=" + WinPath(app.record) + "\r\n");
  Process process = app.Start({});
  const std::string mainWindow = Probe({"find-window", app.WinExe(), "1"});

  EXPECT_EQ(Probe({"close-window", app.WinExe(), "1"}), "TRUE");
  Answer("&No");
  ASSERT_TRUE(app.WaitLine("refused"));
  EXPECT_TRUE(process.Running());

  EXPECT_EQ(Probe({"close-window", app.WinExe(), "1"}), "TRUE");
  ASSERT_EQ(Driver({"wait", "--class", kQuestionClass, "--title", kQuestionTitle}), 0);
  EXPECT_EQ(Probe({"find-window", app.WinExe(), "1"}), mainWindow) << "the main window owns the question";
  // A close request while the question is up (the user's, say) asks no second question: one No
  // leaves no question on screen.
  ASSERT_EQ(Driver({"close", "--class", "VelkitSampleApp"}), 0);
  ASSERT_TRUE(app.WaitLine("close wparam=0 lparam=0"));
  Answer("&No");
  EXPECT_TRUE(process.Running());

  EXPECT_EQ(Probe({"close-window", app.WinExe(), "1"}), "TRUE");
  Answer("&Yes");
  EXPECT_EQ(process.Wait(30000), 0);
  const std::vector<std::string> expected{"close wparam=15 lparam=255",
                                          "refused",
                                          "close wparam=15 lparam=255",
                                          "close wparam=0 lparam=0",
                                          "refused",
                                          "close wparam=15 lparam=255",
                                          "end close code=0"};
  std::vector<std::string> record = app.Record();
  ASSERT_GE(record.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(record.begin() + 2, record.end()), expected);
}

// "Using WM_QUIT" ends the message loop, also while the question is on screen; its wParam is the
// exit code.
TEST(SampleApp, QuitsOnWmQuit) {
  for (const bool questionUp : {false, true}) {
    SCOPED_TRACE(questionUp ? "question up" : "no question");
    AppFolder app(false);
    Process process = app.Start({"--on-close", "ask", "--record", WinPath(app.record)});
    if (questionUp) {
      EXPECT_EQ(Probe({"close-window", app.WinExe(), "1"}), "TRUE");
      ASSERT_EQ(Driver({"wait", "--class", kQuestionClass, "--title", kQuestionTitle}), 0);
    }
    EXPECT_EQ(Probe({"quit-window", app.WinExe(), "1"}), "TRUE");
    EXPECT_EQ(process.Wait(30000), 15);
    EXPECT_EQ(app.Record().back(), "end quit code=15");
    EXPECT_EQ(app.Line("refused"), "") << "an unanswered question is no refusal";
  }
}

// "Using Terminate Process" ends even a program that refuses to close; it leaves no end line.
TEST(SampleApp, RefusesToCloseButCanBeTerminated) {
  AppFolder app(false);
  Process process = app.Start({"--on-close", "refuse", "--record", WinPath(app.record)});
  EXPECT_EQ(Probe({"close-window", app.WinExe(), "1"}), "TRUE");
  ASSERT_TRUE(app.WaitLine("refused"));
  EXPECT_TRUE(process.Running());
  EXPECT_EQ(Probe({"terminate", app.WinExe(), "1"}), "TRUE");
  EXPECT_EQ(process.Wait(30000), 0);
  const std::vector<std::string> record = app.Record();
  ASSERT_EQ(record.size(), 4u);
  EXPECT_TRUE(StartsWith(record[0], "start "));
  EXPECT_EQ(record[1], "agent none");
  EXPECT_EQ(record[3], "refused");
}

TEST(SampleApp, HelpAndBadArguments) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
  };
  const Case cases[] = {
      {{"--help"}, 0},
      {{"--on-close", "maybe"}, 2},
      {{"--bogus", "1"}, 2},
      {{"--record"}, 2},
      {{"--record", "Z:\\no such folder\\record.txt"}, 3},
  };
  AppFolder app(false);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), app.exe.string());
    const Result r = RunWine(args, 30000);
    EXPECT_EQ(r.exitCode, c.exitCode);
    if (c.exitCode != 3) {
      EXPECT_NE(r.output.find("usage: sampleapp"), std::string::npos) << r.output;
    }
  }
}
