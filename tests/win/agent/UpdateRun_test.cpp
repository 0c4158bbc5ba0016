// The update run of the real stub's X agent under Wine, with the sample application installed
// beside it and the update folder published by mkpack release on loopback: each shut-down method
// in turn (the program ended or not, the update setup run with the information file, the version
// raised, the program started again only when it had run and was stopped), a time limit that
// gives an attempt up when the program will not end, a vanished program that is never started,
// and a background update that asks nothing.
#include <gtest/gtest.h>

#include <ostream>

#include "RoadKit.h"

using namespace roadkit;
using checksite::AnswerBox;
using checksite::kBox;
using setupkit::Drive;
using setupkit::EngineSteering;

namespace {
// What the user does while the agent shuts the program down.
enum class User {
  Nothing,
  ClosesWhenAsked,    // the close request box comes: the user closes the program, then presses OK
  ClosesWhileWaited,  // the agent waits without a word: the user closes the program
};

struct MethodRow {
  const char* name;
  const char* method;  // ShutDownMethod
  bool appRuns;        // the program runs when the update comes
  bool restartProcess;
  User user;
  std::vector<std::string> events;  // the program's record at the end
};

const std::vector<std::string> kRan{"start", "agent none"};
std::vector<std::string> Then(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const MethodRow kMethodRows[] = {
    {"MessageBox", "Issue a Message Box", true, true, User::ClosesWhenAsked,
     Then(Then(kRan, {"close", "end close"}), kRan)},
    {"WmClose", "Using WM_CLOSE", true, true, User::Nothing, Then(Then(kRan, {"close", "end close"}), kRan)},
    {"WmQuitNoRestart", "Using WM_QUIT", true, false, User::Nothing, Then(kRan, {"end quit"})},
    {"Terminate", "Using Terminate Process", true, true, User::Nothing, Then(kRan, kRan)},
    {"DontShutDown", "Don't Shut Down", true, true, User::Nothing, kRan},
    {"EmptyWaitsOnly", "", true, true, User::ClosesWhileWaited, Then(Then(kRan, {"close", "end close"}), kRan)},
    {"NotRunningNotStarted", "Using WM_CLOSE", false, true, User::Nothing, {}},
};

void PrintTo(const MethodRow& row, std::ostream* out) { *out << row.name; }

class UpdateRunMethods : public testing::TestWithParam<MethodRow> {};
}  // namespace

// One update per shut-down method, the agent asked to check (command 31 with 0): the program is
// shut down as the method says, the update setup runs with the information file, the installed
// version becomes 2, and the program is started again only when it ran, was stopped and
// RestartProcess is set.
TEST_P(UpdateRunMethods, ShutsDownUpdatesAndRestarts) {
  const MethodRow& row = GetParam();
  CheckSite site;
  wine::TempDir steer;
  EngineSteering engine(steer, "DeleteAtom=1\r\n");
  InstalledApp app(site, "sampleapp.exe");
  Publish(site, std::string("ProgramName=Sample App\r\nRunningProcess=<InstallDir>\\sampleapp.exe\r\n") +
                    "ShutDownMethod=" + row.method + "\r\nRestartProcess=" + (row.restartProcess ? "1" : "0") +
                    "\r\n");
  site.WriteInstalled(VersionOne(site));
  if (row.appRuns) app.Start();
  site.Start();
  AskCheckKeepingAgent(site);
  EXPECT_EQ(site.NextDecision(0), "GetOkToPerformAU = 6 - OK");

  if (row.user == User::ClosesWhenAsked) {
    ASSERT_EQ(Drive({"wait", "--class", kBox, "--visible", "--timeout", "90000"}), 0) << site.Log();
    EXPECT_TRUE(app.Running()) << "the program ended before the user closed it";
    ASSERT_EQ(Drive({"close", "--class", kAppClass}), 0);
    ASSERT_TRUE(app.Ended());
    AnswerBox("Please close sampleapp.exe first.");
  } else if (row.user == User::ClosesWhileWaited) {
    ASSERT_TRUE(site.WaitLog("Shut Down Process() - START")) << site.Log();
    EXPECT_TRUE(app.Running()) << "the program was shut down by an empty method";
    ASSERT_EQ(Drive({"close", "--class", kAppClass}), 0);
  }

  ASSERT_TRUE(site.WaitRunEnd(true)) << site.Log();
  EXPECT_NE(engine.Get("CommandLine").find(InfoSwitch(site)), std::string::npos) << engine.Get("CommandLine");
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "2");
  EXPECT_FALSE(fs::exists(site.folder / "Update2.exe")) << "the fetched setup was left behind";
  const std::string method = row.method;
  const std::string shutDown = LogLine(site, "Shut Down Process() - START  (");
  EXPECT_NE(shutDown.find("sampleapp.exe)  Method:"), std::string::npos) << shutDown;
  EXPECT_EQ(shutDown.substr(shutDown.find(")  Method:") + 10), method.empty() ? "" : " " + method) << shutDown;
  if (row.appRuns) {
    const bool stops = method != "Don't Shut Down";
    EXPECT_EQ(app.Ended(stops ? 90000 : 0), stops);
  }
  EXPECT_TRUE(wine::WaitFor([&] { return app.Events().size() >= row.events.size(); }, 60000)) << app.Record();
  site.Stop();  // a restart the agent made by mistake has had its time to show in the record
  EXPECT_EQ(app.Events(), row.events) << app.Record();
}

INSTANTIATE_TEST_SUITE_P(EachMethod, UpdateRunMethods, testing::ValuesIn(kMethodRows),
                         [](const testing::TestParamInfo<MethodRow>& info) { return std::string(info.param.name); });

// A program that will not end: WM_CLOSE brings up its unsaved-changes question, nobody answers.
// With ShutDownTimeout the agent gives the attempt up (no setup run, the version stays, the
// fetched setup goes), and as the attempt failed, the next check with the same stamp tries again:
// this time without a limit, and once the user says Yes to the question, the update goes on.
TEST(UpdateRun, ShutDownTimeoutGivesUpAndTheNextCheckTriesAgain) {
  CheckSite site;
  wine::TempDir steer;
  EngineSteering engine(steer, "DeleteAtom=1\r\n");
  InstalledApp app(site, "sampleapp.exe", "ask");
  const auto publish = [&](int limit) {
    Publish(site, "ProgramName=Sample App\r\nRunningProcess=<InstallDir>\\sampleapp.exe\r\n"
                  "ShutDownMethod=Using WM_CLOSE\r\nRestartProcess=1\r\nShutDownTimeout=" +
                      std::to_string(limit) + "\r\n");
  };
  publish(2);
  site.WriteInstalled(VersionOne(site));
  app.Start();
  site.Start();
  AskCheckKeepingAgent(site);
  EXPECT_EQ(site.NextDecision(0), "GetOkToPerformAU = 6 - OK");
  ASSERT_EQ(Drive({"wait", "--title", "Unsaved changes", "--visible", "--timeout", "90000"}), 0) << site.Log();
  ASSERT_TRUE(site.WaitRunEnd(false)) << site.Log();
  EXPECT_NE(site.Log().find("Shut Down Process() - GIVEN UP after "), std::string::npos) << site.Log();
  EXPECT_FALSE(engine.Ran()) << "the update setup ran while the program was still running";
  EXPECT_TRUE(app.Running());
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "1");
  EXPECT_FALSE(fs::exists(site.folder / "Update2.exe")) << "the fetched setup was left behind";

  publish(0);
  AskCheckKeepingAgent(site);
  EXPECT_EQ(site.NextDecision(1), "GetOkToPerformAU = 6 - OK");
  ASSERT_TRUE(site.WaitLog("Shut Down Process() - START", 2)) << site.Log();
  ASSERT_EQ(Drive({"click", "--title", "Unsaved changes", "--button", "&Yes"}), 0);
  ASSERT_TRUE(app.Ended());
  ASSERT_TRUE(site.WaitRunEnd(true)) << site.Log();
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "2");
  EXPECT_NE(engine.Get("CommandLine").find(InfoSwitch(site)), std::string::npos) << engine.Get("CommandLine");
  EXPECT_TRUE(wine::WaitFor([&] { return app.Events().size() >= 7; }, 60000)) << app.Record();
  // Two WM_CLOSE, the question answered once: the program ended and was started again.
  const std::vector<std::string> expected{"start", "agent none", "close", "close", "end close", "start", "agent none"};
  EXPECT_EQ(app.Events(), expected) << app.Record();
  site.Stop();
}

// The program ran and was shut down, and the failed update took its file away: the agent decides
// to start it again (it ran and was stopped) but starts nothing, not even the program whose name
// is the path's first word ("My.exe" for "<InstallDir>\My App.exe" on an unquoted command line).
TEST(UpdateRun, VanishedProgramIsNeverStarted) {
  CheckSite site;
  wine::TempDir steer;
  const fs::path hold = steer / "hold";
  EngineSteering engine(steer, "DeleteAtom=0\r\nHoldFile=" + wine::WinPath(hold) + "\r\n");
  InstalledApp app(site, "My App.exe");
  InstalledApp decoy(site, "My.exe");
  wine::DebugCapture debug;
  Publish(site, "ProgramName=My App\r\nRunningProcess=<InstallDir>\\My App.exe\r\n"
                "ShutDownMethod=Using WM_CLOSE\r\nRestartProcess=1\r\nInformFinish=1\r\n");
  site.WriteInstalled(VersionOne(site));
  app.Start();
  site.Start();
  AskCheckKeepingAgent(site);
  EXPECT_EQ(site.NextDecision(0), "GetOkToPerformAU = 6 - OK");
  // The update setup runs (held by its engine's dialog) once the program has ended.
  ASSERT_TRUE(wine::WaitFor([&] { return engine.Ran(); }, 180000)) << site.Log();
  ASSERT_TRUE(app.Ended());
  fs::remove(app.exe);
  WriteFile(hold, "go");
  ASSERT_TRUE(site.WaitRunEnd(false)) << site.Log();
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "1");
  site.Stop();
  const std::vector<std::string> once{"start", "agent none", "close", "end close"};
  EXPECT_EQ(app.Events(), once) << app.Record();
  EXPECT_EQ(decoy.Record(), "") << "a program the information file did not name was started";
  debug.Stop();
  const std::string text = debug.Text();
  EXPECT_NE(text.find("TRUE TRUE >" + wine::WinPath(app.exe) + "<"), std::string::npos) << text;
  EXPECT_EQ(text.find(" start program "), std::string::npos) << text;
}

// The same update setup, which asks its space question whenever it runs in the foreground: in
// the foreground the question comes; with BackgroundUpdate the run asks nothing (the road ends
// without a click), its engine is started hidden, and the version is raised all the same.
TEST(UpdateRun, BackgroundUpdateAsksNothing) {
  for (const bool background : {false, true}) {
    SCOPED_TRACE(background ? "background" : "foreground");
    CheckSite site;
    wine::TempDir steer;
    EngineSteering engine(steer, "DeleteAtom=1\r\n");
    Publish(site, std::string("ProgramName=Sample App\r\nBackgroundUpdate=") + (background ? "1" : "0") + "\r\n",
            true);
    site.WriteInstalled(VersionOne(site));
    site.Start();
    AskCheckKeepingAgent(site);
    EXPECT_EQ(site.NextDecision(0), "GetOkToPerformAU = 6 - OK");
    if (!background) AnswerBox("", true);  // the space question
    ASSERT_TRUE(site.WaitRunEnd(true)) << site.Log();
    EXPECT_EQ(site.OriginalValue("VersionOriginal"), "2");
    EXPECT_EQ(engine.Get("ShowWindow") == "0", background) << engine.Get("ShowWindow");
    EXPECT_NE(engine.Get("CommandLine").find(InfoSwitch(site)), std::string::npos) << engine.Get("CommandLine");
    site.Stop();
  }
}
