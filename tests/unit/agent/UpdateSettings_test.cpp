// The settings files: every key with its section, default and reading rule, the writes with their
// companions, the overrides in front of the information file's flags, and the user texts.
#include "agent/UpdateSettings.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "FakeIniStore.h"

namespace {
const std::string kOriginal = "C:\\App\\App.original", kInfo = "C:\\App\\App.info";

class SettingsTest : public ::testing::Test {
 protected:
  FakeIniStore ini_;
  OverrideList overrides_;
  OriginalFile original_{ini_, kOriginal};
  InfoFile info_{ini_, kInfo, overrides_};
};
}  // namespace

TEST_F(SettingsTest, ReadingRules) {
  SettingsFile file(ini_, kOriginal);
  const std::string longest(kSettingsTextLimit, 'x');
  struct Case {
    const char* stored;  // nullptr: the key is missing
    std::string text;    // read with default "def"
    int64_t int64;       // read with default 77
    int32_t int32;
    bool flag;
  } cases[] = {
      {nullptr, "def", 77, 77, false},
      {"", "def", 77, 77, false},  // an empty value is the default
      {"1", "1", 1, 1, true},
      {"01", "01", 1, 1, false},  // a flag is exactly "1"
      {"yes", "yes", 77, 77, false},
      {"true", "true", 77, 77, false},
      {"-1", "-1", -1, -1, false},
      {"12abc", "12abc", 77, 77, false},                     // trailing letters: the default
      {"4294967297", "4294967297", 4294967297LL, 1, false},  // int keeps the low 32 bits
      {"2147483648", "2147483648", 2147483648LL, std::numeric_limits<int32_t>::min(), false},
      {"-4294967296", "-4294967296", -4294967296LL, 0, false},
      {"9223372036854775807", "9223372036854775807", std::numeric_limits<int64_t>::max(), -1, false},
      {"9223372036854775808", "9223372036854775808", 77, 77, false},  // out of range: the default
  };
  for (const auto& c : cases) {
    ini_.Erase(kOriginal, "S", "K");
    if (c.stored) ini_.Write(kOriginal, "S", "K", c.stored);
    const std::string label = c.stored ? c.stored : "(missing)";
    EXPECT_EQ(file.Text("S", "K", "def"), c.text) << label;
    EXPECT_EQ(file.Int64("S", "K", 77), c.int64) << label;
    EXPECT_EQ(file.Int("S", "K", 77), c.int32) << label;
    EXPECT_EQ(file.Flag("S", "K"), c.flag) << label;
  }
  ini_.Write(kOriginal, "S", "K", longest + "yz");
  EXPECT_EQ(file.Text("S", "K", ""), longest);  // cut at 10240 characters
  ini_.Write(kOriginal, "S", "K", longest);
  EXPECT_EQ(file.Text("S", "K", ""), longest);
}

TEST_F(SettingsTest, EveryKeyWithItsSectionAndDefault) {
  using Reader = std::function<std::string()>;
  const auto num = [](auto f) { return [f] { return IntToStr(f()); }; };
  const auto flag = [](auto f) { return [f] { return std::string(f() ? "on" : "off"); }; };
  struct Case {
    const std::string& file;
    const char* section;
    const char* key;
    Reader read;
    const char* whenMissing;
    const char* stored;
    const char* whenStored;
  };
  OriginalFile& o = original_;
  InfoFile& i = info_;
  const Case cases[] = {
      {kOriginal, "OriginalSetup", "ProbeSecondsInterval", num([&] { return o.ProbeSecondsInterval(); }), "0",
       "-8589934592", "-8589934592"},
      {kOriginal, "OriginalSetup", "ProbeSecondsLast", num([&] { return o.ProbeSecondsLast(); }), "0", "4005727509",
       "4005727509"},
      {kOriginal, "OriginalSetup", "ReAskSecondsInterval", num([&] { return o.ReAskSecondsInterval(); }), "0",
       "8589934592", "8589934592"},
      {kOriginal, "OriginalSetup", "ReAskSecondsLast", num([&] { return o.ReAskSecondsLast(); }), "0", "4005727509",
       "4005727509"},
      {kOriginal, "OriginalSetup", "VersionOriginal", num([&] { return o.VersionOriginal(); }), "0", "4294967301", "5"},
      {kOriginal, "OriginalSetup", "Stamp", num([&] { return o.Stamp(); }), "0", "12", "12"},
      {kOriginal, "OriginalSetup", "ProgramName", [&] { return o.ProgramName(); }, "", "Editor", "Editor"},
      {kOriginal, "Directories", "TargetDir", [&] { return o.TargetDir(); }, "", "C:\\App", "C:\\App"},
      {kOriginal, "Directories", "SharedDir", [&] { return o.SharedDir(); }, "", "C:\\Shared", "C:\\Shared"},
      {kOriginal, "Directories", "AuxiliaryDir", [&] { return o.AuxiliaryDir(); }, "", "C:\\Aux", "C:\\Aux"},
      {kOriginal, "UnInstall", "StartUpLink", [&] { return o.StartUpLink(); }, "", "C:\\s.lnk", "C:\\s.lnk"},
      {kOriginal, "UnInstall", "CheckforNewUpdateLink", [&] { return o.CheckforNewUpdateLink(); }, "", "C:\\c.lnk",
       "C:\\c.lnk"},
      {kOriginal, "MsgBox", "BtnText", [&] { return o.BtnText(); }, "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|",
       "|Ja|", "|Ja|"},
      {kOriginal, "MsgBox", "Error", [&] { return o.Error(); }, "Error", "Fehler", "Fehler"},
      {kOriginal, "MsgBox", "Confirm", [&] { return o.Confirm(); }, "Confirm", "Frage", "Frage"},
      {kOriginal, "MsgBox", "Attention", [&] { return o.Attention(); }, "Attention", "Achtung", "Achtung"},
      {kOriginal, "MsgBox", "CharSet", num([&] { return o.CharSet(); }), "0", "204", "204"},
      {kOriginal, "MsgBox", "FontName", [&] { return o.FontName(); }, "Tahoma", "Arial", "Arial"},
      {kOriginal, "MsgBox", "FontSize", num([&] { return o.FontSize(); }), "8", "abc", "8"},
      {kOriginal, "AutoUpdate", "s7", [&] { return o.AutoUpdate("s7", "d"); }, "d", "seven", "seven"},
      {kInfo, "NewSetup", "DownloadURL_UPDATE", [&] { return i.DownloadURL_UPDATE(); }, "", "http://h/u", "http://h/u"},
      {kInfo, "NewSetup", "NameOfUpdateFile", [&] { return i.NameOfUpdateFile(); }, "", "Up.exe", "Up.exe"},
      {kInfo, "NewSetup", "SizeOfUpdateFile", num([&] { return i.SizeOfUpdateFile(); }), "0", "1000", "1000"},
      {kInfo, "NewSetup", "RequestConfirmationBeforeDownload",
       flag([&] { return i.RequestConfirmationBeforeDownload(); }), "off", "1", "on"},
      {kInfo, "NewSetup", "RequestConfirmationBeforeDownloadForce",
       flag([&] { return i.RequestConfirmationBeforeDownloadForce(); }), "off", "1", "on"},
      {kInfo, "NewSetup", "RequestConfirmationBeforeInstall",
       flag([&] { return i.RequestConfirmationBeforeInstall(); }), "off", "1", "on"},
      {kInfo, "NewSetup", "RequestConfirmationBeforeInstallForce",
       flag([&] { return i.RequestConfirmationBeforeInstallForce(); }), "off", "1", "on"},
      {kInfo, "NewSetup", "BackgroundUpdate", flag([&] { return i.BackgroundUpdate(); }), "off", "1", "on"},
      {kInfo, "NewSetup", "ShutDownMethod", [&] { return i.ShutDownMethod(); }, "", "Using WM_CLOSE", "Using WM_CLOSE"},
      {kInfo, "NewSetup", "ShutDownTimeout", num([&] { return i.ShutDownTimeout(); }), "0", "120", "120"},
      {kInfo, "NewSetup", "RestartProcess", flag([&] { return i.RestartProcess(); }), "off", "1", "on"},
      {kInfo, "NewSetup", "InformFinish", flag([&] { return i.InformFinish(); }), "off", "1", "on"},
      {kInfo, "NewSetup", "RunningProcess", [&] { return i.RunningProcess(); }, "", "<InstallDir>\\a.exe",
       "<InstallDir>\\a.exe"},
      {kInfo, "NewSetup", "ProgramName", [&] { return i.ProgramName(); }, "", "Editor 2", "Editor 2"},
      {kInfo, "NewSetup", "VersionNew", num([&] { return i.VersionNew(); }), "0", "6", "6"},
      {kInfo, "NewSetup", "Stamp", num([&] { return i.Stamp(); }), "0", "13", "13"},
      {kInfo, "NewSetup", "ValidVersions", [&] { return i.ValidVersions(); }, "", "3,4", "3,4"},
      {kInfo, "NewSetup", "RemoveStartUpShortcut", flag([&] { return i.RemoveStartUpShortcut(); }), "off", "1", "on"},
      {kInfo, "NewSetup", "RemoveCheckForNewUpdateShortcut", flag([&] { return i.RemoveCheckForNewUpdateShortcut(); }),
       "off", "1", "on"},
      {kInfo, "General", "AutoInform", num([&] { return i.AutoInform(); }), "0", "4294967297", "4294967297"},
      {kInfo, "AutoInform", "DownloadURL_INFORM", [&] { return i.DownloadURL_INFORM(); }, "", "http://h/i",
       "http://h/i"},
      {kInfo, "AutoInform", "NameOfInformFile", [&] { return i.NameOfInformFile(); }, "", "News.rtf", "News.rtf"},
      {kInfo, "AutoInform", "SizeOfInformFile", num([&] { return i.SizeOfInformFile(); }), "0", "77", "77"},
      {kInfo, "AutoInform", "AutoInformW", num([&] { return i.AutoInformW(); }), "360", "500", "500"},
      {kInfo, "AutoInform", "AutoInformH", num([&] { return i.AutoInformH(); }), "360", "", "360"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.read(), c.whenMissing) << c.key;
    ini_.Write(c.file, c.section, c.key, c.stored);
    EXPECT_EQ(c.read(), c.whenStored) << c.key;  // read at every call, never kept
    // The same key in the other file or another section is not this one.
    const std::string& other = &c.file == &kOriginal ? kInfo : kOriginal;
    ini_.Erase(c.file, c.section, c.key);
    ini_.Write(other, c.section, c.key, c.stored);
    ini_.Write(c.file, "Elsewhere", c.key, c.stored);
    EXPECT_EQ(c.read(), c.whenMissing) << c.key;
    ini_.Erase(other, c.section, c.key);
  }
  ini_.Write(kInfo, "General", "AutoInform", "1");
  EXPECT_TRUE(info_.IsAutoInform());
  ini_.Write(kInfo, "General", "AutoInform", "2");
  EXPECT_FALSE(info_.IsAutoInform());
}

TEST_F(SettingsTest, WritesAndCompanions) {
  original_.SetProbeSecondsLast(4005727509);
  original_.SetReAskSecondsLast(-1);
  original_.SetProbeSecondsInterval(-8589934592);
  original_.SetReAskSecondsInterval(3600);
  original_.SetVersionOriginal(-7);
  original_.SetStamp(12);
  const std::pair<const char*, const char*> expected[] = {
      {"ProbeSecondsLast", "4005727509"},
      {"__ProbeSecondsLast", "06-DEC-2026 14:05:09"},
      {"ReAskSecondsLast", "-1"},
      {"__ReAskSecondsLast", "29-DEC-1899 23:59:59"},
      {"ProbeSecondsInterval", "-8589934592"},
      {"ReAskSecondsInterval", "3600"},
      {"VersionOriginal", "-7"},
      {"Stamp", "12"},
  };
  for (const auto& [key, value] : expected) EXPECT_EQ(ini_.Read(kOriginal, "OriginalSetup", key), value) << key;
  EXPECT_EQ(ini_.Size(), std::size(expected));  // intervals have no companion
  EXPECT_EQ(original_.ProbeSecondsLast(), 4005727509);
  EXPECT_EQ(original_.ProbeSecondsInterval(), -8589934592);
}

TEST_F(SettingsTest, OverridesStandBeforeTheInformationFile) {
  using Flag = bool (InfoFile::*)() const;
  const std::pair<int, Flag> flags[] = {
      {OverrideList::kConfirmDownload, &InfoFile::RequestConfirmationBeforeDownload},
      {OverrideList::kConfirmInstall, &InfoFile::RequestConfirmationBeforeInstall},
      {OverrideList::kBackgroundUpdate, &InfoFile::BackgroundUpdate},
      {OverrideList::kInformFinish, &InfoFile::InformFinish},
      {OverrideList::kRestartProcess, &InfoFile::RestartProcess},
      {OverrideList::kConfirmDownloadForce, &InfoFile::RequestConfirmationBeforeDownloadForce},
      {OverrideList::kConfirmInstallForce, &InfoFile::RequestConfirmationBeforeInstallForce},
  };
  const char* keys[] = {"RequestConfirmationBeforeDownload",
                        "RequestConfirmationBeforeInstall",
                        "BackgroundUpdate",
                        "InformFinish",
                        "RestartProcess",
                        "RequestConfirmationBeforeDownloadForce",
                        "RequestConfirmationBeforeInstallForce"};
  struct Case {
    uint8_t override;
    const char* file;
    bool expected;
  } cases[] = {
      {255, "1", true}, {255, "0", false}, {0, "1", false},  // set to 0: the file's 1 is ignored
      {1, "0", true},   {2, "1", false},   {1, "", true},
  };
  for (size_t f = 0; f < std::size(flags); ++f) {
    for (const auto& c : cases) {
      OverrideList fresh;
      overrides_ = fresh;
      overrides_.Set(flags[f].first, c.override);
      ini_.Write(kInfo, "NewSetup", keys[f], c.file);
      EXPECT_EQ((info_.*flags[f].second)(), c.expected)
          << keys[f] << " override " << int(c.override) << " file " << c.file;
    }
  }
}

TEST_F(SettingsTest, UserTexts) {
  ini_.Write(kOriginal, "OriginalSetup", "ProgramName", "Installed");
  ini_.Write(kInfo, "NewSetup", "ProgramName", "Offered");
  struct Case {
    int number;
    const char* stored;  // nullptr: missing
    const char* expected;
  } cases[] = {
      {3, nullptr, "File Download Aborted!"},
      {4, nullptr, "File not Found!"},
      {5, nullptr, "Unable to Download File!"},
      {31, nullptr, "Downloading INFO File..."},
      {32, nullptr, "Downloading UPDATE File..."},
      {33, nullptr, "Downloading INFORM File..."},
      {34, nullptr, "New Version"},
      {35, nullptr, "Download"},
      {2, nullptr, ""},
      {11, nullptr, ""},
      {3, "", "File Download Aborted!"},
      {2, "No PROG_NAME", "No PROG_NAME"},  // not replaced here
      {11, "Get PROG_NAME", "Get Offered"},
      {12, "PROG_NAME/PROG_NAME", "Offered/Offered"},
      {13, "x PROG_NAME", "x Offered"},
      {14, "x PROG_NAME", "x Offered"},
      {16, "x PROG_NAME", "x Offered"},
      {18, "x PROG_NAME", "x Offered"},
      {19, "x PROG_NAME", "x Offered"},
      {20, "x PROG_NAME", "x Offered"},
      {15, "Close PROG_NAME", "Close Editor.exe"},
      {17, "x PROG_NAME", "x PROG_NAME"},
      {21, "x PROG_NAME", "x PROG_NAME"},
      {22, "Check PROG_NAME?", "Check Installed?"},
      {23, "x PROG_NAME", "x Installed"},
      {24, "x PROG_NAME", "x Installed"},
      {34, "x PROG_NAME", "x PROG_NAME"},
      {11, "prog_name", "prog_name"},  // the replacement is case-sensitive
      {7, "seven PROG_NAME", "seven PROG_NAME"},
  };
  for (const auto& c : cases) {
    const std::string key = "s" + IntToStr(c.number);
    ini_.Erase(kOriginal, "AutoUpdate", key);
    if (c.stored) ini_.Write(kOriginal, "AutoUpdate", key, c.stored);
    EXPECT_EQ(AutoUpdateText(original_, info_, c.number, "Editor.exe"), c.expected) << key;
  }
}
