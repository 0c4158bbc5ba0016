// The setup run of the real stub under Wine: a package made with the builder, the test engine as
// its marked entry, and the stub started with an exact command line. Each case checks what is
// left: the engine's record of what it was given, files, the exit code.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>

#include "SetupKit.h"

using namespace wine;
using namespace setupkit;

namespace {
// Keeps the global atom table full while it lives (vkprobe hold-atoms): no new atom can be added
// meanwhile. Global atoms outlive their process, so whatever the holder leaves is deleted.
class FullAtomTable {
 public:
  explicit FullAtomTable(const TempDir& dir)
      : prefix_("VelkitTestFill" + std::to_string(getpid()) + "_"),
        stop_(dir / "atoms.stop"),
        holder_({TestkitExe("vkprobe").string(), "hold-atoms", prefix_, WinPath(stop_)}) {
    WaitFor([&] { return holder_.Output().find("full=") != std::string::npos || !holder_.Running(); }, 120000);
    const std::string out = holder_.Output();
    const size_t at = out.find("full=");
    if (at != std::string::npos) added = std::atoi(out.c_str() + at + 5);
  }
  ~FullAtomTable() {
    WriteFile(stop_, "");
    holder_.Wait(60000);
    RunWine({TestkitExe("vkprobe").string(), "free-atoms", prefix_});
  }
  int added = 0;

 private:
  std::string prefix_;
  fs::path stop_;
  Process holder_;
};

// The engine's command line with its thread id made "N".
std::string WithoutThreadId(std::string command) {
  return std::regex_replace(command, std::regex("/TH_ID=_[0-9]+"), "/TH_ID=_N");
}

// A file of 10 MiB that the builder packs in three pieces (blocks of the same name).
std::string LargeFile() {
  std::string data(10 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = char('a' + (i * i >> 9) % 26);
  return data;
}
}  // namespace

TEST(SetupRun, ExtractsRunsTheEngineAndKeepsItsExitCode) {
  TempDir dir;
  PackJob job = SampleJob();
  const std::string large = LargeFile();
  job.files.push_back({"data\\large.bin", "", large, kSampleDosTime});
  fs::path setup = WriteSetup(dir, job);
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
  for (const char* name : {"Engine.exe", "readme.txt", "data/numbers.bin", "data/large.bin"}) {
    fs::path file = work / name;
    ASSERT_TRUE(fs::exists(file)) << name;
    auto stamp = std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(fs::last_write_time(file)));
    EXPECT_EQ(stamp, SampleHostTime()) << name;
  }
  EXPECT_EQ(ReadFile(work / "readme.txt"), "Velkit sample\r\n");
  EXPECT_EQ(fs::file_size(work / "data/numbers.bin"), 3000u);
  EXPECT_TRUE(ReadFile(work / "data/large.bin") == large) << "the pieces of a large file";

  WriteFile(hold, "");
  EXPECT_EQ(stub.Wait(60000), 3) << "the engine's exit code";
  EXPECT_EQ(engine.Get("DialogClosed"), "1") << "the stub ended before the engine's dialog";
  EXPECT_FALSE(fs::exists(work)) << "the setup work folder stays";
}

// An engine may end with 259, the code Win32 also reports for a process that still runs: the
// stub sees the end all the same and passes the code on.
TEST(SetupRun, EngineExitCode259PassesOn) {
  TempDir dir;
  fs::path setup = WriteSetup(dir, SampleJob());
  EngineSteering engine(dir, "ExitCode=259\r\n");
  Process stub(LaunchArgs(dir, WinPath(setup) + " /hide"));
  ASSERT_TRUE(WaitFor([&] { return engine.Get("Ended") == "1"; }, 60000)) << "the engine did not run";
  const int exitCode = stub.Wait(60000);
  if (exitCode == -1) EndSetupProcesses(setup);
  ASSERT_NE(exitCode, -1) << "the stub still waits for the engine that ended";
  EXPECT_EQ(LaunchedExitCode(stub.Output()), 259) << stub.Output();
  EXPECT_FALSE(fs::exists(WorkFolderOf(setup)));
}

// Entry stamps that are no valid date-time cannot be set on a file. The entries are written whole
// all the same, keep the time of writing, and the engine (one of them) runs.
TEST(SetupRun, StampThatIsNoDateTimeKeepsTheEntryWhole) {
  auto dos = [](int year, int month, int day, int hour, int minute) {
    return uint32_t((year - 1980) * 512 + month * 32 + day) << 16 | uint32_t(hour * 2048 + minute * 32);
  };
  TempDir dir;
  PackJob job = SampleJob();
  job.engine.dosTime = dos(2024, 13, 14, 9, 26);
  job.files = {{"month0.txt", "", "month 0\r\n", dos(2024, 0, 14, 9, 26)},
               {"day0.txt", "", "day 0\r\n", dos(2024, 3, 0, 9, 26)},
               {"data\\hour24.bin", "", std::string(3000, '7'), dos(2024, 3, 14, 24, 0)},
               {"minute60.txt", "", "minute 60\r\n", dos(2024, 3, 14, 9, 60)},
               {"fine.txt", "", "fine\r\n", kSampleDosTime}};
  fs::path setup = WriteSetup(dir, job);
  fs::path work = WorkFolderOf(setup);
  fs::path hold = dir / "release";
  EngineSteering engine(dir, "ExitCode=8\r\nHoldFile=" + WinPath(hold) + "\r\n");
  const auto before = fs::file_time_type::clock::now() - std::chrono::seconds(2);
  Process stub(LaunchArgs(dir, WinPath(setup)));
  bool errorBox = false;
  ASSERT_TRUE(WaitFor(
      [&] {
        errorBox = Drive({"wait", "--title", "Error", "--timeout", "0"}) == 0;
        return errorBox || engine.Get("Ended") == "1";
      },
      60000));
  if (errorBox) {
    ADD_FAILURE() << "error box: " << DriveOutput({"list", "--title", "Error"});
    EndSetupProcesses(setup);
    return;
  }
  EXPECT_EQ(ReadFile(work / "month0.txt"), "month 0\r\n");
  EXPECT_EQ(ReadFile(work / "day0.txt"), "day 0\r\n");
  EXPECT_EQ(ReadFile(work / "data/hour24.bin"), std::string(3000, '7'));
  EXPECT_EQ(ReadFile(work / "minute60.txt"), "minute 60\r\n");
  for (const char* name : {"Engine.exe", "month0.txt", "day0.txt", "data/hour24.bin", "minute60.txt"})
    EXPECT_GE(fs::last_write_time(work / name), before) << name << " does not keep the time of writing";
  auto stamp =
      std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(fs::last_write_time(work / "fine.txt")));
  EXPECT_EQ(stamp, SampleHostTime());
  WriteFile(hold, "");
  EXPECT_EQ(stub.Wait(60000), 8);
}

// Only an atom that the engine could delete reports a completed installation. With the global
// atom table full (filled while the space question holds the run), the stub adds no atom: the
// engine finds none to delete, and the shortcuts stay.
TEST(SetupRun, CompletionAtomThatCouldNotBeAddedIsNoCompletedRun) {
  TempDir dir;
  PackJob job = SampleJob();
  job.update.infoFile = "App.info";
  job.options = kOptionConfirmTempExtract;
  fs::path setup = WriteSetup(dir, job);
  fs::path startUp = dir / "StartUp.lnk";
  WriteFile(startUp, "x");
  WriteFile(dir / "App.original", "[UnInstall]\r\nStartUpLink=" + WinPath(startUp) + "\r\n");
  WriteFile(dir / "App.info", "[NewSetup]\r\nRemoveStartUpShortcut=1\r\n");
  EngineSteering engine(dir, "DeleteAtom=1\r\nExitCode=4\r\n");
  Process stub(LaunchArgs(dir, WinPath(setup)));
  ASSERT_EQ(Drive({"wait", "--title", "Confirm", "--visible", "--timeout", "30000"}), 0) << "no question";
  {
    FullAtomTable full(dir);
    ASSERT_GT(full.added, 0);
    EXPECT_EQ(Drive({"click", "--title", "Confirm", "--button", "&Yes"}), 0);
    EXPECT_EQ(stub.Wait(60000), 4);
  }
  EXPECT_EQ(engine.Get("AtomFound"), "0") << "the atom was added after all";
  EXPECT_TRUE(fs::exists(startUp)) << "a run without its atom counted as completed";
}

// An entry that cannot be written whole (a file-size limit on the stub stands in for a disk that
// fills up): while the save-failure box is up, no part of it stands in the setup work folder, and
// the entries before it are there; after OK the run goes on to the engine.
TEST(SetupRun, EntryThatCannotBeWrittenWholeLeavesNoHalfFile) {
  TempDir dir;
  PackJob job = SampleJob();
  job.files.push_back({"data\\large.bin", "", LargeFile(), kSampleDosTime});
  fs::path setup = WriteSetup(dir, job);
  fs::path work = WorkFolderOf(setup);
  EngineSteering engine(dir, "ExitCode=6\r\n");
  Process stub;
  {
    // Above the first 4 MiB piece, below the whole.
    FileSizeLimit limit(6 << 20);
    stub = Process(LaunchArgs(dir, WinPath(setup)));
  }
  ASSERT_EQ(Drive({"wait", "--title", "Error", "--visible", "--timeout", "60000"}), 0) << "no save-failure box";
  std::string box = DriveOutput({"list", "--title", "Error"});
  EXPECT_NE(box.find("Unable to save Extracted File!"), std::string::npos) << box;
  EXPECT_NE(box.find("large.bin"), std::string::npos) << box;
  EXPECT_FALSE(fs::exists(work / "data/large.bin")) << fs::file_size(work / "data/large.bin") << " bytes of it stay";
  EXPECT_EQ(ReadFile(work / "readme.txt"), "Velkit sample\r\n");
  EXPECT_EQ(Drive({"click", "--title", "Error", "--button", "&OK"}), 0);
  EXPECT_EQ(stub.Wait(60000), 6);
  EXPECT_TRUE(engine.Ran());
  EXPECT_FALSE(fs::exists(work));
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
    job.options = kOptionConfirmTempExtract;
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
    job.options = kOptionConfirmTempExtract;
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
    Process run(LaunchArgs(dir, WinPath(setup) + " /hide"));
    // The X agent stays until it is told to quit (a countdown of 0: at its next tick).
    if (std::string(c.role) == "Role=XAgent") {
      EXPECT_EQ(Drive({"wait", "--class", ".AutoUpdate.x_app", "--timeout", "30000"}), 0);
      EXPECT_EQ(Drive({"send", "--class", ".AutoUpdate.x_app", "--msg", "1123", "--wparam", "0"}), 0);
    }
    EXPECT_EQ(run.Wait(60000), 0);
    debug.Stop();
    EXPECT_NE(debug.Text().find(" ==== ThisIs_AutoUpdateProg=TRUE"), std::string::npos) << debug.Text();
    EXPECT_NE(debug.Text().find(c.role), std::string::npos) << debug.Text();
    EXPECT_EQ(engine.Ran(), c.setupRuns);
    if (c.setupRuns) {
      EXPECT_NE(engine.Get("CommandLine").find(" /AutoUpdateProg"), std::string::npos);
    }
  }
}

// The user closes the stub window twice while the files are extracted. A debug viewer that holds
// the stub at its "FileLen=" line (inside the extraction, before the first entry) lets both
// closes arrive at a known point. The run ends as a cancel: no box, no engine, no folder.
TEST(SetupRun, SecondCloseDuringTheExtractionCancelsQuietly) {
  TempDir dir;
  fs::path setup = WriteSetup(dir, SampleJob());
  fs::path work = WorkFolderOf(setup);
  EngineSteering engine(dir, "");
  fs::path ready = dir / "viewer-ready", holding = dir / "holding", release = dir / "release", log = dir / "debug.txt";
  Process viewer({TestkitExe("debughold").string(), "--text", "FileLen=", "--holding", WinPath(holding), "--release",
                  WinPath(release), "--ready", WinPath(ready), "--out", WinPath(log)});
  ASSERT_TRUE(WaitFor([&] { return fs::exists(ready) || !viewer.Running(); }, 30000) && fs::exists(ready))
      << viewer.Output();

  Process stub(LaunchArgs(dir, WinPath(setup)));
  ASSERT_TRUE(WaitFor([&] { return fs::exists(holding); }, 60000)) << "the extraction did not start";
  // The stub window's class is the setup file's path.
  EXPECT_EQ(Drive({"wait", "--class", WinPath(setup), "--visible", "--timeout", "0"}), 0) << "the window is not shown";
  ASSERT_EQ(Drive({"close", "--class", WinPath(setup)}), 0);
  ASSERT_EQ(Drive({"close", "--class", WinPath(setup)}), 0);
  WriteFile(release, "");

  int code = stub.Wait(30000);
  if (code == -1 && Drive({"wait", "--title", "Error", "--timeout", "0"}) == 0) {
    ADD_FAILURE() << "a box: " << DriveOutput({"list", "--title", "Error"});
    Drive({"click", "--title", "Error", "--button", "&OK"});
    code = stub.Wait(30000);
  }
  EXPECT_EQ(code, 91);
  EXPECT_FALSE(engine.Ran());
  EXPECT_FALSE(fs::exists(work)) << "the setup work folder stays";
  RunWine({ToolExe("vdebug").string(), "--stop"}, 20000);
  EXPECT_EQ(viewer.Wait(10000), 0);
  const std::string text = ReadFile(log);
  EXPECT_NE(text.find("- wm_Destroy -"), std::string::npos) << text;
  EXPECT_NE(text.find("Setup run ended without an engine, exit code 91"), std::string::npos) << text;
}

// A setup file whose path is longer than a window class name may be (255 characters) cannot make
// its window: nothing runs, and the exit code says why.
TEST(SetupRun, SetupPathTooLongForTheWindowEndsWithItsCode) {
  TempDir dir;
  // 258 characters in all, below the 260 at which the system would not start it at all.
  const size_t base = WinPath(dir.path()).size() + 2 + std::string("Setup.exe").size();  // two separators
  ASSERT_LT(base, 258u - 10);
  fs::path folder = dir / std::string(258 - base, 'd');
  fs::create_directories(folder);
  fs::path setup = WriteSetup(dir, SampleJob());
  fs::rename(setup, folder / "Setup.exe");
  setup = folder / "Setup.exe";
  ASSERT_EQ(WinPath(setup).size(), 258u);
  EngineSteering engine(dir, "");
  DebugCapture debug;
  Result r = RunWine(LaunchArgs(dir, WinPath(setup) + " /hide"), 60000);
  debug.Stop();
  EXPECT_EQ(r.exitCode, 96) << debug.Text();
  EXPECT_FALSE(engine.Ran());
  EXPECT_NE(debug.Text().find("Stub window class not registered"), std::string::npos) << debug.Text();
}
