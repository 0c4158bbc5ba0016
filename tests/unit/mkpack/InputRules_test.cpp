// mkpack's reading rules as tables: flags, numbers, known keys and options, and the faults that
// build and release report for settings and command lines before they touch a file.
#include "InputRules.h"

#include <gtest/gtest.h>

#include "Release.h"
#include "Settings.h"

namespace {

TEST(InputRules, FlagsAndNumbers) {
  struct FlagCase {
    const char* text;
    std::optional<bool> flag;
  };
  const FlagCase flags[] = {{"1", true},   {"YES", true},  {"True", true},  {"on", true},     {"0", false},
                            {"no", false}, {"FALSE", false}, {"Off", false}, {"", std::nullopt}, {"2", std::nullopt},
                            {"y", std::nullopt}, {" 1", std::nullopt}};
  for (const FlagCase& c : flags) EXPECT_EQ(ParseFlag(c.text), c.flag) << "\"" << c.text << "\"";

  struct NumberCase {
    const char* text;
    int64_t lo, hi;
    std::optional<int64_t> value;
  };
  const NumberCase numbers[] = {
      {"0", 0, 9, 0},           {"9", 0, 9, 9},          {"10", 0, 9, std::nullopt},
      {"-1", 0, 9, std::nullopt}, {"+5", 0, 9, 5},         {" 7 ", 0, 9, 7},
      {"", 0, 9, std::nullopt},   {"5x", 0, 9, std::nullopt}, {"4294967295", 0, 0xFFFFFFFFLL, 0xFFFFFFFFLL},
      {"99999999999999999999", 0, INT64_MAX, std::nullopt},
  };
  for (const NumberCase& c : numbers) EXPECT_EQ(NumberIn(c.text, c.lo, c.hi), c.value) << "\"" << c.text << "\"";
  EXPECT_EQ(NumberRangeText("Seed", 0, 9), "Seed must be a number from 0 to 9");
  EXPECT_EQ(NotAFlagText("[Web] AlwaysDownload", "maybe"), "[Web] AlwaysDownload=maybe is neither 1 nor 0");
}

TEST(InputRules, KnownKeys) {
  const KnownKey known[] = {{"Package", "Stub"}, {"Package", "Output"}, {"Web", "Url"}};
  struct Case {
    const char* ini;
    const char* fault;  // empty: every key known
  };
  const Case cases[] = {
      {"[Package]\nStub=a\nOutput=b\n[Web]\nUrl=c\n", ""},
      {"[package]\nstub=a\n", ""},
      {"[Package]\nStub=a\nStubs=b\n", "unknown key Stubs in [Package]"},
      {"[package]\nUrl=c\n", "unknown key Url in [package]"},
      {"[Pakage]\nStub=a\n", "unknown section [Pakage]"},
      {"[Language English]\nAnything=1\n", ""},
      {"[Language]\nAnything=1\n", "unknown section [Language]"},
  };
  for (const Case& c : cases) {
    IniFile ini;
    ASSERT_TRUE(ini.Parse(c.ini)) << c.ini;
    const auto unknown = FindUnknownKey(ini, known, "Language ");
    EXPECT_EQ(unknown ? UnknownKeyText(*unknown) : std::string(), c.fault) << c.ini;
  }
}

TEST(InputRules, Options) {
  struct Case {
    std::vector<std::string> options;
    const char* taken;  // what take() got, "option=value;" or "switch;"
    const char* error;
  };
  const Case cases[] = {
      {{}, "", ""},
      {{"--quiet", "--out", "x", "--out", "y"}, "--quiet;--out=x;--out=y;", ""},
      {{"--out", "--quiet"}, "--out=--quiet;", ""},
      {{"--out"}, "", "--out needs a value"},
      {{"--quiet", "--layout", "span"}, "--quiet;", "unknown option --layout (hint)"},
      {{"out", "x"}, "", "unknown option out (hint)"},
  };
  for (const Case& c : cases) {
    std::string taken;
    const auto take = [&](const std::string& opt, const std::string* value) {
      taken += opt + (value ? "=" + *value : "") + ";";
    };
    const auto hint = [](const std::string&) { return std::string(" (hint)"); };
    EXPECT_EQ(WalkOptions(c.options, {"--quiet"}, {"--out"}, take, hint), c.error) << c.taken;
    EXPECT_EQ(taken, c.taken);
  }
}

TEST(BuildSettings, FaultsOfSettingsAndCommandLine) {
  struct Case {
    const char* ini;
    std::vector<std::string> options;
    const char* error;
  };
  const char* const kMinimal = "[Package]\nStub=s.exe\nOutput=o.exe\n";
  const Case cases[] = {
      {kMinimal, {}, ""},
      {"[Package]\nStub=s.exe\nOutput=o.exe\nBogus=1\n", {}, "unknown key Bogus in [Package]"},
      {"[Pakage]\nStub=s.exe\n", {}, "unknown section [Pakage]"},
      {"[Package]\nOutput=o.exe\n[Language English]\nTitle=x\n", {}, "no stub (Stub= in [Package] or --stub)"},
      {"[Package]\nStub=s.exe\n", {}, "no output file (Output= in [Package] or --out)"},
      {"[Package]\nStub=s.exe\n", {"--out", "o.exe"}, ""},
      {kMinimal, {"--level"}, "--level needs a value"},
      {kMinimal, {"--bogus"}, "unknown option --bogus"},
      {kMinimal, {"--level", "10"}, "the compression level must be a number from 0 to 9"},
      {"[Package]\nStub=s.exe\nOutput=o.exe\nSeed=-1\n", {}, "Seed must be a number from 0 to 4294967295"},
      {"[Package]\nStub=s.exe\nOutput=o.exe\nChecksum=maybe\n", {}, "[Package] Checksum=maybe is neither 1 nor 0"},
      {"[Package]\nStub=s.exe\nOutput=o.exe\n[Options]\nAgentLog=2\n", {}, "[Options] AgentLog=2 is neither 1 nor 0"},
      {"[Package]\nStub=s.exe\nOutput=o.exe\nLayout=zip\n", {}, "layout \"zip\" is none of single, span, relaunch, web"},
      {"[Package]\nStub=s.exe\nOutput=o.exe\nLayout=span\n", {},
       "layout span needs a part size (PartSize= or --part-size), such as 1440K"},
      {"[Package]\nStub=s.exe\nOutput=o.exe\nLayout=SPAN\n", {"--part-size", "1440K"}, ""},
      {"[Package]\nStub=s.exe\nOutput=o.exe\nLayout=web\n[Web]\nUrl=http://h\n", {},
       "layout web needs Url= and SetupName= in [Web]"},
  };
  for (const Case& c : cases) {
    IniFile ini;
    ASSERT_TRUE(ini.Parse(c.ini)) << c.ini;
    BuildInputs in;
    EXPECT_EQ(ReadBuildInputs(ini, "/base", c.options, in), c.error) << c.ini;
  }
}

TEST(BuildSettings, PathsResolveAgainstTheSettingsFolder) {
  IniFile ini;
  ASSERT_TRUE(ini.Parse("[Package]\nStub=../stub/s.exe\nOutput=/abs/o.exe\nFiles=files\n"));
  BuildInputs in;
  ASSERT_EQ(ReadBuildInputs(ini, "/base/cfg", {"--engine", "e.exe"}, in), "");
  EXPECT_EQ(in.stubPath, "/base/stub/s.exe");
  EXPECT_EQ(in.outPath, "/abs/o.exe");
  EXPECT_EQ(in.filesDir, "/base/cfg/files");
  EXPECT_EQ(in.enginePath, "e.exe") << "a command-line path stays as given";
  EXPECT_EQ(Resolve("", "x"), "x");
}

TEST(ReleaseSettings, FaultsBeforeTheBuild) {
  struct Case {
    const char* ini;
    std::vector<std::string> options;
    const char* error;
  };
  const Case cases[] = {
      {"[Releases]\n", {}, "unknown section [Releases] (a release has [Release] and [NewSetup])"},
      {"[Release]\nVersionNew=2\n", {}, "unknown key VersionNew in [Release]"},
      {"[NewSetup]\nSizeOfUpdateFile=5\n", {},
       "[NewSetup] SizeOfUpdateFile is filled from the setup that mkpack builds; leave it out"},
      {"[NewSetup]\nVersionNew=2\n", {"--layout", "span"}, "unknown option --layout (an update setup is one file)"},
      {"[NewSetup]\nVersionNew=2\n", {"--bogus"}, "unknown option --bogus"},
      {"[NewSetup]\nVersionNew=2\n", {"--out"}, "--out needs a value"},
      {"[Release]\nFolder=up\n", {"--quiet"},
       "no setup settings (Setup= in [Release]): the mkpack build settings of the update setup"},
      {"[Release]\nSetup=setup.ini\n", {}, "no update folder (Folder= in [Release] or --out)"},
  };
  for (const Case& c : cases) {
    IniFile ini;
    ASSERT_TRUE(ini.Parse(c.ini)) << c.ini;
    Release release;
    EXPECT_EQ(ReadRelease(ini, "/base", c.options, release), c.error) << c.ini;
  }
}

}  // namespace
