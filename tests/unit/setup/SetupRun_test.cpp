// The setup run's decisions, from real packages through the recording host: how each way of
// ending (damaged, cancelled, declined, no engine, engine failed, engine ran) comes out as cause,
// exit code and what the user was shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "../pack/PackFixture.h"
#include "RecordingHost.h"
#include "net/InetHTTP.h"
#include "pack/PackWriter.h"
#include "pack/PackX.h"
#include "platform/System.h"
#include "setup/SetupBoxes.h"
#include "setup/SetupExtractUI.h"
#include "setup/SetupFolders.h"
#include "setup/StubSetup.h"
#include "setup/WebSetup.h"
#include "util/Files.h"
#include "util/VDebug.h"

using namespace fixture;
namespace fs = std::filesystem;

namespace {
struct CaptureSink : DebugViewerSink {
  std::string text;
  void Forward(std::string_view chunk) override { text.append(chunk); }
};

PackJob EngineJob() {
  PackJob job;
  job.stub = StubImage(1024);
  job.engine = {"Engine.exe", "", "MZ engine", 0};
  job.files = {{"readme.txt", "", "read me", 0}, {"data\\b.bin", "", std::string(70000, 'b'), 0}};
  return job;
}

class SetupRunTest : public ::testing::Test {
 public:
  std::string Write(const PackJob& job, const std::string& name = "Setup.exe") {
    const std::string path = dir.File(name);
    const std::string error = WritePackage(job, path);
    EXPECT_EQ(error, "");
    return path;
  }
  // inWorkFolder changes the work folder once it is ready, before the run extracts into it.
  SetupOutcome Run(const std::string& package, bool foreground = true,
                   const std::function<void(const std::string&)>& inWorkFolder = {}) {
    request.packageFile = package;
    request.folder = dir.File("work");
    request.ownPath = package;
    request.extraSwitches = "/x";
    request.foreground = foreground;
    PrepareWorkFolder(request.folder);  // as the stub does: every run starts from an empty folder
    if (inWorkFolder) inWorkFolder(request.folder);
    return RunSetupPackage(request, host);
  }
  TempDir dir;
  RecordingHost host;
  SetupRequest request;
};

TEST_F(SetupRunTest, EachWayOfEndingHasItsCauseAndCode) {
  struct Case {
    const char* name;
    std::function<void(PackJob&)> package;          // changes to the sample package
    std::function<void(const std::string&)> after;  // changes to its files once written
    std::function<void(RecordingHost&)> host;
    SetupCause cause;
    int exitCode;
    size_t errors, engines;
  } cases[] = {
      {"engine ran",
       {},
       {},
       [](RecordingHost& h) {
         h.engine = {true, true, 7, ""};
       },
       SetupCause::EngineRan,
       7,
       0,
       1},
      {"engine ran, no completion",
       {},
       {},
       [](RecordingHost& h) {
         h.engine = {true, false, 0, ""};
       },
       SetupCause::EngineRan,
       0,
       0,
       1},
      {"engine could not start",
       {},
       {},
       [](RecordingHost& h) {
         h.engine = {false, false, 0, "Access denied."};
       },
       SetupCause::EngineNotStarted,
       kExitEngineNotStarted,
       0,
       1},
      {"no engine", [](PackJob& j) { j.engine = {}; }, {}, {}, SetupCause::NoEngine, kExitNoEngine, 0, 0},
      {"checksum failed",
       {},
       [](const std::string& f) {
         std::fstream s(f, std::ios::in | std::ios::out | std::ios::binary);
         s.seekp(1100);
         s.put('\x7f');
       },
       {},
       SetupCause::Damaged,
       kExitBadPackage,
       1,
       0},
      {"no package at all",
       {},
       [](const std::string& f) { fs::remove(f); },
       {},
       SetupCause::Damaged,
       kExitBadPackage,
       1,
       0},
      {"space declined",
       [](PackJob& j) { j.options = kOptionConfirmTempExtract; },
       {},
       [](RecordingHost& h) { h.answerConfirm = false; },
       SetupCause::SpaceDeclined,
       kExitSpaceDeclined,
       0,
       0},
      {"window closed while extracting",
       {},
       {},
       [](RecordingHost& h) { h.closeAfterSteps = 1; },
       SetupCause::Cancelled,
       kExitCancelled,
       0,
       0},
      {"space confirmed",
       [](PackJob& j) { j.options = kOptionConfirmTempExtract; },
       {},
       {},
       SetupCause::EngineRan,
       0,
       0,
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host = RecordingHost();
    PackJob job = EngineJob();
    if (c.package) c.package(job);
    const std::string package = Write(job);
    if (c.after) c.after(package);
    if (c.host) c.host(host);
    const SetupOutcome outcome = Run(package);
    EXPECT_EQ(outcome.cause, c.cause) << SetupCauseName(outcome.cause);
    EXPECT_EQ(outcome.exitCode, c.exitCode);
    EXPECT_EQ(host.errors.size(), c.errors);
    EXPECT_EQ(host.engines.size(), c.engines);
    if (c.cause == SetupCause::EngineNotStarted) {
      EXPECT_EQ(outcome.systemError, "Access denied.");
    }
    if (c.errors) {
      EXPECT_EQ(host.errors[0].text.rfind("Bad CRC!", 0), 0u) << host.errors[0].text;
    }
  }
}

// The engine's run step by step: the completion atom before the start, the window hidden, a
// second's wait, the process, the dialogs it may leave, another second, the atom's check. Only an
// atom that was added and is gone afterwards means a completed installation; one that is still
// there is taken away.
TEST_F(SetupRunTest, TheEngineRunsInItsOrderAndTheAtomTellsWhetherItCompleted) {
  struct Case {
    const char* name;
    bool atomAdded;
    EngineRun engine;  // started, deletes the atom, exit code, system error
    SetupCause cause;
    int exitCode;
    bool completed, atomLeft;
  } cases[] = {
      {"completed", true, {true, true, 7, ""}, SetupCause::EngineRan, 7, true, false},
      {"exit code that reads as still active", true, {true, true, 259, ""}, SetupCause::EngineRan, 259, true, false},
      {"atom left behind", true, {true, false, 2, ""}, SetupCause::EngineRan, 2, false, true},
      {"atom not added", false, {true, true, 0, ""}, SetupCause::EngineRan, 0, false, false},
      {"not started",
       true,
       {false, false, 0, "Access denied."},
       SetupCause::EngineNotStarted,
       kExitEngineNotStarted,
       false,
       true},
  };
  const std::string package = Write(EngineJob());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host = RecordingHost();
    host.atomAdded = c.atomAdded;
    host.engine = c.engine;
    CaptureSink sink;
    DebugViewerSink* previousSink = SetDebugViewerSink(&sink);
    const SetupOutcome outcome = Run(package);
    SetDebugViewerSink(previousSink);
    EXPECT_EQ(outcome.cause, c.cause) << SetupCauseName(outcome.cause);
    EXPECT_EQ(outcome.exitCode, c.exitCode);
    EXPECT_EQ(outcome.completed, c.completed);
    EXPECT_EQ(outcome.systemError, c.engine.systemError);
    ASSERT_EQ(host.engines.size(), 1u);
    const std::string dialogs = ".SDialog_Class_Name._" + std::to_string(CurrentThreadId());
    EXPECT_EQ(host.engines[0].dialogClass, dialogs);
    std::vector<std::string> steps = {"add atom",      "start shown",           "hide",      "wait 1000",
                                      "wait for exit", "wait while " + dialogs, "wait 1000", "find atom"};
    if (c.atomLeft) steps.push_back("delete atom");
    const auto first = std::find(host.log.begin(), host.log.end(), "add atom");
    EXPECT_EQ(std::vector<std::string>(first, host.log.end()), steps);
    EXPECT_FALSE(host.atomThere) << "no atom outlives the run";
    EXPECT_EQ(sink.text.find("Completion atom not added, error 8") != std::string::npos, !c.atomAdded) << sink.text;
  }
}

TEST_F(SetupRunTest, TheEngineIsStartedFromTheExtractedFilesWithTheRunsSwitches) {
  host.engine = {true, true, 3, ""};
  request.autoUpdateProg = true;
  const SetupOutcome outcome = Run(Write(EngineJob()));
  EXPECT_EQ(outcome.exitCode, 3);
  EXPECT_TRUE(outcome.completed);
  ASSERT_EQ(host.engines.size(), 1u);
  const EngineStart& e = host.engines[0];
  const std::string folder = dir.File("work");
  EXPECT_EQ(e.command.rfind(folder + "\\Engine.exe /x /TH_ID=_", 0), 0u) << e.command;
  EXPECT_NE(e.command.find("/OriginExe=\"" + dir.File("Setup.exe") + "\" /AutoUpdateProg"), std::string::npos);
  EXPECT_TRUE(e.show);
  EXPECT_EQ(e.atomName.rfind("AutoUpdateAtomTokenByVelkit_", 0), 0u);
  EXPECT_EQ(e.dialogClass.rfind(".SDialog_Class_Name._", 0), 0u);
  EXPECT_EQ(ReadAll(folder + "/readme.txt"), "read me");
  EXPECT_EQ(host.log.front(), "status Extracting Files...");
  EXPECT_EQ(host.log[1], "show");
  EXPECT_EQ(host.resets, 2);
  EXPECT_EQ(host.steps, 3);  // one per entry
}

TEST_F(SetupRunTest, ASilentRunAsksNothingAndHidesTheEngine) {
  PackJob job = EngineJob();
  job.options = kOptionConfirmTempExtract;
  host.answerConfirm = false;
  const SetupOutcome outcome = Run(Write(job), false);
  EXPECT_EQ(outcome.cause, SetupCause::EngineRan);
  EXPECT_TRUE(host.confirms.empty());
  ASSERT_EQ(host.engines.size(), 1u);
  EXPECT_FALSE(host.engines[0].show);
  EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "show"), 0);
}

// A silent run shows no box whatever it meets: the box's line goes to the debug channel and the
// exit code says why the run ended.
TEST_F(SetupRunTest, ASilentRunShowsNoBoxButLogsItsLine) {
  struct Case {
    const char* name;
    std::function<std::string(SetupRunTest&)> package;  // the package file to run
    SetupCause cause;
    const char* line;
  } cases[] = {
      {"damaged",
       [](SetupRunTest& t) {
         const std::string f = t.Write(EngineJob());
         std::fstream s(f, std::ios::in | std::ios::out | std::ios::binary);
         s.seekp(1100);
         s.put('\x7f');
         return f;
       },
       SetupCause::Damaged, "Silent run, no box: Error: Bad CRC!"},
      {"missing part",
       [](SetupRunTest& t) {
         PackJob job = EngineJob();
         job.layout = PackLayout::Span;
         job.partSize = 40000;
         job.level = 0;
         std::vector<std::string> written;
         EXPECT_EQ(WritePackage(job, t.dir.File("Setup.exe"), &written), "");
         fs::remove(written.back());
         return written.front();
       },
       SetupCause::Cancelled, "Silent run, no box: Attention: Please insert DISK #"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host = RecordingHost();
    CaptureSink sink;
    DebugViewerSink* previousSink = SetDebugViewerSink(&sink);
    const SetupOutcome outcome = Run(c.package(*this), false);
    SetDebugViewerSink(previousSink);
    EXPECT_EQ(outcome.cause, c.cause) << SetupCauseName(outcome.cause);
    EXPECT_EQ(outcome.exitCode, SetupExitCodeFor(c.cause, 0));
    EXPECT_TRUE(host.errors.empty() && host.confirms.empty() && host.confirmOks.empty()) << "a box was shown";
    EXPECT_NE(sink.text.find(c.line), std::string::npos) << sink.text;
    EXPECT_TRUE(host.engines.empty());
  }
}

TEST_F(SetupRunTest, ACancelledDiskQuestionIsACancelNotAMissingEngine) {
  PackJob job = EngineJob();
  job.layout = PackLayout::Span;
  job.partSize = 40000;
  job.level = 0;
  std::vector<std::string> written;
  ASSERT_EQ(WritePackage(job, dir.File("Setup.exe"), &written), "");
  ASSERT_GE(written.size(), 2u);
  fs::remove(written.back());
  const SetupOutcome outcome = Run(written.front());
  EXPECT_EQ(outcome.cause, SetupCause::Cancelled);
  EXPECT_EQ(outcome.exitCode, kExitCancelled);
  ASSERT_EQ(host.confirmOks.size(), 1u);
  EXPECT_EQ(host.confirmOks[0].text,
            "Please insert <B>DISK #" + std::to_string(written.size()) + "</B> and press OK to continue");
  EXPECT_EQ(host.confirmOks[0].caption, "Attention");
  EXPECT_TRUE(host.engines.empty());
}

TEST(SetupExtractUI, TheDiskQuestionNamesThePartAndTheRestGoesToTheHost) {
  RecordingHost host;
  host.answerDisk = [](int n) { return n == 1; };
  const SetupBoxes boxes(host, false);
  SetupExtractUI ui(host, boxes, {"Disk <disk_num> of <DISK_NUM>", "Att", "|&OK|&Cancel|", 204});
  EXPECT_FALSE(ui.ConfirmNextDisk(3));
  EXPECT_TRUE(ui.ConfirmNextDisk(4));
  ASSERT_EQ(host.confirmOks.size(), 2u);
  EXPECT_EQ(host.confirmOks[0].text, "Disk 3 of 3");
  EXPECT_EQ(host.confirmOks[1].text, "Disk 4 of 4");
  EXPECT_EQ(host.confirmOks[1].caption, "Att");
  EXPECT_EQ(host.confirmOks[1].charset, 204);
  ui.Reset(5, 0, 1);
  ui.Step("");
  ui.ShowError("Unable to save");
  EXPECT_EQ(host.resets, 1);
  EXPECT_EQ(host.steps, 1);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0].caption, "") << "the kind's own caption";
}

TEST_F(SetupRunTest, ADamagedEntryBehindADisabledChecksumCarriesZlibsText) {
  PackJob job = EngineJob();
  job.checksum = false;
  job.files = {{"text.txt", "", std::string(200000, 'a'), 0}};
  const std::string package = Write(job);
  // The last block before the trailer is the file's zlib stream: its end and check value go.
  std::string bytes = ReadAll(package);
  for (size_t i = bytes.size() - 74 - 12; i < bytes.size() - 74; ++i) bytes[i] = char(0xFF);
  dir.Write("Setup.exe", bytes);
  const SetupOutcome outcome = Run(package);
  EXPECT_EQ(outcome.cause, SetupCause::Damaged);
  EXPECT_EQ(outcome.exitCode, kExitBadPackage);
  EXPECT_FALSE(outcome.systemError.empty());
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_NE(host.errors[0].text.find("<P><P>" + outcome.systemError), std::string::npos) << host.errors[0].text;
}

// A file that cannot be saved shows its box once per run: an agent that runs setups for months
// shows the first failure of every run, not only of its first.
TEST_F(SetupRunTest, EveryRunShowsItsFirstSaveFailure) {
  const std::string package = Write(EngineJob());
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    host = RecordingHost();
    // A folder where the run writes readme.txt.
    const SetupOutcome outcome =
        Run(package, true, [](const std::string& work) { fs::create_directory(work + "/readme.txt"); });
    EXPECT_EQ(outcome.cause, SetupCause::EngineRan) << SetupCauseName(outcome.cause);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].text.find("readme.txt<P><P>Unable to save Extracted File!"), std::string::npos)
        << host.errors[0].text;
  }
}

TEST_F(SetupRunTest, ACompletedInstallationRemovesTheShortcutsItsSettingsName) {
  const std::string startUp = dir.Write("startup.lnk", "x"), update = dir.Write("update.lnk", "y");
  request.infoFile = dir.Write("App.info", "[NewSetup]\nRemoveStartUpShortcut=1\n");
  request.originalFile =
      dir.Write("App.original", "[UnInstall]\nStartUpLink=" + startUp + "\nCheckforNewUpdateLink=" + update + "\n");
  host.engine = {true, false, 0, ""};
  Run(Write(EngineJob()));
  EXPECT_TRUE(fs::exists(startUp)) << "not completed: nothing removed";
  host.engine = {true, true, 0, ""};
  Run(Write(EngineJob()));
  EXPECT_FALSE(fs::exists(startUp));
  EXPECT_TRUE(fs::exists(update)) << "its flag is not set";
}

TEST_F(SetupRunTest, AWebSetupThatCannotDownloadEndsAsADownloadFailure) {
  PackJob job = EngineJob();
  request.folder = dir.File("work");
  request.foreground = true;
  const TGFileInfo own(Write(job));  // no web block: an address that the host build cannot reach
  InetHttpClient client;             // the host build's: no Internet
  const SetupOutcome outcome = FetchAndRunWebSetup(request, own, "http://127.0.0.1:1/dl", "Pkg.exe", host, client);
  EXPECT_EQ(outcome.cause, SetupCause::DownloadFailed);
  EXPECT_EQ(outcome.exitCode, kExitDownloadFailed);
  EXPECT_EQ(host.errors.size(), 1u);
  EXPECT_TRUE(host.engines.empty());

  // Silent: the same end, with its line instead of the box.
  host = RecordingHost();
  request.foreground = false;
  CaptureSink sink;
  DebugViewerSink* previousSink = SetDebugViewerSink(&sink);
  const SetupOutcome silent = FetchAndRunWebSetup(request, own, "http://127.0.0.1:1/dl", "Pkg.exe", host, client);
  SetDebugViewerSink(previousSink);
  EXPECT_EQ(silent.exitCode, kExitDownloadFailed);
  EXPECT_TRUE(host.errors.empty());
  EXPECT_NE(sink.text.find("Silent run, no box: Error: "), std::string::npos) << sink.text;
}
}  // namespace
