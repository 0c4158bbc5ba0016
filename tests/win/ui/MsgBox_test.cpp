// Our message box in a real Win32 program under Wine: answered by keys, buttons and its timeout,
// its bold heading, its reading order, and its size and layout as the box's arithmetic gives them
// for the metrics of the font it was drawn with.
#include <gtest/gtest.h>

#include "UiDriver.h"
#include "ui/MsgBoxLayout.h"
#include "ui/MsgBoxMarkup.h"

using namespace uitest;

namespace {
const std::string kBox = "VMsgBox";

struct Answer {
  const char* flags;
  std::vector<std::string> driver;  // windriver command after the box stands
  int result;
};

TEST(MsgBox, AnswersByKeyButtonAndEnter) {
  const Answer answers[] = {
      {"0x24", {"key", "--key", "N"}, 7},         // Yes/No: N is No
      {"0x24", {"key", "--key", "Y"}, 6},         // Y is Yes
      {"0x23", {"key", "--key", "c"}, 2},         // Yes/No/Cancel: C, in any case
      {"0x24", {"click", "--button", "&No"}, 7},  // a button press
      {"0x205", {"key", "--vk", "0x0D"}, 4},      // Retry/Cancel, default 2 of 2 wraps to Retry
      {"0x104", {"key", "--vk", "0x0D"}, 7},      // default second: Enter gives No
      {"0x104", {"key", "--vk", "0x25"}, -1},     // Left moves to Yes (then Enter below)
  };
  for (const Answer& a : answers) {
    SCOPED_TRACE(std::string(a.flags) + " " + a.driver.back());
    Probe probe({"box", "--flags", a.flags, "--text", "Go on?"});
    ASSERT_NE(probe.Ready(), "") << probe.Output();
    std::vector<std::string> args = a.driver;
    args.insert(args.end(), {"--class", kBox});
    ASSERT_EQ(Driver(args).exitCode, 0);
    if (a.result == -1) {
      ASSERT_EQ(Driver({"key", "--vk", "0x0D", "--class", kBox}).exitCode, 0);
      EXPECT_EQ(probe.Result(), 6) << probe.Output();
    } else {
      EXPECT_EQ(probe.Result(), a.result) << probe.Output();
    }
  }
}

TEST(MsgBox, TimeoutChoosesTheFirstButton) {
  for (auto [flags, result] : {std::pair{"0x24", 6}, std::pair{"0x00", 1}, std::pair{"0x05", 4}}) {
    Probe probe({"box", "--flags", flags, "--timeout", "200"});
    EXPECT_EQ(probe.Result(), result) << flags << probe.Output();
  }
}

TEST(MsgBox, NoCloseBoxIgnoresCloseRequests) {
  Probe probe({"box", "--mode", "2", "--flags", "0x24"});
  ASSERT_NE(probe.Ready(), "");
  const std::vector<WinInfo> box = ListWindow(kBox);
  ASSERT_FALSE(box.empty());
  // Posted messages arrive in order: had a close request ended the box, the key would come too late.
  ASSERT_EQ(Driver({"close", "--class", kBox}).exitCode, 0);
  ASSERT_EQ(Driver({"close", "--syscommand", "--class", kBox}).exitCode, 0);
  ASSERT_EQ(Driver({"key", "--key", "N", "--class", kBox}).exitCode, 0);
  EXPECT_EQ(probe.Result(), 7) << probe.Output();
}

TEST(MsgBox, ClosedWithoutAButtonReturnsZero) {
  Probe probe({"box", "--flags", "0x24"});
  ASSERT_NE(probe.Ready(), "");
  ASSERT_EQ(Driver({"close", "--class", kBox}).exitCode, 0);
  EXPECT_EQ(probe.Result(), 0) << probe.Output();
}

TEST(MsgBox, OwnerModeZeroShowsTheCaptionAsBoldHeading) {
  struct Case {
    const char* caption;
    const char* text;
    const char* bold;
  };
  const Case cases[] = {{"Error", "ERROR\\r\\n\\r\\nDisk full\\r\\n", "ERROR"},
                        {"Fehler", "Fehler\\r\\n\\r\\nDisk full\\r\\n", "Fehler"}};
  for (const Case& c : cases) {
    Probe probe({"box", "--mode", "0", "--caption", c.caption, "--text", "Disk full", "--flags", "0x10"});
    const std::string ready = probe.Ready();
    EXPECT_EQ(Field(ready, "text"), c.text) << ready;
    EXPECT_EQ(Field(ready, "bold"), c.bold) << ready;
    const std::vector<WinInfo> box = ListWindow(kBox);
    ASSERT_FALSE(box.empty());
    EXPECT_EQ(box[0].text, c.caption) << "the title keeps the caption";
    Driver({"key", "--vk", "0x0D", "--class", kBox});
    EXPECT_EQ(probe.Result(), 1);
  }
}

TEST(MsgBox, InlineBoldRuns) {
  Probe probe({"box", "--text", "a<b>b</b>c<b>d<P>x</b>y<B>z</B>"});
  const std::string ready = probe.Ready();
  EXPECT_EQ(Field(ready, "text"), "abcd\\r\\nxyz") << ready;
  EXPECT_EQ(Field(ready, "bold"), "b|dx|z") << ready;
  Driver({"close", "--class", kBox});
  probe.Result();
}

TEST(MsgBox, CancelsAutoPlayWhileItStands) {
  Probe probe({"box"});
  ASSERT_NE(probe.Ready(), "");
  wine::Result r = Driver({"send", "--class", kBox, "--registered", "QueryCancelAutoPlay"});
  EXPECT_NE(r.output.find("result=1\r\n"), std::string::npos) << r.output;
  Driver({"close", "--class", kBox});
  probe.Result();
}

TEST(MsgBox, HebrewCharsetReadsRightToLeft) {
  Probe probe({"box", "--charset", "177", "--text", "shalom"});
  ASSERT_NE(probe.Ready(), "");
  const std::vector<WinInfo> box = ListWindow(kBox);
  const WinInfo* text = Child(box, "RICHEDIT");
  ASSERT_NE(text, nullptr);
  EXPECT_NE(text->style & 0x2, 0u) << "ES_RIGHT";
  EXPECT_NE(text->exStyle & 0x2000, 0u) << "WS_EX_RTLREADING";
  Driver({"close", "--class", kBox});
  probe.Result();
}

// The box's size and layout against the arithmetic, fed with the line widths and system metrics
// the probe read with the box's font.
void ExpectLayout(const std::string& text, const std::string& flags, int buttons) {
  Probe probe({"box", "--text", text, "--flags", flags});
  const std::string ready = probe.Ready();
  const std::vector<int> widths = Numbers(Field(ready, "widths"));
  const int lineHeight = std::stoi(Field(ready, "lineheight"));
  const std::vector<int> frame = Numbers(Field(ready, "frame"));
  const int caption = std::stoi(Field(ready, "caption"));
  ASSERT_FALSE(widths.empty()) << ready;
  size_t line = 0;
  const Size measured =
      MeasureMsgBoxText(ParseMsgBoxMarkup(text).text, lineHeight, [&](std::string_view) { return widths[line++]; });
  const Size control{measured.width + 10, measured.height};
  const Size outer = MsgBoxWindowSize(control, frame[0], frame[1], caption);

  const std::vector<WinInfo> box = ListWindow(kBox);
  ASSERT_FALSE(box.empty());
  EXPECT_EQ(box[0].w, outer.width) << ready;
  EXPECT_EQ(box[0].h, outer.height) << ready;
  const Size client{box[0].clientW, box[0].clientH};
  const WinInfo* edit = Child(box, "RICHEDIT");
  ASSERT_NE(edit, nullptr);
  const Rect expected = MsgBoxTextRect(client, control);
  EXPECT_EQ((Rect{edit->x, edit->y, edit->w, edit->h}), expected);
  int seen = 0;
  for (size_t i = 1; i < box.size(); ++i) {
    if (box[i].cls != "Button") continue;
    EXPECT_EQ((Rect{box[i].x, box[i].y, box[i].w, box[i].h}), MsgBoxButtonRect(client, seen, buttons));
    ++seen;
  }
  EXPECT_EQ(seen, buttons);
  Driver({"close", "--class", kBox});
  probe.Result();
}

TEST(MsgBox, OneLineTextGetsTheMinimumWidth) {
  ExpectLayout("Hello", "0x00", 1);
  Probe probe({"box", "--text", "Hello"});
  const std::string ready = probe.Ready();
  const std::vector<WinInfo> box = ListWindow(kBox);
  ASSERT_FALSE(box.empty());
  const WinInfo* edit = Child(box, "RICHEDIT");
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->w, std::stoi(Field(ready, "widths")) + 20);
  EXPECT_EQ(box[0].w, 360);
  Driver({"close", "--class", kBox});
  probe.Result();
}

TEST(MsgBox, OverlongLineIsCappedAndCountedAsWrapped) {
  // Long enough for 1200..1799 pixels in the 8-point default font.
  const std::string line(200, 'x');
  ExpectLayout(line, "0x24", 2);
  Probe probe({"box", "--text", line});
  const std::string ready = probe.Ready();
  const int width = std::stoi(Field(ready, "widths"));
  ASSERT_GE(width, 1200) << ready;
  ASSERT_LT(width, 1800) << ready;
  const std::vector<WinInfo> box = ListWindow(kBox);
  const WinInfo* edit = Child(box, "RICHEDIT");
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->w, 610);
  Driver({"close", "--class", kBox});
  probe.Result();
}

TEST(MsgBox, NextDiskQuestionOfTheExtraction) {
  for (auto [answer, result] : {std::pair{"O", 1}, std::pair{"C", 0}}) {
    Probe probe({"disk", "--caption", "Attention", "--text", "Please insert <B>DISK #2</B> and press OK to continue"});
    const std::string ready = probe.Ready();
    EXPECT_NE(ready.find(" bold=ATTENTION|DISK #2 text="), std::string::npos) << ready;
    const std::vector<WinInfo> box = ListWindow(kBox);
    ASSERT_NE(Child(box, "Button", "&OK"), nullptr);
    ASSERT_NE(Child(box, "Button", "&Cancel"), nullptr);
    ASSERT_EQ(Driver({"key", "--key", answer, "--class", kBox}).exitCode, 0);
    EXPECT_EQ(probe.Result(), result) << probe.Output();
  }
}

TEST(MsgBox, ThreeButtonsTouchAtTheRight) { ExpectLayout("Abort, retry or ignore?<P>Second line", "0x02", 3); }
}  // namespace
