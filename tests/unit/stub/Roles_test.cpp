// The role decision and the relaunch texts.
#include "stub/Roles.h"

#include <gtest/gtest.h>

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
