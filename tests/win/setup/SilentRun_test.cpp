// Silent runs ("/hide", or the package's hide flag) never wait for a click: where a run with
// someone at the screen shows a box, a silent one writes the box's text to the debug channel and
// ends on its own, with the exit code that says why.
#include <gtest/gtest.h>

#include "SetupKit.h"
#include "setup/StubSetup.h"

using namespace wine;
using namespace setupkit;

namespace {
// Runs the setup and waits for it to end by itself; the debug channel meanwhile.
struct SilentRun {
  int exitCode = -1;
  std::string debug;
};
SilentRun RunSilently(const TempDir& dir, const fs::path& setup, const std::string& switches) {
  DebugCapture capture;
  Process stub(LaunchArgs(dir, WinPath(setup) + switches));
  SilentRun run;
  run.exitCode = stub.Wait(60000);  // -1: still waiting, for a click that never comes
  if (run.exitCode == -1) {
    // Answer the box, so that the run ends and the test fails instead of waiting with it.
    if (Drive({"click", "--class", "VMsgBox", "--button", "&Cancel"}) != 0)
      Drive({"click", "--class", "VMsgBox", "--button", "&OK"});
    stub.Wait(60000);
  }
  capture.Stop();
  run.debug = capture.Text();
  return run;
}
}  // namespace

TEST(SilentRun, ErrorsAreLoggedAndEndTheRunWithTheirCode) {
  enum class Fault { kChecksum, kZlib, kFileCannotBeSaved };
  struct Case {
    const char* name;
    Fault fault;
    bool hideFlag;
    const char* switches;
    int exitCode;  // the package's damage, or the engine's own code when it ran
    const char* line;
  } cases[] = {
      {"checksum, /hide", Fault::kChecksum, false, " /hide", 90, "Silent run, no box: Error: Bad CRC! "},
      {"zlib, hide flag", Fault::kZlib, true, "", 90, "Silent run, no box: Error: Bad CRC! "},
      {"save failure, /hide", Fault::kFileCannotBeSaved, false, " /hide", 7,
       "\\readme.txt\\x.bin Unable to save Extracted File! "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    PackJob job = SampleJob();
    job.update.hide = c.hideFlag;
    job.checksum = c.fault != Fault::kZlib;
    // A file inside another file: its folder cannot be made.
    if (c.fault == Fault::kFileCannotBeSaved) job.files.push_back({"readme.txt\\x.bin", "", "x", kSampleDosTime});
    fs::path setup = WriteSetup(dir, job);
    if (c.fault != Fault::kFileCannotBeSaved) {
      std::string image = ReadFile(setup);
      image[job.stub.size() + 5000] ^= 0x55;  // inside the engine's compressed block
      WriteFile(setup, image);
    }
    EngineSteering engine(dir, "ExitCode=7\r\n");
    const SilentRun run = RunSilently(dir, setup, c.switches);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.debug;
    EXPECT_NE(run.debug.find(c.line), std::string::npos) << run.debug;
    EXPECT_EQ(engine.Ran(), c.fault == Fault::kFileCannotBeSaved);
    fs::remove_all(WorkFolderOf(setup));  // left behind by a run that had to be killed
  }
}

// A part file that is missing cannot be asked for: the run ends as cancelled.
TEST(SilentRun, MissingDiskEndsTheRunAsCancelled) {
  TempDir dir;
  PackJob job = SampleJob();
  job.layout = PackLayout::Span;
  job.files.push_back({"big.bin", "", std::string(700000, 'b'), kSampleDosTime});
  job.partSize = 400000;
  job.level = 0;
  fs::path setup = dir / "Setup.exe";
  ASSERT_EQ(WritePackage(job, setup.string()), "");
  ASSERT_TRUE(fs::exists(dir / "Setup.exe.002"));
  fs::remove(dir / "Setup.exe.002");
  EngineSteering engine(dir, "");
  const SilentRun run = RunSilently(dir, setup, " /hide");
  EXPECT_EQ(run.exitCode, kExitCancelled) << run.debug;
  EXPECT_NE(run.debug.find("Silent run, no box: Attention: Please insert DISK #2 and press OK to continue"),
            std::string::npos)
      << run.debug;
  EXPECT_FALSE(engine.Ran());
  fs::remove_all(WorkFolderOf(setup));
}
