// The setup run of the real stub under Wine: a package made with the builder, the test engine as
// its marked entry, and the stub started with an exact command line. Each case checks what is
// left: the engine's record of what it was given, files, the exit code.
#include <gtest/gtest.h>

#include <regex>

#include "SetupKit.h"

using namespace wine;
using namespace setupkit;

namespace {
// The engine's command line with its thread id made "N".
std::string WithoutThreadId(std::string command) {
  return std::regex_replace(command, std::regex("/TH_ID=_[0-9]+"), "/TH_ID=_N");
}
}  // namespace

TEST(SetupRun, ExtractsRunsTheEngineAndKeepsItsExitCode) {
  TempDir dir;
  fs::path setup = WriteSetup(dir, SampleJob());
  fs::path work = WorkFolderOf(setup);
  fs::path hold = dir / "release";
  EngineSteering engine(dir, "ExitCode=3\r\nHoldFile=" + WinPath(hold) + "\r\n");
  std::string setupWin = WinPath(setup);
  Process stub(LaunchArgs(dir, setupWin + " /a=1 /SpanCdLvl=3 /b"));

  ASSERT_TRUE(WaitFor([&] { return engine.Get("Ended") == "1"; }, 60000)) << "the engine did not run";
  EXPECT_EQ(WithoutThreadId(engine.Get("CommandLine")), WinTempDir() + "\\" + work.filename().string() +
                                                            "\\Engine.exe /a=1 /b /TH_ID=_N /OriginExe=\"" + setupWin +
                                                            "\"");
  EXPECT_EQ(HostPath(engine.Get("ExeFolder")), work);
  // The engine has ended; its dialog (held by the test) keeps the stub waiting, with every file
  // extracted under its stored time stamp.
  EXPECT_TRUE(stub.Running());
  for (const char* name : {"Engine.exe", "readme.txt", "data/numbers.bin"}) {
    fs::path file = work / name;
    ASSERT_TRUE(fs::exists(file)) << name;
    auto stamp = std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(fs::last_write_time(file)));
    EXPECT_EQ(stamp, SampleHostTime()) << name;
  }
  EXPECT_EQ(ReadFile(work / "readme.txt"), "Velkit sample\r\n");
  EXPECT_EQ(fs::file_size(work / "data/numbers.bin"), 3000u);

  WriteFile(hold, "");
  EXPECT_EQ(stub.Wait(60000), 3) << "the engine's exit code";
  EXPECT_EQ(engine.Get("DialogClosed"), "1") << "the stub ended before the engine's dialog";
  EXPECT_FALSE(fs::exists(work)) << "the setup work folder stays";
}

// The completion atom decides whether the shortcuts named by the settings files go.
TEST(SetupRun, DeletedCompletionAtomRemovesTheShortcuts) {
  for (bool deleteAtom : {true, false}) {
    SCOPED_TRACE(deleteAtom ? "atom deleted" : "atom left");
    TempDir dir;
    PackJob job = SampleJob();
    job.update.infoFile = "App.info";
    fs::path setup = WriteSetup(dir, job);
    fs::path startUp = dir / "StartUp.lnk", update = dir / "Update.lnk";
    WriteFile(startUp, "x");
    WriteFile(update, "x");
    WriteFile(dir / "App.original", "[UnInstall]\r\nStartUpLink=" + WinPath(startUp) +
                                        "\r\nCheckforNewUpdateLink=" + WinPath(update) + "\r\n");
    WriteFile(dir / "App.info", "[NewSetup]\r\nRemoveStartUpShortcut=1\r\nRemoveCheckForNewUpdateShortcut=0\r\n");
    EngineSteering engine(dir, deleteAtom ? "DeleteAtom=1\r\n" : "");
    Result r = RunWine(LaunchArgs(dir, WinPath(setup) + " /hide"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(engine.Get("AtomFound"), deleteAtom ? "1" : "");
    EXPECT_EQ(fs::exists(startUp), !deleteAtom);
    EXPECT_TRUE(fs::exists(update)) << "its flag is not set";
  }
}

// Silent setups: "/hide" or the update block's hide flag. No question even when the package asks
// for the space notice (a box would stop the run), the engine starts hidden.
TEST(SetupRun, HiddenSetupAsksNothingAndHidesTheEngine) {
  struct Case {
    const char* name;
    bool hideFlag;
    const char* switches;
  } cases[] = {{"switch", false, " /hide"}, {"hide flag", true, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    PackJob job = SampleJob();
    job.options = kPackConfirmTempExtract;
    job.update.hide = c.hideFlag;
    fs::path setup = WriteSetup(dir, job);
    EngineSteering engine(dir, "ExitCode=5\r\n");
    Result r = RunWine(LaunchArgs(dir, WinPath(setup) + c.switches), 60000);
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(engine.Get("ShowWindow"), "0") << "SW_HIDE";
    EXPECT_EQ(engine.Get("CommandLine").find(" /hide ") != std::string::npos, !c.hideFlag);
  }
}

// The space question that the package asks for: No extracts nothing and runs nothing, Yes goes on.
TEST(SetupRun, SpaceQuestionNoStopsYesGoesOn) {
  for (bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    TempDir dir;
    PackJob job = SampleJob();
    job.options = kPackConfirmTempExtract;
    fs::path setup = WriteSetup(dir, job);
    fs::path work = WorkFolderOf(setup);
    EngineSteering engine(dir, "ExitCode=4\r\n");
    Process stub(LaunchArgs(dir, WinPath(setup)));
    ASSERT_EQ(Drive({"wait", "--title", "Confirm", "--visible", "--timeout", "30000"}), 0) << "no question";
    std::string box = DriveOutput({"list", "--title", "Confirm"});
    EXPECT_NE(box.find("Velkit will extract files to your Temp Drive (C:)"), std::string::npos) << box;
    EXPECT_FALSE(fs::exists(work / "readme.txt"));
    EXPECT_EQ(Drive({"click", "--title", "Confirm", "--button", yes ? "&Yes" : "&No"}), 0);
    EXPECT_EQ(stub.Wait(60000), yes ? 4 : 92);
    EXPECT_EQ(engine.Ran(), yes);
    EXPECT_FALSE(fs::exists(work));
  }
}

// A damaged package: the checksum catches it, or, with the checksum turned off, zlib does. Either
// way the error box (a run that is not silent), nothing started, and the bad-package exit code.
TEST(SetupRun, DamagedPackageShowsBadCrcAndRunsNothing) {
  struct Case {
    const char* name;
    bool checksum;
    const char* boxText;
  } cases[] = {{"checksum", true, "Bad CRC!"}, {"zlib", false, "data error"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    PackJob job = SampleJob();
    job.checksum = c.checksum;
    fs::path setup = WriteSetup(dir, job);
    std::string image = ReadFile(setup);
    image[job.stub.size() + 5000] ^= 0x55;  // inside the engine's compressed block
    WriteFile(setup, image);
    EngineSteering engine(dir, "");
    Process stub(LaunchArgs(dir, WinPath(setup)));
    ASSERT_EQ(Drive({"wait", "--title", "Error", "--visible", "--timeout", "30000"}), 0) << "no error box";
    std::string box = DriveOutput({"list", "--title", "Error"});
    EXPECT_NE(box.find(c.boxText), std::string::npos) << box;
    EXPECT_EQ(Drive({"click", "--title", "Error", "--button", "&OK"}), 0);
    EXPECT_EQ(stub.Wait(60000), 90);
    EXPECT_FALSE(engine.Ran());
    EXPECT_FALSE(fs::exists(WorkFolderOf(setup)));
  }
}

// Packages that extract but start nothing: no marked entry, or an engine that is no program.
TEST(SetupRun, NoEngineOrAnEngineThatCannotStartEndsWithItsCode) {
  struct Case {
    const char* name;
    bool withEngine;
    int exitCode;
  } cases[] = {{"no engine entry", false, 93}, {"engine not a program", true, 94}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    PackJob job = SampleJob();
    job.engine.path.clear();
    job.engine.data = c.withEngine ? "this is no program" : "";
    if (!c.withEngine) job.engine.name.clear();
    fs::path setup = WriteSetup(dir, job);
    DebugCapture debug;
    Result r = RunWine(LaunchArgs(dir, WinPath(setup) + " /hide"), 60000);
    debug.Stop();
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_NE(debug.Text().find("FileInfo.FilesCount="), std::string::npos) << "nothing extracted";
    EXPECT_FALSE(fs::exists(WorkFolderOf(setup))) << "extracted files stay";
  }
}

// One run per setup file: a second start of the same file does nothing while the first runs; the
// same file under another path runs.
TEST(SetupRun, SecondStartOfTheSameFileDoesNothing) {
  TempDir dir;
  fs::path setup = WriteSetup(dir, SampleJob());
  fs::path other = dir / "other";
  fs::create_directories(other);
  fs::copy_file(setup, other / "Setup.exe");
  // Another time stamp gives the copy its own setup work folder.
  fs::last_write_time(other / "Setup.exe", fs::last_write_time(setup) - std::chrono::seconds(60));
  fs::path hold = dir / "release";
  EngineSteering engine(dir, "HoldFile=" + WinPath(hold) + "\r\n");
  Process first(LaunchArgs(dir, WinPath(setup) + " /hide"));
  ASSERT_TRUE(WaitFor([&] { return engine.Get("Ended") == "1"; }, 60000));

  Result second = RunWine(LaunchArgs(dir, WinPath(setup) + " /hide"), 60000);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(engine.Get("Runs"), "1");

  Process copy(LaunchArgs(dir, WinPath(other / "Setup.exe") + " /hide"));
  EXPECT_TRUE(WaitFor([&] { return engine.Get("Runs") == "2"; }, 60000)) << "the copy did not run";
  WriteFile(hold, "");
  EXPECT_EQ(first.Wait(60000), 0);
  EXPECT_EQ(copy.Wait(60000), 0);
}

// A package with the auto-update flag: under the AU name it is the plain agent and runs no setup;
// under any other name it runs the setup.
TEST(SetupRun, AutoUpdatePackageRoleFollowsTheFileName) {
  struct Case {
    const char* fileName;
    const char* role;
    bool setupRuns;
  } cases[] = {{"app.EXE", "Role=PlainAgent", false},
               {"x_app.exe", "Role=XAgent", false},
               {"Setup.exe", "Role=PlainStub", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fileName);
    TempDir dir;
    PackJob job = SampleJob();
    job.autoUpdateAgent = true;
    job.update.agentExe = "App.exe";
    fs::path setup = WriteSetup(dir, job, c.fileName);
    EngineSteering engine(dir, "");
    DebugCapture debug;
    Result r = RunWine(LaunchArgs(dir, WinPath(setup) + " /hide"), 60000);
    debug.Stop();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(debug.Text().find(" ==== ThisIs_AutoUpdateProg=TRUE"), std::string::npos) << debug.Text();
    EXPECT_NE(debug.Text().find(c.role), std::string::npos) << debug.Text();
    EXPECT_EQ(engine.Ran(), c.setupRuns);
    if (c.setupRuns) {
      EXPECT_NE(engine.Get("CommandLine").find(" /AutoUpdateProg"), std::string::npos);
    }
  }
}
