// A package spread over part files with the relaunch flag: the setup file copies itself to the
// setup work folder as "Y_" + its name and lets the copy run the setup from the part files.
#include <gtest/gtest.h>

#include "SetupKit.h"

using namespace wine;
using namespace setupkit;

namespace {
PackJob SpanJob() {
  PackJob job = SampleJob();
  job.layout = PackLayout::SpanRelaunch;
  job.files.push_back({"big.bin", "", std::string(700000, 'b'), kSampleDosTime});
  // Stored, in part files of 450000 bytes: the stub (~270 KB), the engine (~230 KB) and the sample
  // fill three, with room for the stub to grow by 150 KB.
  job.partSize = 450000;
  job.level = 0;
  return job;
}
}  // namespace

TEST(SpanSetup, RelaunchedCopyRunsTheSetupFromThePartsAndDeletesItself) {
  TempDir dir;
  std::vector<std::string> written;
  PackJob job = SpanJob();
  fs::path setup = dir / "Setup.exe";
  ASSERT_EQ(WritePackage(job, setup.string(), &written), "");
  ASSERT_EQ(written.size(), 4u) << "Setup.exe and three part files";
  fs::path work = WorkFolderOf(setup);
  fs::path hold = dir / "release";
  EngineSteering engine(dir, "ExitCode=6\r\nHoldFile=" + WinPath(hold) + "\r\n");
  std::string setupWin = WinPath(setup);

  // The copy outlives the first process and holds its output pipe (Wine hands the Unix
  // descriptors on), so the first process is waited for only once the copy has gone.
  Process first(LaunchArgs(dir, setupWin + " /hide"));
  ASSERT_TRUE(WaitFor([&] { return engine.Get("Ended") == "1"; }, 60000)) << "the engine did not run";
  std::string command = engine.Get("CommandLine");
  EXPECT_EQ(command.find(WinTempDir() + "\\" + work.filename().string() + "\\Engine.exe /hide /OriginExe=\"" +
                         setupWin + "\" /TH_ID=_"),
            0u)
      << command;
  EXPECT_EQ(command.find("/SpanCdLvl="), std::string::npos) << command;
  EXPECT_EQ(command.find("/SpanDiskFName1="), std::string::npos) << command;
  EXPECT_TRUE(fs::exists(work / "Y_Setup.exe"));
  EXPECT_EQ(fs::file_size(work / "big.bin"), 700000u) << "all parts extracted";
  EXPECT_EQ(ReadFile(work / "readme.txt"), "Velkit sample\r\n");

  WriteFile(hold, "");
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(work); }, 60000)) << "the copy and its folder stay";
  EXPECT_EQ(first.Wait(60000), 0) << "the first process ends once the copy runs";
}

TEST(SpanSetup, MissingPartAsksForTheDiskAndCancelRunsNothing) {
  TempDir dir;
  fs::path setup = dir / "Setup.exe";
  ASSERT_EQ(WritePackage(SpanJob(), setup.string()), "");
  fs::remove(dir / "Setup.exe.003");
  fs::path work = WorkFolderOf(setup);
  EngineSteering engine(dir, "");
  DebugCapture debug;
  Process first(LaunchArgs(dir, WinPath(setup)));
  ASSERT_EQ(Drive({"wait", "--title", "Attention", "--visible", "--timeout", "30000"}), 0) << "no disk question";
  std::string box = DriveOutput({"list", "--title", "Attention"});
  EXPECT_NE(box.find("DISK #3"), std::string::npos) << box;
  EXPECT_EQ(Drive({"click", "--title", "Attention", "--button", "&Cancel"}), 0);
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(work); }, 60000)) << "the copy and its folder stay";
  EXPECT_FALSE(engine.Ran());
  EXPECT_EQ(first.Wait(60000), 0);
  // The copy's own exit code says why (nobody waits for it, so the debug channel shows it).
  debug.Stop();
  EXPECT_NE(debug.Text().find("Setup run ended without an engine, exit code 91"), std::string::npos) << debug.Text();
}

namespace {
size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}
}  // namespace

// The setup file started again while its copy runs the setup: the second start finds the copy's
// window and leaves its setup work folder alone.
TEST(SpanSetup, SecondStartWhileTheCopyRunsLeavesItAlone) {
  TempDir dir;
  fs::path setup = dir / "Setup.exe";
  ASSERT_EQ(WritePackage(SpanJob(), setup.string()), "");
  fs::path work = WorkFolderOf(setup);
  fs::path hold = dir / "release";
  EngineSteering engine(dir, "HoldFile=" + WinPath(hold) + "\r\n");
  Process first(LaunchArgs(dir, WinPath(setup) + " /hide"));
  // The engine has ended; its held dialog keeps the copy running.
  ASSERT_TRUE(WaitFor([&] { return engine.Get("Ended") == "1"; }, 60000)) << "the engine did not run";

  DebugCapture debug;
  Result second = RunWine(LaunchArgs(dir, WinPath(setup) + " /hide"), 60000);
  debug.Stop();
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_NE(debug.Text().find("Role=SpanRelaunch (another instance runs)"), std::string::npos) << debug.Text();
  EXPECT_EQ(debug.Text().find("SpanDisk relaunch"), std::string::npos) << debug.Text();
  for (const char* name : {"Y_Setup.exe", "Engine.exe", "readme.txt", "big.bin", "data/numbers.bin"})
    EXPECT_TRUE(fs::exists(work / name)) << name << " went under the running copy";

  WriteFile(hold, "");
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(work); }, 60000)) << "the copy and its folder stay";
  EXPECT_EQ(first.Wait(60000), 0);
  EXPECT_EQ(engine.Get("Runs"), "1");
}

// The user's own level or first part on the command line: the relaunch replaces them, so the copy
// runs the setup from the parts of the file that was started, once, and does not relaunch again.
TEST(SpanSetup, UsersOwnSpanSwitchesAreReplacedByTheRelaunch) {
  for (const char* own : {"/SpanCdLvl=1", "/spandiskfname1=\"Z:\\nowhere\\Setup.exe.001\""}) {
    SCOPED_TRACE(own);
    TempDir dir;
    fs::path setup = dir / "Setup.exe";
    ASSERT_EQ(WritePackage(SpanJob(), setup.string()), "");
    fs::path work = WorkFolderOf(setup);
    EngineSteering engine(dir, "ExitCode=6\r\n");
    DebugCapture debug;
    Process first(LaunchArgs(dir, WinPath(setup) + " /hide " + own));
    EXPECT_TRUE(WaitFor([&] { return engine.Get("Ended") == "1"; }, 60000)) << "the engine did not run";
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(work); }, 60000)) << "the copy and its folder stay";
    EXPECT_EQ(first.Wait(60000), 0);
    debug.Stop();
    EXPECT_EQ(Count(debug.Text(), "==== SpanDisk relaunch >>"), 1u) << debug.Text();
    EXPECT_EQ(engine.Get("Runs"), "1");
    const std::string command = engine.Get("CommandLine");
    EXPECT_EQ(command.find("/SpanCdLvl="), std::string::npos) << command;
    EXPECT_EQ(command.find("/SpanDiskFName1="), std::string::npos) << command;
    EXPECT_EQ(command.find("/spandiskfname1="), std::string::npos) << command;
  }
}

// A relaunch that cannot copy the setup file into the setup work folder (a file is in the way), or
// cannot start the copy (its command line would pass the system's limit of 32767 characters),
// runs nothing and says so in its exit code.
TEST(SpanSetup, FailedRelaunchEndsWithItsCode) {
  struct Case {
    const char* name;
    bool blockFolder;
    bool longCommand;
  } cases[] = {{"copy", true, false}, {"start", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    fs::path setup = dir / "Setup.exe";
    ASSERT_EQ(WritePackage(SpanJob(), setup.string()), "");
    fs::path work = WorkFolderOf(setup);
    if (c.blockFolder) WriteFile(work, "in the way");
    std::string command = WinPath(setup) + " /hide";
    // The started line stays within the limit; the copy's, with its switches added, does not.
    if (c.longCommand) command += " /pad=" + std::string(32700 - command.size(), 'x');
    EngineSteering engine(dir, "");
    DebugCapture debug;
    Result r = RunWine(LaunchArgs(dir, command), 60000);
    debug.Stop();
    EXPECT_EQ(r.exitCode, 97) << debug.Text().substr(0, 2000);
    EXPECT_FALSE(engine.Ran());
    EXPECT_NE(debug.Text().find(c.blockFolder ? "SpanDisk relaunch: cannot copy" : "SpanDisk relaunch: cannot start"),
              std::string::npos)
        << debug.Text().substr(0, 2000);
    if (c.blockFolder) {
      EXPECT_EQ(ReadFile(work), "in the way");
      fs::remove(work);
    } else {
      EXPECT_FALSE(fs::exists(work)) << "the copy stays behind";
    }
  }
}

// A part file without a trailer of ours damages the set, though the engine came with an earlier
// part: zeros that sum to the value that turns the checksum off, or a foreign magic under a
// checksum that still matches. The error box, no engine, the bad-package exit code.
TEST(SpanSetup, PartWithoutItsTrailerShowsBadCrcAndRunsNothing) {
  struct Case {
    const char* name;
    bool zeros;
  } cases[] = {{"zeros", true}, {"foreign magic", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    PackJob job = SpanJob();
    job.layout = PackLayout::Span;
    fs::path setup = dir / "Setup.exe";
    std::vector<std::string> written;
    ASSERT_EQ(WritePackage(job, setup.string(), &written), "");
    ASSERT_GE(written.size(), 3u);
    std::string last = ReadFile(written.back());
    if (c.zeros) {
      last.assign(5000, '\0');
    } else {
      last[last.size() - 74 + 12] ^= 0x55;  // the magic; the checksum leaves the trailer out
    }
    WriteFile(written.back(), last);
    EngineSteering engine(dir, "ExitCode=6\r\n");
    Process stub(LaunchArgs(dir, WinPath(setup)));
    ASSERT_EQ(Drive({"wait", "--title", "Error", "--visible", "--timeout", "30000"}), 0) << "no error box";
    std::string box = DriveOutput({"list", "--title", "Error"});
    EXPECT_NE(box.find("Bad CRC!"), std::string::npos) << box;
    EXPECT_EQ(Drive({"click", "--title", "Error", "--button", "&OK"}), 0);
    EXPECT_EQ(stub.Wait(60000), 90);
    EXPECT_FALSE(engine.Ran());
    EXPECT_FALSE(fs::exists(WorkFolderOf(setup)));
  }
}
