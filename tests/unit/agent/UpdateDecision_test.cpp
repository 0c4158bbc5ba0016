// The update decision: every code of the chain with the boundaries of each test, the size check's
// sources and its 99/100 boundary, the 404 page as information file, the stamp and re-ask rules
// over time, and the manual-mode report and check-now question.
#include "agent/UpdateDecision.h"

#include <gtest/gtest.h>

#include <map>

#include "../env/FakeEnvironment.h"
#include "FakeIniStore.h"

namespace {
const std::string kOriginal = "C:\\App\\App.original", kInfo = "C:\\App\\App.info";
constexpr int64_t kNow = 4005727509;  // FakeClock's 2026-12-06 14:05:09

// Files by path, an Internet of sizes by address, and a count of every question asked.
class FakeSizes : public UpdateFileSizes {
 public:
  std::map<std::string, int64_t> files, web;
  bool connected = true;
  mutable int asked = 0;
  mutable std::vector<std::string> tried;

  std::optional<int64_t> LocalFileSize(std::string_view path) const override {
    ++asked;
    tried.emplace_back(path);
    auto it = files.find(std::string(path));
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  bool Connected() const override {
    ++asked;
    return connected;
  }
  int64_t HttpFileSize(std::string_view url) const override {
    ++asked;
    tried.emplace_back(url);
    auto it = web.find(std::string(url));
    return it == web.end() ? -1 : it->second;
  }
};

class DecisionTest : public ::testing::Test {
 protected:
  // An installed version 5 and an offer of version 6 that passes every test.
  void SetUp() override {
    original_.SetVersionOriginal(5);
    original_.SetStamp(100);
    Info("VersionNew", "6");
    Info("Stamp", "101");
    Info("DownloadURL_UPDATE", "http://up.example/app");
    Info("NameOfUpdateFile", "Up.exe");
    Info("SizeOfUpdateFile", "1000");
    sizes_.web["http://up.example/app/Up.exe"] = 1000;
  }
  void Info(const char* key, const char* value, const char* section = "NewSetup") {
    ini_.Write(kInfo, section, key, value);
  }
  void Original(const char* key, const char* value) { ini_.Write(kOriginal, "OriginalSetup", key, value); }
  Decision Decide(bool fetched = true, bool manual = false, const TestSource& test = {}) {
    return GetOkToPerformAU(fetched, original_, info_, manual, test, clock_, sizes_);
  }

  FakeIniStore ini_;
  OverrideList overrides_;
  OriginalFile original_{ini_, kOriginal};
  InfoFile info_{ini_, kInfo, overrides_};
  FakeClock clock_;
  FakeSizes sizes_;
};
}  // namespace

TEST(DecisionText, TheSevenTextsInCodeOrder) {
  const char* texts[] = {"Error downloading .INFO file",
                         "Error reading .ORIGINAL file",
                         "Too early for retesting",
                         "New version is not higher then old version",
                         "\"Valid for version\" mismatch",
                         "Download file size error",
                         "OK"};
  for (int code = 0; code < 7; ++code) EXPECT_EQ(DecisionText(code), texts[code]) << code;
  EXPECT_EQ(DecisionText(7), "");
  EXPECT_EQ(DecisionText(-1), "");
  Decision d;
  d.code = 6;
  d.text = DecisionText(6);
  EXPECT_EQ(d.LogLine(), "GetOkToPerformAU = 6 - OK");
  d.code = 4;
  d.text = DecisionText(4);
  EXPECT_EQ(d.LogLine(), "GetOkToPerformAU = 4 - \"Valid for version\" mismatch");
}

TEST_F(DecisionTest, EveryCodeAndTheBoundaryOfEachTest) {
  struct Case {
    const char* label;
    std::vector<std::pair<const char*, const char*>> original, info;  // keys changed from SetUp's
    bool fetched, manual;
    int code;
  };
  const std::string now = IntToStr(kNow);
  const std::string hourAgo = IntToStr(kNow - 3600), hourAndOneAgo = IntToStr(kNow - 3601);
  const Case cases[] = {
      {"all passes", {}, {}, true, false, 6},
      {"not fetched", {}, {}, false, false, 0},
      {"not fetched, manual", {}, {}, false, true, 0},
      {"no installed version", {{"VersionOriginal", ""}}, {}, true, false, 1},
      {"installed version 0", {{"VersionOriginal", "0"}}, {}, true, false, 1},
      {"installed version -3", {{"VersionOriginal", "-3"}}, {}, true, false, 1},
      {"installed version 2^32+5 is 5", {{"VersionOriginal", "4294967301"}}, {}, true, false, 6},
      {"same stamp, no re-ask", {{"Stamp", "101"}}, {}, true, false, 2},
      {"same stamp, manual", {{"Stamp", "101"}}, {}, true, true, 6},
      {"both stamps missing", {{"Stamp", ""}}, {{"Stamp", ""}}, true, false, 2},
      {"same stamp, re-ask due exactly now",
       {{"Stamp", "101"}, {"ReAskSecondsInterval", "3600"}, {"ReAskSecondsLast", hourAgo.c_str()}},
       {},
       true,
       false,
       2},
      {"same stamp, re-ask a second past",
       {{"Stamp", "101"}, {"ReAskSecondsInterval", "3600"}, {"ReAskSecondsLast", hourAndOneAgo.c_str()}},
       {},
       true,
       false,
       6},
      {"same stamp, negative re-ask interval",
       {{"Stamp", "101"}, {"ReAskSecondsInterval", "-10"}, {"ReAskSecondsLast", "0"}},
       {},
       true,
       false,
       2},
      {"same stamp, re-ask last at the top wraps",
       {{"Stamp", "101"}, {"ReAskSecondsInterval", "10"}, {"ReAskSecondsLast", "9223372036854775807"}},
       {},
       true,
       false,
       6},
      {"same version", {}, {{"VersionNew", "5"}}, true, false, 3},
      {"same version, manual", {}, {{"VersionNew", "5"}}, true, true, 3},
      {"older version", {}, {{"VersionNew", "4"}}, true, false, 3},
      {"no new version", {}, {{"VersionNew", ""}}, true, false, 3},
      {"new version 2^32+6 is 6", {}, {{"VersionNew", "4294967302"}}, true, false, 6},
      {"new version 2^31 is negative", {}, {{"VersionNew", "2147483648"}}, true, false, 3},
      {"valid for 4,5", {}, {{"ValidVersions", "4,5"}}, true, false, 6},
      {"valid for 3,4", {}, {{"ValidVersions", "3,4"}}, true, false, 4},
      {"valid for 5", {}, {{"ValidVersions", "5"}}, true, false, 6},
      {"valid for 15 is not 5", {}, {{"ValidVersions", "15,25"}}, true, false, 4},
      {"valid for 4, 5 (a blank)", {}, {{"ValidVersions", "4, 5"}}, true, false, 4},
      {"valid for 5 and more", {}, {{"ValidVersions", "5,6"}}, true, false, 6},
      {"size 99 bytes over", {}, {{"SizeOfUpdateFile", "901"}}, true, false, 6},
      {"size 100 bytes over", {}, {{"SizeOfUpdateFile", "900"}}, true, false, 5},
      {"size 99 bytes under", {}, {{"SizeOfUpdateFile", "1099"}}, true, false, 6},
      {"size 100 bytes under", {}, {{"SizeOfUpdateFile", "1100"}}, true, false, 5},
      {"size not announced, file there", {}, {{"SizeOfUpdateFile", ""}}, true, false, 5},
      {"no such file, size not announced",
       {},
       {{"NameOfUpdateFile", "Other.exe"}, {"SizeOfUpdateFile", ""}},
       true,
       false,
       6},  // -1 against 0
      {"no such file, size 98 announced",
       {},
       {{"NameOfUpdateFile", "Other.exe"}, {"SizeOfUpdateFile", "98"}},
       true,
       false,
       6},
      {"no such file, size 99 announced",
       {},
       {{"NameOfUpdateFile", "Other.exe"}, {"SizeOfUpdateFile", "99"}},
       true,
       false,
       5},
  };
  for (const Case& c : cases) {
    SetUp();
    for (const auto& [key, value] : c.original) Original(key, value);
    for (const auto& [key, value] : c.info) Info(key, value);
    const Decision d = Decide(c.fetched, c.manual);
    EXPECT_EQ(d.code, c.code) << c.label;
    EXPECT_EQ(d.text, DecisionText(c.code)) << c.label;
    EXPECT_EQ(d.Ok(), c.code == 6) << c.label;
    // The size check, the only test that asks the machine, runs only when every other passed.
    EXPECT_EQ(d.sizeCheck.has_value(), c.code >= 5) << c.label;
    if (c.code < 5) {
      EXPECT_EQ(sizes_.asked, 0) << c.label;
    }
    sizes_.asked = 0;
    for (const auto& [key, value] : c.original) ini_.Erase(kOriginal, "OriginalSetup", key);
    for (const auto& [key, value] : c.info) ini_.Erase(kInfo, "NewSetup", key);
  }
}

TEST_F(DecisionTest, TheSizeCheckLooksLocallyThenOnTheWeb) {
  struct Case {
    const char* label;
    bool testMode, connected, autoInform;
    const char* name;
    std::map<std::string, int64_t> files, web;
    int64_t actual;
    const char* location;
    std::vector<std::string> tried;
  };
  const Case cases[] = {
      {"web",
       false,
       true,
       false,
       "Up.exe",
       {},
       {{"http://up/Up.exe", 1000}},
       1000,
       "http://up/Up.exe",
       {"http://up\\Up.exe", "http://up/Up.exe"}},
      {"a local copy wins",
       false,
       true,
       false,
       "Up.exe",
       {{"http://up\\Up.exe", 990}},
       {{"http://up/Up.exe", 1000}},
       990,
       "http://up\\Up.exe",
       {"http://up\\Up.exe"}},
      {"not connected: no web",
       false,
       false,
       false,
       "Up.exe",
       {},
       {{"http://up/Up.exe", 1000}},
       -1,
       "http://up\\Up.exe",
       {"http://up\\Up.exe"}},
      {"test mode: the test folder only",
       true,
       true,
       false,
       "Up.exe",
       {{"D:\\Test\\Up.exe", 1000}},
       {{"http://up/Up.exe", 5}},
       1000,
       "D:\\Test\\Up.exe",
       {"D:\\Test\\Up.exe"}},
      {"test mode, missing: never the web",
       true,
       true,
       false,
       "Up.exe",
       {},
       {{"http://up/Up.exe", 1000}},
       -1,
       "D:\\Test\\Up.exe",
       {"D:\\Test\\Up.exe"}},
      {"a folder part is dropped",
       false,
       true,
       false,
       "sub\\dir/Up.exe",
       {},
       {{"http://up/Up.exe", 1000}},
       1000,
       "http://up/Up.exe",
       {"http://up\\Up.exe", "http://up/Up.exe"}},
      {"an inform announcement checks the inform file",
       false,
       true,
       true,
       "Up.exe",
       {},
       {{"http://up/News.rtf", 50}, {"http://up/Up.exe", 1000}},
       50,
       "http://up/News.rtf",
       {"http://up\\News.rtf", "http://up/News.rtf"}},
  };
  for (const Case& c : cases) {
    MemoryIniStore ini;
    InfoFile info(ini, kInfo, overrides_);
    ini.Write(kInfo, "NewSetup", "DownloadURL_UPDATE", "http://up");
    ini.Write(kInfo, "NewSetup", "NameOfUpdateFile", c.name);
    ini.Write(kInfo, "NewSetup", "SizeOfUpdateFile", "1000");
    ini.Write(kInfo, "AutoInform", "NameOfInformFile", "News.rtf");
    ini.Write(kInfo, "AutoInform", "SizeOfInformFile", "50");
    if (c.autoInform) ini.Write(kInfo, "General", "AutoInform", "1");
    FakeSizes sizes;
    sizes.files = c.files;
    sizes.web = c.web;
    sizes.connected = c.connected;
    const SizeCheck check = CheckAnnouncedFileSize(info, {c.testMode, "D:\\Test"}, sizes);
    EXPECT_EQ(check.actual, c.actual) << c.label;
    EXPECT_EQ(check.expected, c.autoInform ? 50 : 1000) << c.label;
    EXPECT_EQ(check.location, c.location) << c.label;
    EXPECT_EQ(sizes.tried, c.tried) << c.label;
    EXPECT_EQ(check.pass, c.actual != -1) << c.label;
  }
}

TEST(SizeCheck, BoundaryAndLogLines) {
  const struct {
    int64_t expected, actual;
    bool agree;
  } cases[] = {{1000, 1099, true}, {1000, 1100, false}, {1000, 901, true}, {1000, 900, false},
               {0, -1, true},      {0, 99, true},       {0, 100, false},   {-2147483648LL, 2147483647LL, false}};
  for (const auto& c : cases) EXPECT_EQ(SizesAgree(c.expected, c.actual), c.agree) << c.expected << " " << c.actual;

  SizeCheck failed{false, 1000, 1100, "http://up/Up.exe"};
  EXPECT_EQ(failed.LogLines(),
            (std::vector<std::string>{"  InfoSize=1000", "  HttpSize=1100", "  URL=http://up/Up.exe"}));
  SizeCheck passed{true, 1000, 1000, "x"};
  EXPECT_TRUE(passed.LogLines().empty());
}

TEST(InfoFetch, AServersErrorPageIsNotFetched) {
  const std::string page404 = "<html><head><title>404 Not Found</title></head><body>nothing</body></html>";
  const std::string welcome = "<HTML><HEAD><TITLE>Welcome</TITLE></HEAD></HTML>";
  const std::string notFound =
      "<B>404 File Not Found...</B><P><P>URL:  http://up/App.info.<P><P>Please make sure the file is available and "
      "access is allowed to this file.";
  const struct {
    const char* label;
    std::string error, content;
    bool fetched;
    std::string errorAfter;
  } cases[] = {
      {"an information file", "", "[NewSetup]\r\nVersionNew=6\r\n", true, ""},
      {"an empty body", "", "", false, ""},
      {"a 404 page", "", page404, false, notFound},
      {"any page of a server", "", welcome, false, notFound},
      {"a text that names 404", "", "[NewSetup]\r\n; 404 times\r\n", true, ""},
      {"a download error", "Unable to connect", "", false, "Unable to connect"},
      {"an error with a body", "Unable to connect", "[NewSetup]", false, "Unable to connect"},
      {"an error beginning with 3 is dropped", "301 moved", "", false, ""},
  };
  for (const auto& c : cases) {
    const InfoFetch f = JudgeInfoFetch(c.error, c.content, "http://up/App.info");
    EXPECT_EQ(f.fetched, c.fetched) << c.label;
    EXPECT_EQ(f.error, c.errorAfter) << c.label;
  }
}

TEST_F(DecisionTest, StampAndReAskOverTime) {
  // A check records its time; an OK stores the stamp, after which the same announcement waits for
  // the re-ask time, and a new stamp is offered at once.
  RecordCheckTime(original_, clock_);
  EXPECT_EQ(ini_.Read(kOriginal, "OriginalSetup", "ProbeSecondsLast"), IntToStr(kNow));
  EXPECT_EQ(ini_.Read(kOriginal, "OriginalSetup", "__ProbeSecondsLast"), "06-DEC-2026 14:05:09");

  original_.SetReAskSecondsInterval(60);
  Decision d = Decide();
  ASSERT_TRUE(d.Ok());
  RecordAcceptedAnnouncement(original_, info_, clock_);
  EXPECT_EQ(original_.Stamp(), 101);
  EXPECT_EQ(original_.ReAskSecondsLast(), kNow);
  EXPECT_EQ(ini_.Read(kOriginal, "OriginalSetup", "__ReAskSecondsLast"), "06-DEC-2026 14:05:09");

  const struct {
    int seconds;  // after the OK
    int code;
  } steps[] = {{0, 2}, {1, 2}, {59, 2}, {60, 2}, {61, 6}};
  for (const auto& s : steps) {
    clock_.now = {2026, 12, 6, 14, 5 + (9 + s.seconds) / 60, (9 + s.seconds) % 60, 0};
    EXPECT_EQ(Decide().code, s.code) << s.seconds;
  }
  Info("Stamp", "102");
  clock_.now = {2026, 12, 6, 14, 5, 10, 0};
  EXPECT_EQ(Decide().code, 6);
  // Manual mode bypasses the stamp, never the version.
  Info("Stamp", "101");
  EXPECT_EQ(Decide(true, true).code, 6);
  original_.SetVersionOriginal(6);
  EXPECT_EQ(Decide(true, true).code, 3);
}

TEST_F(DecisionTest, WhatACheckDoesAfterTheDecision) {
  Decision ok;
  ok.code = 6;
  Decision no;
  no.code = 5;
  EXPECT_EQ(ChooseShotAction(ok, info_), ShotAction::Update);
  EXPECT_EQ(ChooseShotAction(no, info_), ShotAction::None);
  Info("AutoInform", "1", "General");
  EXPECT_EQ(ChooseShotAction(ok, info_), ShotAction::Inform);
  EXPECT_EQ(ChooseShotAction(no, info_), ShotAction::None);
  Info("AutoInform", "2", "General");
  EXPECT_EQ(ChooseShotAction(ok, info_), ShotAction::Update);
}

TEST_F(DecisionTest, ManualModeReport) {
  ini_.Write(kOriginal, "AutoUpdate", "s2", "No connection.");
  ini_.Write(kOriginal, "AutoUpdate", "s21", "Nothing new for PROG_NAME.");
  Decision d;
  d.code = 3;
  d.text = DecisionText(3);
  const struct {
    const char* label;
    bool testMode, connected;
    const char* reason;
    const char* fetchError;
    bool developer;
    ReportBox box;
    int owner;
    const char* text;
  } cases[] = {
      {"no connection", false, false, "", "", false, ReportBox::Error, 0, "No connection."},
      {"no connection, with reason", false, false, "offline", "x", false, ReportBox::Error, 0,
       "No connection.<P><P>offline"},
      {"fetch error", false, true, "", "Unable to Download File!", false, ReportBox::Error, 0,
       "Unable to Download File!"},
      {"nothing to do", false, true, "", "", false, ReportBox::Attention, 1, "Nothing new for PROG_NAME."},
      {"nothing to do, developer", false, true, "", "", true, ReportBox::Attention, 1,
       "Nothing new for PROG_NAME.<P><P>(3 - New version is not higher then old version)   "},
      {"test mode: no connection needed", true, false, "offline", "", false, ReportBox::Attention, 1,
       "Nothing new for PROG_NAME."},
      {"test mode: fetch error not shown", true, true, "", "File not Found!", false, ReportBox::Attention, 1,
       "Nothing new for PROG_NAME."},
  };
  for (const auto& c : cases) {
    const ManualReport r = ManualModeReport(original_, c.testMode, c.connected, c.reason, c.fetchError, d, c.developer);
    EXPECT_EQ(r.box, c.box) << c.label;
    EXPECT_EQ(r.ownerMode, c.owner) << c.label;
    EXPECT_EQ(r.text, c.text) << c.label;
  }
}

TEST_F(DecisionTest, CheckNowQuestion) {
  ini_.Write(kOriginal, "AutoUpdate", "s22", "Check for PROG_NAME");
  ini_.Write(kOriginal, "AutoUpdate", "s23", " on the web");
  ini_.Write(kOriginal, "AutoUpdate", "s24", " now?");
  ini_.Write(kOriginal, "OriginalSetup", "ProgramName", "Editor");
  const std::string notice(kTestModeNotice);
  const struct {
    const char* source;
    bool testMode;
    std::string text;
  } cases[] = {
      {"http://up/app", false, "Check for Editor on the web now?"},
      {"C:\\Updates", false, "Check for Editor now?"},
      {"\\\\server\\updates", false, "Check for Editor on the web now?"},  // only a drive path is local
      {"C", false, "Check for Editor now?"},
      {"", false, "Check for Editor now?"},
      {"D:\\Test", true, "Check for Editor now?" + notice},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckNowQuestionText(original_, c.source, c.testMode), c.text) << c.source;

  OverrideList ask;
  ask.Set(OverrideList::kCheckNowQuestion, 1);
  OverrideList dontAsk;
  dontAsk.Set(OverrideList::kCheckNowQuestion, 0);
  const struct {
    int status;
    bool manual;
    const OverrideList& overrides;
    bool asks;
  } rules[] = {{0, true, ask, false}, {1, false, overrides_, false}, {1, true, overrides_, true},
               {2, false, ask, true}, {1, false, dontAsk, false},    {2, true, dontAsk, true}};
  for (const auto& r : rules) EXPECT_EQ(AsksCheckNow(r.status, r.manual, r.overrides), r.asks) << r.status << r.manual;
}
