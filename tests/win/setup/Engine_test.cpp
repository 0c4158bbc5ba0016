// The test kit's engine and launcher: an exact command line reaches the engine, which records it
// and exits with the code it is told; it deletes the completion atom of its thread tag.
#include <gtest/gtest.h>

#include "SetupKit.h"

using namespace wine;
using namespace setupkit;

TEST(TestEngine, RecordsItsExactCommandLineAndExitsWithTheChosenCode) {
  TempDir dir;
  EngineSteering engine(dir, "ExitCode=7\r\n");
  std::string cmd = WinPath(TestkitExe("engine")) + "  /a  /TH_ID=_5 /OriginExe=\"C:\\x y\\S.exe\"";
  Result r = RunWine(LaunchArgs(dir, cmd, "C:\\windows"));
  EXPECT_EQ(r.exitCode, 7) << r.output;
  EXPECT_EQ(engine.Get("CommandLine"), cmd);
  EXPECT_EQ(engine.Get("Folder"), "C:\\windows");
  EXPECT_EQ(engine.Get("AtomFound"), "");  // not asked to delete it
}

TEST(TestEngine, LauncherReportsAFailedStart) {
  TempDir dir;
  Result r = RunWine(LaunchArgs(dir, "C:\\no\\such\\program.exe"));
  EXPECT_EQ(r.exitCode, 255);
}
