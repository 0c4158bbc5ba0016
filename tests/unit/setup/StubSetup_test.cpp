// The setup run's pure pieces: size texts, switch removal, the engine's command line and the
// space question.
#include "setup/StubSetup.h"

#include <gtest/gtest.h>

TEST(StubSetup, SizeToMBText) {
  const double mb = 1048576;
  struct Case {
    double bytes;
    const char* text;
  } cases[] = {
      {0, "0.000"},
      {-5, "0.000"},
      {1, "0.000"},
      {524288, "0.500"},
      {mb, "1.00"},
      {1.5 * mb, "1.50"},
      {10 * mb, "10.00"},
      {10.5 * mb, "10.5"},
      {999.94 * mb, "999.9"},
      {0.9999 * mb, "1.000"},
      {64 * 1024 * mb, "65536.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(SizeToMBText(c.bytes), c.text) << c.bytes;
}

TEST(StubSetup, RemoveSwitch) {
  struct Case {
    const char* command;
    const char* name;
    const char* result;
  } cases[] = {
      {"E.exe /hide /SpanCdLvl=2 /x", "/SpanCdLvl=", "E.exe /hide /x"},
      {"E.exe /SpanCdLvl=2", "/SpanCdLvl=", "E.exe "},
      {"E.exe /a /SpanDiskFName1=\"C:\\d/e.001\" /b", "/SpanDiskFName1=", "E.exe /a /e.001\" /b"},
      {"E.exe /spancdlvl=2", "/SpanCdLvl=", "E.exe /spancdlvl=2"},  // exact case only
      {"E.exe /x", "/SpanCdLvl=", "E.exe /x"},
      {"/SpanCdLvl=2 /SpanCdLvl=3", "/SpanCdLvl=", "/SpanCdLvl=3"},  // the first occurrence only
  };
  for (const auto& c : cases) EXPECT_EQ(RemoveSwitch(c.command, c.name), c.result) << c.command;
}

TEST(StubSetup, EngineCommandLine) {
  EngineLaunch l;
  l.folder = "C:\\Temp\\SETUP_1";
  l.markedEntry = "Engine.exe*";
  l.threadTag = "_42";
  l.ownPath = "C:\\My Setups\\Setup.exe";
  struct Case {
    const char* marked;
    const char* extra;
    bool agent;
    const char* command;
  } cases[] = {
      {"Engine.exe*", "", false, "C:\\Temp\\SETUP_1\\Engine.exe /TH_ID=_42 /OriginExe=\"C:\\My Setups\\Setup.exe\""},
      {"Engine.exe*", "/x", false,
       "C:\\Temp\\SETUP_1\\Engine.exe /x /TH_ID=_42 /OriginExe=\"C:\\My Setups\\Setup.exe\""},
      {"Engine.exe* /y ", "/x", true,
       "C:\\Temp\\SETUP_1\\Engine.exe /x /y /TH_ID=_42 /OriginExe=\"C:\\My Setups\\Setup.exe\" /AutoUpdateProg"},
      {"Engine.exe", "/hide", false,
       "C:\\Temp\\SETUP_1\\Engine.exe /hide /TH_ID=_42 /OriginExe=\"C:\\My Setups\\Setup.exe\""},
      // A relaunched copy: its span switches go, its /OriginExe= stays and no second one is added.
      {"Engine.exe*", "/hide /SpanCdLvl=2 /SpanDiskFName1=\"D:\\Setup.exe.001\" /OriginExe=\"D:\\Setup.exe\"", false,
       "C:\\Temp\\SETUP_1\\Engine.exe /hide /OriginExe=\"D:\\Setup.exe\" /TH_ID=_42"},
  };
  for (const auto& c : cases) {
    l.markedEntry = c.marked;
    l.extra = c.extra;
    l.autoUpdateProg = c.agent;
    EXPECT_EQ(EngineCommandLine(l), c.command) << c.marked << " | " << c.extra;
  }
}

TEST(StubSetup, SharedNames) {
  EXPECT_EQ(ThreadTag(1234), "_1234");
  EXPECT_EQ(CompletionAtomName("_1234"), "AutoUpdateAtomTokenByVelkit_1234");
  EXPECT_EQ(EngineDialogClass("_1234"), ".SDialog_Class_Name._1234");
}

TEST(StubSetup, SpaceQuestion) {
  const double mb = 1048576;
  LangLookup defaults = [](std::string_view, std::string_view def) { return std::string(def); };
  // Ample room and no request from the package: nothing to ask.
  EXPECT_EQ(SpaceQuestionText(false, "c:\\temp", 1 * mb, 2 * mb, defaults), "");
  // Equal space counts as short.
  EXPECT_EQ(SpaceQuestionText(false, "c:\\temp", 2 * mb, 2 * mb, defaults),
            "Limited Free Space on your Temp Drive! (C:)<P><P>Estimated space required on your Temp drive is: <T>  "
            "2.00 MB<P>Free space available on your Temp drive is: <T>  2.00 MB<P><P>Continue with Setup?<P>");
  // Asked by the package with ample room: the notice, not the warning.
  std::string asked = SpaceQuestionText(true, "d:\\x", 0.5 * mb, 20 * mb, defaults);
  EXPECT_EQ(asked.find("Velkit will extract files to your Temp Drive (D:)<P><P>Estimated"), 0u) << asked;
  EXPECT_NE(asked.find("0.500 MB"), std::string::npos);
  EXPECT_NE(asked.find("20.0 MB"), std::string::npos);
  // Translated texts, with the placeholders wherever the translation puts them.
  LangLookup german = [](std::string_view key, std::string_view def) {
    return key == "s3" ? std::string("Wenig Platz auf <DRIVE>, <SPACE_AVAIL> frei|") : std::string(def);
  };
  EXPECT_EQ(SpaceQuestionText(false, "", 3 * mb, 2 * mb, german).substr(0, 24), "Wenig Platz auf , 2.00 f");
}
