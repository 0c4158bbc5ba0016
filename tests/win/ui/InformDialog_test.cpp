// The inform dialog in a real Win32 program under Wine (the test kit's informprobe): its measured
// geometry against the layout rules, again after a resize; its fonts; RTF shown formatted and
// plain text as it stands; the button, which opens the address through the shell and closes the
// dialog, and the Close box, which closes it without opening anything; no button without a web
// address. The shell's open is observed through a stand-in browser (the test kit's opener),
// registered for the test as the prefix's handler of http:// and https:// addresses: it records
// every address it is started with. Last, PerformAutoInform over an update folder that mkpack
// wrote: shown, refused for another product's token, opened at once without content, and
// VersionOriginal raised in the real installed-version file.
#include <gtest/gtest.h>

#include <sstream>

#include "OpenerAsBrowser.h"
#include "UiDriver.h"
#include "agent/InformLayout.h"

using namespace uitest;
using wine::Opened;
using wine::OpenerAsBrowser;
namespace fs = std::filesystem;

namespace {
const std::string kDialog = "VRichEditBox";
// Window styles as the window driver reports them (Win32 values; the test is a host program).
constexpr unsigned long kCaption = 0xC00000, kSysMenu = 0x80000, kThickFrame = 0x40000, kMinimizeBox = 0x20000,
                        kMaximizeBox = 0x10000, kDlgModalFrame = 0x1, kReadOnly = 0x800, kMultiLine = 0x4, kRight = 0x2,
                        kRtlReading = 0x2000, kDefPushButton = 0x1;
const std::string kRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 {\\b New:} version 6 is out.\\par}";

Rect RectOf(const WinInfo& w) { return {w.x, w.y, w.w, w.h}; }

std::string Text(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.width) + "," +
         std::to_string(r.height);
}

Probe DialogProbe(std::vector<std::string> args) {
  args.insert(args.begin(), "dialog");
  return Probe(args, "informprobe");
}

// The dialog's controls stand where the layout puts them for the window's client size.
void ExpectControlsPlaced(const std::vector<WinInfo>& list, bool withButton) {
  ASSERT_FALSE(list.empty());
  const Size client{list[0].clientW, list[0].clientH};
  const WinInfo* text = Child(list, "RICHEDIT");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(Text(RectOf(*text)), Text(InformTextRect(client, withButton)));
  const WinInfo* button = Child(list, "Button");
  if (!withButton) {
    EXPECT_EQ(button, nullptr);
    return;
  }
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(Text(RectOf(*button)), Text(InformButtonRect(client)));
  EXPECT_TRUE(button->visible);
}

std::string Trimmed(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

fs::path ScreenshotFolder() { return fs::path(VELKIT_WINE_DIR).parent_path() / "screenshots"; }
}  // namespace

TEST(InformDialog, GeometryFontsAndResize) {
  wine::TempDir dir;
  wine::WriteFile(dir / "news.rtf", kRtf);
  OpenerAsBrowser browser(dir / "opened.txt");
  Probe probe =
      DialogProbe({"--content-file", wine::WinPath(dir / "news.rtf"), "--address", "https://www.example.com/download",
                   "--width", "480", "--height", "300", "--font", "Tahoma", "--size", "8", "--charset", "0"});
  const std::string ready = probe.Ready();
  ASSERT_NE(ready, "") << probe.Output();

  // RTF shown formatted: no codes in the text, the bold run bold.
  EXPECT_EQ(Field(ready, "text"), "New: version 6 is out.");
  EXPECT_EQ(Field(ready, "bold"), "New:");
  // Fonts: "Tahoma" gives the text Verdana; the button has the message boxes' face and size.
  EXPECT_EQ(Field(ready, "defaultface"), "Verdana");
  const InformFonts fonts = InformDialogFonts("Tahoma", 8, 0, std::stoi(Field(ready, "dpi")));
  EXPECT_EQ(Field(ready, "buttonface"), "Tahoma");
  EXPECT_EQ(Field(ready, "buttonheight"), std::to_string(fonts.button.height));
  EXPECT_EQ(Field(ready, "buttonfamily"), "32");
  EXPECT_EQ(Field(ready, "focus"), "Button");

  std::vector<WinInfo> list = ListWindow(kDialog);
  ASSERT_FALSE(list.empty());
  const std::vector<int> work = Numbers(Field(ready, "workarea"));
  ASSERT_EQ(work.size(), 4u);
  EXPECT_EQ(Text(RectOf(list[0])), Text(InformWindowRect({work[0], work[1], work[2], work[3]}, 480, 300)));
  EXPECT_EQ(list[0].text, "New Version");
  EXPECT_EQ(list[0].style & (kCaption | kSysMenu | kThickFrame), kCaption | kSysMenu | kThickFrame);
  EXPECT_EQ(list[0].style & (kMinimizeBox | kMaximizeBox), 0u);  // resizable, but no minimise or maximise box
  EXPECT_TRUE(list[0].exStyle & kDlgModalFrame);
  ExpectControlsPlaced(list, true);
  const WinInfo* text = Child(list, "RICHEDIT");
  ASSERT_NE(text, nullptr);
  // (WS_VSCROLL comes and goes with the scroll bar, which a short text does not need.)
  EXPECT_EQ(text->style & (kReadOnly | kMultiLine), kReadOnly | kMultiLine);
  const WinInfo* button = Child(list, "Button", "Download");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->style & 0xF, kDefPushButton);
  EXPECT_TRUE(wine::SaveScreenshot(ScreenshotFolder() / "inform-dialog.png"));

  for (const char* rect : {"10,20,640,420", "50,40,301,211"}) {
    SCOPED_TRACE(rect);
    ASSERT_EQ(Driver({"move", "--class", kDialog, "--rect", rect}).exitCode, 0);
    list = ListWindow(kDialog);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(Text(RectOf(list[0])), rect);
    ExpectControlsPlaced(list, true);
  }

  // The Close box: closed, counted as shown, nothing opened.
  ASSERT_EQ(Driver({"close", "--syscommand", "--class", kDialog}).exitCode, 0);
  EXPECT_EQ(probe.Result(), 1) << probe.Output();
  EXPECT_EQ(Opened(dir / "opened.txt", 0), std::vector<std::string>{});
}

TEST(InformDialog, TheButtonOpensTheAddressAndCloses) {
  wine::TempDir dir;
  OpenerAsBrowser browser(dir / "opened.txt");
  for (const char* address : {"https://www.example.com/download?v=6", "  HTTP://127.0.0.1:8080/news  "}) {
    SCOPED_TRACE(address);
    fs::remove(dir / "opened.txt");
    Probe probe = DialogProbe(
        {"--content", "Plain x|y", "--address", address, "--button", "Get it", "--font", "Arial", "--size", "10"});
    const std::string ready = probe.Ready();
    ASSERT_NE(ready, "") << probe.Output();
    EXPECT_EQ(Field(ready, "text"), "Plain x|y");  // plain text as it stands
    EXPECT_EQ(Field(ready, "bold"), "");
    // A face other than the default serves both.
    EXPECT_EQ(Field(ready, "defaultface"), "Arial");
    EXPECT_EQ(Field(ready, "buttonface"), "Arial");
    EXPECT_EQ(Field(ready, "buttonheight"),
              std::to_string(InformDialogFonts("Arial", 10, 0, std::stoi(Field(ready, "dpi"))).button.height));
    ASSERT_EQ(Driver({"click", "--class", kDialog, "--button", "Get it"}).exitCode, 0);
    EXPECT_EQ(probe.Result(), 1) << probe.Output();
    EXPECT_EQ(Opened(dir / "opened.txt", 1), std::vector<std::string>{Trimmed(address)});
    EXPECT_EQ(Driver({"gone", "--class", kDialog}).exitCode, 0);
  }
}

TEST(InformDialog, WithoutAWebAddressTheTextFillsTheWindow) {
  struct Case {
    const char* address;
    const char* font;
    const char* textFace;
    bool refused;
    bool rtl;
  } cases[] = {
      {"", "", "Verdana", false, false},
      {"   ", "Arial", "Arial", false, true},
      {"C:\\Windows\\notepad.exe", "Tahoma", "Verdana", true, false},  // never a program of this machine
      {"file:///C:/Windows/notepad.exe", "Arial", "Arial", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("[") + c.address + "] " + c.font);
    wine::DebugCapture debug;
    std::vector<std::string> args = {"--content", "Hello", "--address", c.address, "--font", c.font};
    if (c.rtl) args.push_back("--rtl");
    Probe probe = DialogProbe(args);
    const std::string ready = probe.Ready();
    ASSERT_NE(ready, "") << probe.Output();
    EXPECT_EQ(Field(ready, "defaultface"), c.textFace);
    const std::vector<WinInfo> list = ListWindow(kDialog);
    ExpectControlsPlaced(list, false);
    if (const WinInfo* text = Child(list, "RICHEDIT")) {
      EXPECT_EQ((text->style & kRight) != 0, c.rtl);
      EXPECT_EQ((text->exStyle & kRtlReading) != 0, c.rtl);
    }
    ASSERT_EQ(Driver({"close", "--class", kDialog}).exitCode, 0);
    EXPECT_EQ(probe.Result(), 1) << probe.Output();
    debug.Stop();
    EXPECT_EQ(debug.Text().find("is not an http:// or https:// address") != std::string::npos, c.refused)
        << debug.Text();
  }
}

TEST(InformDialog, KeepsTheThreadsWindowsAnsweringAndAQuitForLater) {
  Probe probe = DialogProbe({"--content", "Hello", "--quit-while-open"});
  ASSERT_NE(probe.Ready(), "") << probe.Output();
  ASSERT_TRUE(wine::WaitFor([&] { return probe.Output().find("quit-passed") != std::string::npos; }, 20000))
      << probe.Output();
  // The quit message has been taken from the queue: the dialog is still there, and the agent's
  // window (here the probe's owner window) still answers its commands.
  EXPECT_EQ(probe.Output().find("result="), std::string::npos) << probe.Output();
  EXPECT_NE(Driver({"send", "--class", "VelkitInformProbeOwner", "--msg", "1125", "--wparam", "7"})
                .output.find("result=1132"),
            std::string::npos);
  ASSERT_EQ(Driver({"close", "--class", kDialog}).exitCode, 0);
  EXPECT_EQ(probe.Result(), 1) << probe.Output();
  EXPECT_NE(probe.Output().find("quit=7"), std::string::npos) << probe.Output();
}

namespace {
// mkpack of the host build, beside the Wine folder of this test run.
fs::path Mkpack() { return fs::path(VELKIT_WINE_DIR).parent_path() / "tools" / "mkpack" / "mkpack"; }

// An update folder written by "mkpack inform" for text and webPage, and an agent folder that holds
// the information file as the agent's fetch stores it and an installed version 5.
void PublishInform(const wine::TempDir& dir, const std::string& text, const std::string& webPage) {
  wine::WriteFile(dir / "news.txt", text);
  wine::WriteFile(dir / "inform.ini",
                  "[Inform]\nText = news.txt\nToken = MYAPP-1\nFolder = updates\n"
                  "InfoFile = App.info\nUpdateUrl = " +
                      wine::WinPath(dir / "updates") + "\nWebPage = " + webPage + "\nVersion = 6\n");
  const std::string command = "'" + Mkpack().string() + "' inform '" + (dir / "inform.ini").string() + "' --quiet";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  fs::create_directories(dir / "agent");
  fs::copy_file(dir / "updates" / "App.info", dir / "agent" / "App.info", fs::copy_options::overwrite_existing);
  wine::WriteFile(dir / "agent" / "App.original", "[OriginalSetup]\r\nVersionOriginal=5\r\n");
  fs::remove(dir / "agent" / "news.inform");
  fs::remove(dir / "opened.txt");
}
}  // namespace

TEST(InformDialog, PerformAutoInformOverAnUpdateFolder) {
  const std::string page = "https://www.example.com/download";
  struct Case {
    const char* what;
    std::string text;
    const char* agentToken;
    bool dialog;
    int result;
    const char* version;
    bool informKept;
    size_t opened;
  } cases[] = {
      {"shown, the button pressed", "Plain x|y", "MYAPP-1", true, 1, "6", true, 1},
      {"another product's token", "Plain x|y", "OTHER-1", false, 0, "5", false, 0},
      {"no content: the page opened at once", "", "MYAPP-1", false, 1, "6", true, 1},
  };
  wine::TempDir dir;
  OpenerAsBrowser browser(dir / "opened.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PublishInform(dir, c.text, page);
    Probe probe({"agent", "--dir", wine::WinPath(dir / "agent"), "--token", c.agentToken}, "informprobe");
    if (c.dialog) {
      const std::string ready = probe.Ready();
      ASSERT_NE(ready, "") << probe.Output();
      EXPECT_EQ(Field(ready, "text"), c.text);
      ASSERT_EQ(Driver({"click", "--class", kDialog, "--button", "Download"}).exitCode, 0);
    }
    EXPECT_EQ(probe.Result(), c.result) << probe.Output();
    const std::string out = probe.Output();
    EXPECT_EQ(out.find("refused") != std::string::npos, !c.informKept) << out;
    EXPECT_EQ(out.find("ready") != std::string::npos, c.dialog) << out;
    EXPECT_NE(out.find("note=41,1"), std::string::npos) << out;
    EXPECT_NE(wine::ReadFile(dir / "agent" / "App.original").find(std::string("VersionOriginal=") + c.version),
              std::string::npos)
        << wine::ReadFile(dir / "agent" / "App.original");
    EXPECT_EQ(fs::exists(dir / "agent" / "news.inform"), c.informKept);
    EXPECT_EQ(Opened(dir / "opened.txt", c.opened),
              c.opened ? std::vector<std::string>{page} : std::vector<std::string>{});
  }
}
