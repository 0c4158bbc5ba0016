// Auto-inform: which addresses the dialog may open, what it does for content and address, and one
// whole inform over the settings files with a recording check (BeginAutoInform, the fetch as the
// check makes it, PerformAutoInform): what is fetched, read and shown, the notifications, and
// VersionOriginal raised only when something was shown.
#include "agent/AutoInform.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "FakeIniStore.h"
#include "agent/InformFile.h"
#include "pack/PackWriter.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {
struct DebugText : DebugViewerSink {
  std::string text;
  DebugViewerSink* previous = SetDebugViewerSink(this);
  ~DebugText() override { SetDebugViewerSink(previous); }
  void Forward(std::string_view chunk) override { text.append(chunk); }
};

// The check's side of an inform, recorded, and the dialog's.
class RecordingHost : public InformUi {
 public:
  bool fetchResult = true;
  std::string file;          // what the agent folder holds under the read name
  bool dialogResult = true;  // false: the dialog could not be made
  std::vector<std::pair<std::string, std::string>> fetches;
  std::vector<std::string> reads;
  std::vector<InformDialogRequest> dialogs;
  std::vector<std::string> opened;
  std::vector<std::pair<int, int>> notes;
  std::vector<int> activities;

  // What UpdateShot does around PerformAutoInform: the fetch with the activity and progress 41
  // around it, the file read back under its file-name part.
  bool Inform(OriginalFile& original, const InfoFile& info) {
    InformFetch fetch;
    if (BeginAutoInform(info)) {
      activities.push_back(2);
      notes.emplace_back(41, 1);
      fetches.emplace_back(info.DownloadURL_UPDATE(), info.NameOfInformFile());
      fetch.fetched = fetchResult;
      notes.emplace_back(41, 2);
      if (fetch.fetched) {
        reads.push_back(ExtractFileName(info.NameOfInformFile()));
        fetch.text = file;
      }
    }
    return PerformAutoInform(original, info, fetch, *this);
  }
  bool RunDialog(const InformDialogRequest& request) override {
    dialogs.push_back(request);
    return dialogResult;
  }
  void OpenAddress(std::string_view address) override { opened.emplace_back(address); }
};
}  // namespace

TEST(AutoInform, OnlyWebAddressesAreOpened) {
  struct Case {
    const char* address;
    bool web;
  } cases[] = {
      {"http://www.example.com/download", true},
      {"https://example.com", true},
      {"HTTP://EXAMPLE.COM/X", true},  // the scheme in any case
      {"hTTpS://example.com", true},
      {"  https://example.com/a?b=c#d  ", true},  // leading and trailing blanks
      {"\thttp://example.com\r\n", true},
      {"http://127.0.0.1:8080/x%20y", true},
      {"http://", false},  // no host
      {"https://", false},
      {"http:///C:/Windows/notepad.exe", false},
      {"http://\\\\server\\x", false},
      {"http:/example.com", false},
      {"http:\\\\example.com", false},
      {"http:example.com", false},
      {"https//example.com", false},
      {"httpx://example.com", false},
      {"ftp://example.com", false},
      {"file:///C:/Windows/notepad.exe", false},
      {"FILE://server/share/x.exe", false},
      {"file:", false},
      {"javascript:alert(1)", false},
      {"javascript://http://example.com", false},
      {"mailto:a@example.com", false},
      {"shell:startup", false},
      {"C:\\Windows\\System32\\calc.exe", false},
      {"calc.exe", false},
      {"\\\\server\\x", false},
      {"\\\\server\\share\\setup.exe", false},
      {"example.com", false},
      {"http://example.com/a b", false},  // blanks inside make a second argument of a command
      {"http://example.com/\" calc.exe", false},
      {"http://exa\nmple.com", false},
      {"", false},
      {"   ", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsWebAddress(c.address), c.web) << "[" << c.address << "]";
}

TEST(AutoInform, Plan) {
  struct Case {
    const char* content;
    const char* address;
    InformAction action;
    const char* planned;
    bool refused;
  } cases[] = {
      {"Hello", "https://example.com", InformAction::ShowDialog, "https://example.com", false},
      {"Hello", "  https://example.com  ", InformAction::ShowDialog, "https://example.com", false},
      {"Hello", "", InformAction::ShowDialog, "", false},
      {"Hello", "   ", InformAction::ShowDialog, "", false},  // blanks: no address, no button
      {"Hello", "C:\\x.exe", InformAction::ShowDialog, "", true},
      {"", "https://example.com", InformAction::OpenAddress, "https://example.com", false},
      {"", " http://example.com ", InformAction::OpenAddress, "http://example.com", false},
      {"", "", InformAction::Nothing, "", false},
      {"", "  ", InformAction::Nothing, "", false},
      {"", "file:///C:/x.exe", InformAction::Nothing, "", true},
      {" ", "", InformAction::ShowDialog, "", false},  // a blank is content
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("[") + c.content + "] [" + c.address + "]");
    const InformPlan plan = PlanInform(c.content, c.address);
    EXPECT_EQ(plan.action, c.action);
    EXPECT_EQ(plan.address, c.planned);
    EXPECT_EQ(plan.refused, c.refused);
  }
}

TEST(AutoInform, ShowInformOpensOrShowsAndLogsARefusal) {
  InformDialogRequest request;
  request.content = "Hello";
  request.address = " https://example.com/dl ";
  {
    RecordingHost ui;
    EXPECT_TRUE(ShowInform(request, ui));
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].address, "https://example.com/dl");
    EXPECT_TRUE(ui.opened.empty());  // the dialog's button opens it, not this
    ui.dialogResult = false;
    EXPECT_FALSE(ShowInform(request, ui));
  }
  {
    RecordingHost ui;
    request.content.clear();
    EXPECT_TRUE(ShowInform(request, ui));
    EXPECT_TRUE(ui.dialogs.empty());
    EXPECT_EQ(ui.opened, std::vector<std::string>{"https://example.com/dl"});
  }
  {
    RecordingHost ui;
    DebugText debug;
    request.content = "Hello";
    request.address = "C:\\Windows\\calc.exe";
    EXPECT_TRUE(ShowInform(request, ui));
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].address, "");
    EXPECT_NE(debug.text.find("address \"C:\\Windows\\calc.exe\" is not an http:// or https:// address"),
              std::string::npos)
        << debug.text;
    request.content.clear();
    EXPECT_FALSE(ShowInform(request, ui));
    EXPECT_TRUE(ui.opened.empty());
  }
}

namespace {
const std::string kOriginal = "C:\\App\\App.original", kInfo = "C:\\App\\App.info";

class PerformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_.Write(kOriginal, "OriginalSetup", "VersionOriginal", "5");
    ini_.Write(kInfo, "NewSetup", "DownloadURL_UPDATE", "http://updates.example.com/app");
    ini_.Write(kInfo, "NewSetup", "VersionNew", "6");
    ini_.Write(kInfo, "General", "AutoInform", "1");
    ini_.Write(kInfo, "AutoInform", "NameOfInformFile", "News.inform");
    ini_.Write(kInfo, "AutoInform", "DownloadURL_INFORM", "https://www.example.com/download");
    host_.file = BuildInformFile("{\\rtf1 News}", ScrambleToken("APP", 1), true, 50);
  }
  bool Perform() { return host_.Inform(original_, info_); }

  FakeIniStore ini_;
  OverrideList overrides_;
  OriginalFile original_{ini_, kOriginal};
  InfoFile info_{ini_, kInfo, overrides_};
  RecordingHost host_;
};

std::string Markers(const std::string& debug) {
  std::string found;
  for (char n : std::string("12345"))
    if (debug.find(std::string(" ==== PerformAutoInform-") + n + " ====") != std::string::npos) found += n;
  return found;
}
}  // namespace

TEST_F(PerformTest, ShowsTheContentAndRaisesTheVersion) {
  ini_.Write(kInfo, "AutoInform", "AutoInformW", "480");
  ini_.Write(kInfo, "AutoInform", "AutoInformH", "300");
  ini_.Write(kOriginal, "MsgBox", "FontName", "Arial");
  ini_.Write(kOriginal, "MsgBox", "FontSize", "9");
  ini_.Write(kOriginal, "MsgBox", "CharSet", "204");
  ini_.Write(kOriginal, "AutoUpdate", "s34", "News about PROG_NAME");
  ini_.Write(kOriginal, "AutoUpdate", "s35", "Get it");
  DebugText debug;

  EXPECT_TRUE(Perform());
  EXPECT_EQ(host_.fetches,
            (std::vector<std::pair<std::string, std::string>>{{"http://updates.example.com/app", "News.inform"}}));
  EXPECT_EQ(host_.reads, std::vector<std::string>{"News.inform"});
  EXPECT_EQ(host_.notes, (std::vector<std::pair<int, int>>{{41, 1}, {41, 2}}));
  EXPECT_EQ(host_.activities, std::vector<int>{2});
  ASSERT_EQ(host_.dialogs.size(), 1u);
  const InformDialogRequest& r = host_.dialogs[0];
  EXPECT_EQ(r.title, "News about PROG_NAME");  // the title is shown as it stands
  EXPECT_EQ(r.buttonCaption, "Get it");
  EXPECT_EQ(r.content, "{\\rtf1 News}");
  EXPECT_EQ(r.address, "https://www.example.com/download");
  EXPECT_EQ(r.width, 480);
  EXPECT_EQ(r.height, 300);
  EXPECT_FALSE(r.rightToLeft);
  EXPECT_EQ(r.fontName, "Arial");
  EXPECT_EQ(r.fontSize, 9);
  EXPECT_EQ(r.charSet, 204);
  EXPECT_EQ(original_.VersionOriginal(), 6);
  EXPECT_EQ(Markers(debug.text), "1234");
}

TEST_F(PerformTest, DefaultsOfTheDialog) {
  EXPECT_TRUE(Perform());
  ASSERT_EQ(host_.dialogs.size(), 1u);
  const InformDialogRequest& r = host_.dialogs[0];
  EXPECT_EQ(r.title, "New Version");
  EXPECT_EQ(r.buttonCaption, "Download");
  EXPECT_EQ(r.width, 360);
  EXPECT_EQ(r.height, 360);
  EXPECT_EQ(r.fontName, "Tahoma");
  EXPECT_EQ(r.fontSize, 8);
  EXPECT_EQ(r.charSet, 0);
}

TEST_F(PerformTest, Outcomes) {
  const std::string token = ScrambleToken("APP", 1);
  struct Case {
    const char* what;
    const char* source;  // DownloadURL_UPDATE
    const char* name;    // NameOfInformFile
    bool fetched;
    std::string file;
    const char* address;  // DownloadURL_INFORM
    bool dialogMade;
    bool result;
    int dialogs;
    const char* opened;  // "" none
    const char* markers;
  } cases[] = {
      {"shown", "http://u", "N.inform", true, BuildInformFile("Hi", token, false, 0), "https://x.org", true, true, 1,
       "", "1234"},
      {"shown without an address", "http://u", "N.inform", true, BuildInformFile("Hi", token, false, 0), "", true, true,
       1, "", "1234"},
      {"no update folder", "", "N.inform", true, BuildInformFile("Hi", token, false, 0), "https://x.org", true, false,
       0, "", "1"},
      {"no inform file name", "http://u", "", true, BuildInformFile("Hi", token, false, 0), "https://x.org", true,
       false, 0, "", "1"},
      {"fetch failed or refused", "http://u", "N.inform", false, "", "https://x.org", true, false, 0, "", "12"},
      {"no content, an address", "http://u", "N.inform", true, BuildInformFile("", token, true, 40), " https://x.org ",
       true, true, 0, "https://x.org", "1234"},
      {"three bars only, an address", "http://u", "N.inform", true, "|" + token + "|a|b", "https://x.org", true, true,
       0, "https://x.org", "1234"},
      {"no content, no address", "http://u", "N.inform", true, BuildInformFile("", token, false, 0), "  ", true, false,
       0, "", "1234"},
      {"no content, a program", "http://u", "N.inform", true, BuildInformFile("", token, false, 0), "C:\\x.exe", true,
       false, 0, "", "1234"},
      {"no dialog could be made", "http://u", "N.inform", true, BuildInformFile("Hi", token, false, 0), "", false,
       false, 1, "", "1234"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeIniStore ini;
    OriginalFile original(ini, kOriginal);
    InfoFile info(ini, kInfo, overrides_);
    ini.Write(kOriginal, "OriginalSetup", "VersionOriginal", "5");
    ini.Write(kInfo, "NewSetup", "VersionNew", "6");
    ini.Write(kInfo, "NewSetup", "DownloadURL_UPDATE", c.source);
    ini.Write(kInfo, "AutoInform", "NameOfInformFile", c.name);
    ini.Write(kInfo, "AutoInform", "DownloadURL_INFORM", c.address);
    RecordingHost host;
    host.fetchResult = c.fetched;
    host.file = c.file;
    host.dialogResult = c.dialogMade;
    DebugText debug;

    EXPECT_EQ(host.Inform(original, info), c.result);
    EXPECT_EQ(original.VersionOriginal(), c.result ? 6 : 5);
    EXPECT_EQ(int(host.dialogs.size()), c.dialogs);
    EXPECT_EQ(host.opened, *c.opened ? std::vector<std::string>{c.opened} : std::vector<std::string>{});
    EXPECT_EQ(host.fetches.size(), *c.source && *c.name ? 1u : 0u);
    EXPECT_EQ(host.notes.size(), *c.source && *c.name ? 2u : 0u);
    EXPECT_EQ(Markers(debug.text), c.markers);
  }
}

TEST_F(PerformTest, ANameWithAFolderIsReadUnderItsFileName) {
  ini_.Write(kInfo, "AutoInform", "NameOfInformFile", "news\\2026\\News.inform");
  EXPECT_TRUE(Perform());
  EXPECT_EQ(host_.fetches[0].second, "news\\2026\\News.inform");  // the fetch reduces it itself
  EXPECT_EQ(host_.reads, std::vector<std::string>{"News.inform"});
}
