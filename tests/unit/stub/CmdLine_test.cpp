// Switch lookups on raw command lines, from tables of cases.
#include "stub/CmdLine.h"

#include <gtest/gtest.h>

namespace {
constexpr std::string_view kOwn = "C:\\Program Files\\App\\setup.exe";
std::string Line(std::string_view params) { return "\"" + std::string(kOwn) + "\" " + std::string(params); }
}  // namespace

TEST(CmdLine, ParameterPart) {
  struct Case {
    std::string raw, own, params;
  } cases[] = {
      {"\"C:\\dir\\setup.exe\" /a /b", "C:\\dir\\setup.exe", "/a /b"},
      {"C:\\dir\\setup.exe  /a ", "C:\\dir\\setup.exe", "/a"},
      {"C:\\DIR\\SETUP.EXE /a", "C:\\dir\\setup.exe", "/a"},
      {"\"C:\\dir\\setup.exe\"", "C:\\dir\\setup.exe", ""},
      {"C:\\dir\\setup.exe \"", "C:\\dir\\setup.exe", ""},  // a lone quote left over is nothing
      {"setup /a", "C:\\dir\\setup.exe", "setup /a"},
      // Started under a short name: the program path stays in the parameter part.
      {"C:\\PROGRA~1\\SETUP~1.EXE /a", "C:\\Program Files\\setup.exe", "C:\\PROGRA~1\\SETUP~1.EXE /a"},
      {"\"C:\\dir\\setup.exe\" /OriginExe=\"D:\\setup.exe\"", "C:\\dir\\setup.exe", "/OriginExe=\"D:\\setup.exe\""},
      {"prog /a", "", "prog /a"},
      {"", "C:\\dir\\setup.exe", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(GetCmdParams(c.raw, c.own), c.params) << c.raw;
}

TEST(CmdLine, ReadParamStr) {
  struct Case {
    std::string params, name, value;
  } cases[] = {
      {"/WAIT=5 /hide", "/hide", "TRUE"},  // bare at the very end
      {"/hide /WAIT=5", "/hide", ""},      // bare and followed by something
      {"/hide /WAIT=5", "/nothere", ""},
      {"/wait=7", "/WAIT=", "7"},
      {"/OriginExe=\"C:\\a b\\s.exe\" /hide", "/OriginExe=", "C:\\a b\\s.exe"},
      {"/OriginExe=\"C:\\a /b", "/OriginExe=", "C:\\a /b"},  // unclosed quote: the rest
      {"/OriginExe=C:\\a b\\s.exe /hide", "/OriginExe=", "C:\\a"},
      {"/DELAY=3/hide", "/DELAY=", "3"},
      {"/WAIT= 5", "/WAIT=", ""},  // a value never begins with a blank
      {"/STOP=", "/STOP=", "TRUE"},
      {"/X=\"a /WAIT=9\" /WAIT=5", "/WAIT=", "9\""},  // the first occurrence wins, even inside a value
      {"/TRANSIENT=1|0|1 /x", "/TRANSIENT=", "1|0|1"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadParamStr(c.name, Line(c.params), kOwn), c.value) << c.params;
}

TEST(CmdLine, ReadParamIntAndExists) {
  struct Case {
    std::string params, name;
    int64_t def, value;
  } cases[] = {
      {"/WAIT=5 /hide", "/WAIT=", 0, 5},
      {"/hide /WAIT=5", "/WAIT=", 0, 5},
      {"/wait=7", "/WAIT=", 0, 7},
      {"/STOP=abc", "/STOP=", -1, -1},
      {"/STOP=12abc", "/STOP=", -1, -1},
      {"/STOP=", "/STOP=", -1, -1},  // reads as "TRUE"
      {"/hide", "/STOP=", -1, -1},
      {"/SleepX=-4", "/SleepX=", -1, -4},
      {"/WAIT=99999999999999999999", "/WAIT=", 0, 0},
      {"/SpanCdLvl=2 /SpanDiskFName1=\"C:\\x.001\"", "/SpanCdLvl=", 1, 2},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadParamInt(c.name, c.def, Line(c.params), kOwn), c.value) << c.params;
  EXPECT_TRUE(ParamExists("/hide", Line("/WAIT=5 /hide"), kOwn));
  EXPECT_TRUE(ParamExists("/HIDE", Line("/hide /WAIT=5"), kOwn));
  EXPECT_FALSE(ParamExists("/hide", Line("/WAIT=5"), kOwn));
  EXPECT_FALSE(ParamExists("setup", Line("/WAIT=5"), kOwn));  // the program path is not a parameter
  EXPECT_FALSE(ParamExists("", Line("/WAIT=5"), kOwn));
}

TEST(CmdLine, ReadParamKey) {
  struct Case {
    std::string params, text, def, value;
  } cases[] = {
      {"/OriginExe=\"C:\\a b\\s.exe\" /hide", "/OriginExe", "d", "C:\\a b\\s.exe"},
      {"/originexe=C:\\a b\\s.exe /hide", " /OriginExe ", "d", "C:\\a b\\s.exe"},
      {"/ OriginExe =\"C:\\x.exe\"", "/OriginExe", "d", "C:\\x.exe"},
      {"/hide", "/OriginExe", "d", "d"},
      {"/OriginExe= /hide", "/OriginExe", "d", ""},  // there, but empty
      {"/OriginExeX=1", "/OriginExe", "d", "d"},
      {"/TH_ID=_12 /AutoUpdateProg", "/TH_ID", "", "_12"},
      {"/a=1", "/", "d", "d"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadParamKey(c.text, c.def, Line(c.params)), c.value) << c.params;
  // The whole command line is searched, program path included.
  EXPECT_EQ(ReadParamKey("/OriginExe", "", "C:/x/OriginExe=1/setup.exe"), "1");
}

TEST(CmdLine, QuotedSwitchReadsBack) {
  const std::string written = QuotedSwitch("/OriginExe=", "C:\\a b/c\\s.exe");
  EXPECT_EQ(written, "/OriginExe=\"C:\\a b/c\\s.exe\"");
  EXPECT_EQ(ReadParamStr("/OriginExe=", Line(written + " /hide"), kOwn), "C:\\a b/c\\s.exe");
}

TEST(CmdLine, DropSwitchRemovesEveryOccurrenceWithItsValue) {
  struct Case {
    std::string params, name, rest;
  } cases[] = {
      {"/a=1 /SpanCdLvl=1 /b", "/SpanCdLvl=", "/a=1 /b"},
      {"/spancdlvl=1 /b /SPANCDLVL=3", "/SpanCdLvl=", "/b "},
      {"/SpanCdLvl=1/hide", "/SpanCdLvl=", "/hide"},  // an unquoted value ends at "/"
      {"/SpanDiskFName1=\"C:\\a b/c.001\" /hide", "/SpanDiskFName1=", "/hide"},
      {"/SpanDiskFName1=\"C:\\a b", "/SpanDiskFName1=", ""},  // unclosed quote: the rest
      {"/SpanCdLvl= /hide", "/SpanCdLvl=", "/hide"},
      {"/SpanCdLvl=", "/SpanCdLvl=", ""},
      // Inside another switch's quoted value: the quotes stay paired.
      {"/X=\"a /SpanCdLvl=1\" /b", "/SpanCdLvl=", "/X=\"a \" /b"},
      {"/a /b", "/SpanCdLvl=", "/a /b"},
      {"/a", "", "/a"},
  };
  for (const auto& c : cases) {
    const std::string rest = DropSwitch(c.params, c.name);
    EXPECT_EQ(rest, c.rest) << c.params;
    if (!c.name.empty()) {
      EXPECT_FALSE(ParamExists(c.name, Line(rest), kOwn)) << c.params;
    }
  }
}
