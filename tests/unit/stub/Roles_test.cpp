// The role decision and the relaunch texts.
#include "stub/Roles.h"

#include <gtest/gtest.h>

#include "stub/CmdLine.h"
#include "util/Utils.h"

namespace {
RoleInputs Inputs(bool autoUpdate, bool span, int level, const char* ownName, const char* auName) {
  RoleInputs in;
  in.autoUpdateProg = autoUpdate;
  in.wantsSpanRelaunch = span;
  in.spanCdLvl = level;
  in.ownName = ownName;
  in.agentExeName = auName;
  return in;
}
}  // namespace

TEST(Roles, DecidedFromFlagsAndOwnName) {
  struct Case {
    RoleInputs in;
    StubRole role;
  } cases[] = {
      {Inputs(true, false, 1, "App.exe", "App.exe"), StubRole::PlainAgent},
      {Inputs(true, false, 1, "X_App.exe", "App.exe"), StubRole::XAgent},
      {Inputs(true, false, 1, "x_app.EXE", "App.exe"), StubRole::XAgent},
      {Inputs(true, false, 1, " APP.exe ", " app.exe"), StubRole::PlainAgent},
      {Inputs(true, false, 1, "Setup.exe", "App.exe"), StubRole::PlainStub},
      // Without the auto-update flag the names do not matter.
      {Inputs(false, false, 1, "App.exe", "App.exe"), StubRole::PlainStub},
      {Inputs(false, false, 1, "X_App.exe", "App.exe"), StubRole::PlainStub},
      // A file without a package has no AU name; an empty name must not match.
      {Inputs(false, false, 1, "Setup.exe", ""), StubRole::PlainStub},
      {Inputs(false, true, 1, "Setup.exe", ""), StubRole::SpanRelaunch},
      {Inputs(false, true, 2, "Y_Setup.exe", ""), StubRole::PlainStub},
      {Inputs(false, true, 3, "Setup.exe", ""), StubRole::PlainStub},
      // The agent roles win over the relaunch.
      {Inputs(true, true, 1, "App.exe", "App.exe"), StubRole::PlainAgent},
      {Inputs(true, true, 1, "Setup.exe", "App.exe"), StubRole::SpanRelaunch},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RoleName(DecideRole(c.in)), std::string(RoleName(c.role)))
        << c.in.ownName << " / " << c.in.agentExeName << " level " << c.in.spanCdLvl;
}

TEST(Roles, OnlyLevelTwoDeletesItself) {
  EXPECT_FALSE(DeletesItselfAfterRun(1));
  EXPECT_TRUE(DeletesItselfAfterRun(2));
  EXPECT_FALSE(DeletesItselfAfterRun(3));
}

TEST(Roles, WindowClassNames) {
  EXPECT_EQ(StubWindowClassFor(false, "C:\\Setups\\My Setup.exe"), "C:\\Setups\\My Setup.exe");
  EXPECT_EQ(StubWindowClassFor(true, "C:\\Program Files\\App\\X_App.exe"), ".AutoUpdate.X_App");
  EXPECT_EQ(StubWindowClassFor(true, "C:\\App\\My.App.exe"), ".AutoUpdate.My.App");
  EXPECT_EQ(XAgentWindowClass("App.exe"), ".AutoUpdate.X_App");
  // The X agent's own class and the class the plain agent looks for are one and the same.
  EXPECT_EQ(StubWindowClassFor(true, "C:\\App\\X_App.exe"), XAgentWindowClass("App.exe"));
}

TEST(Roles, SpanRelaunchCopyAndArguments) {
  EXPECT_EQ(SpanCopyPath("C:\\Temp\\SETUP_123", "Setup.exe"), "C:\\Temp\\SETUP_123\\Y_Setup.exe");
  EXPECT_EQ(SpanRelaunchArgs("", "D:\\Setup.exe"),
            "/SpanCdLvl=2 /SpanDiskFName1=\"D:\\Setup.exe.001\" /OriginExe=\"D:\\Setup.exe\"");
  EXPECT_EQ(SpanRelaunchArgs("/hide /x=1", "D:\\My Disk\\Setup.exe"),
            "/hide /x=1 /SpanCdLvl=2 /SpanDiskFName1=\"D:\\My Disk\\Setup.exe.001\" /OriginExe=\"D:\\My "
            "Disk\\Setup.exe\"");
}

// A user's own level or first part must not shadow the relaunch's: the copy reads level 2 (so it
// runs the setup instead of relaunching again) and the parts of the setup that started it.
TEST(Roles, SpanRelaunchReplacesTheUsersSpanSwitches) {
  const std::string own = "D:\\Setup.exe";
  const std::string copy = "C:\\Temp\\SETUP_1\\Y_Setup.exe";
  struct Case {
    std::string params, kept;
  } cases[] = {
      {"/SpanCdLvl=1", ""},
      {"/hide /spancdlvl=x /a=1", "/hide /a=1"},
      {"/SpanCdLvl=3 /SpanCdLvl=1", ""},
      {"/SpanDiskFName1=\"E:\\other.001\" /hide", "/hide"},
      {"/SpanDiskFName1=E:\\x.001/SpanCdLvl=1 /b", "/b"},
      // Dropping one switch joins its neighbours into the other.
      {"/SpanCd/SpanDiskFName1=x Lvl=1 /b", "/b"},
      {"/SpanDisk/SpanCdLvl=1 FName1=x /b", "/b"},
  };
  for (const auto& c : cases) {
    const std::string args = SpanRelaunchArgs(c.params, own);
    EXPECT_EQ(args, Trim(c.kept + " /SpanCdLvl=2 /SpanDiskFName1=\"D:\\Setup.exe.001\" /OriginExe=\"D:\\Setup.exe\""))
        << c.params;
    const std::string line = copy + " " + args;
    EXPECT_EQ(ReadParamInt("/SpanCdLvl=", 1, line, copy), 2) << c.params;
    EXPECT_EQ(ReadParamStr("/SpanDiskFName1=", line, copy), own + ".001") << c.params;
  }
}
