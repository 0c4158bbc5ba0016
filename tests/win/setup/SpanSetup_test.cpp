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
  // Stored, in part files of 400000 bytes: the engine (~230 KB) and the sample fill three.
  job.partSize = 400000;
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
