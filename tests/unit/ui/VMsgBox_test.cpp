// What MsgBoxEx and the shortcuts hand to the box.
#include "ui/VMsgBox.h"

#include <gtest/gtest.h>

namespace {
TEST(MsgBoxEx, OwnerModeZeroAddsTheHeading) {
  struct Case {
    const char* caption;
    const char* text;
  };
  const Case cases[] = {{"Error", "<<b>ERROR</b><P><P>Disk full<P>"},
                        {"Attention", "<<b>ATTENTION</b><P><P>Disk full<P>"},
                        {"Fehler", "<<b>Fehler</b><P><P>Disk full<P>"},  // a translated caption keeps its case
                        {"", "<<b></b><P><P>Disk full<P>"}};
  for (const Case& c : cases) {
    MsgBoxExCall call = PrepareMsgBoxEx(0, "Disk full", c.caption, 0, 0x10);
    EXPECT_EQ(call.text, c.text) << c.caption;
    EXPECT_EQ(call.flags, 0x52010u);
  }
}

TEST(MsgBoxEx, FlagsByOwnerModeAndCharset) {
  EXPECT_EQ(PrepareMsgBoxEx(1, "t", "Error", 0, 0x24).text, "t");
  EXPECT_EQ(PrepareMsgBoxEx(1, "t", "c", 0, 0x24).flags, 0x52024u);
  EXPECT_EQ(PrepareMsgBoxEx(2, "t", "c", 0, 0x24).flags, 0x10052024u);
  EXPECT_EQ(PrepareMsgBoxEx(1, "t", "c", 177, 0).flags, 0x1D2000u);
  EXPECT_EQ(PrepareMsgBoxEx(1, "t", "c", 178, 0).flags, 0x1D2000u);
  EXPECT_EQ(PrepareMsgBoxEx(1, "t", "c", 204, 0).flags, 0x52000u);
  EXPECT_EQ(PrepareMsgBoxEx(0x12345, "t", "c", 0, 0).text, "t") << "a window handle shows no heading";
}

struct Shown {
  std::string text, caption, buttons;
  uint32_t flags = 0;
  int timeout = 0;
};
Shown last;
int answer = 0;
int Record(std::string_view text, std::string_view caption, std::string_view buttons, uint32_t flags, int timeout) {
  last = {std::string(text), std::string(caption), std::string(buttons), flags, timeout};
  return answer;
}

struct AnswererScope {
  MsgBoxAnswerer previous = SetMsgBoxAnswerer(Record);
  ~AnswererScope() { SetMsgBoxAnswerer(previous); }
};

TEST(MsgBoxShortcuts, FillDefaultsAndMapResults) {
  AnswererScope scope;
  answer = 6;
  EXPECT_TRUE(ConfirmMsg(1, "Go?", "", "", 0, 5000));
  EXPECT_EQ(last.caption, "Confirm");
  EXPECT_EQ(last.buttons, "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|");
  EXPECT_EQ(last.flags, 0x52024u);
  EXPECT_EQ(last.timeout, 5000);
  answer = 7;
  EXPECT_FALSE(ConfirmMsg(1, "Go?"));
  answer = 1;
  EXPECT_TRUE(ConfirmOkMsg(1, "Insert disk", "Attention", "|Ja|Nein|"));
  EXPECT_EQ(last.caption, "Attention");
  EXPECT_EQ(last.buttons, "|Ja|Nein|");
  EXPECT_EQ(last.flags, 0x52021u);
  answer = 6;
  EXPECT_FALSE(ConfirmOkMsg(1, "x")) << "only OK counts";
  ErrorMsg(0, "Broken");
  EXPECT_EQ(last.caption, "Error");
  EXPECT_EQ(last.text, "<<b>ERROR</b><P><P>Broken<P>");
  EXPECT_EQ(last.flags, 0x52010u);
  AttentionMsg(2, "Careful", "", "", 0, 3000);
  EXPECT_EQ(last.caption, "Attention");
  EXPECT_EQ(last.flags, 0x10052030u);
  EXPECT_EQ(last.timeout, 3000);
}

TEST(MsgBoxFontSettings, SizeZeroKeepsTheSize) {
  SetMsgBoxFont("Arial", 10, 204);
  SetMsgBoxFont("Verdana", 0, 0);
  EXPECT_EQ(GetMsgBoxFont().face, "Verdana");
  EXPECT_EQ(GetMsgBoxFont().size, 10);
  EXPECT_EQ(GetMsgBoxFont().charset, 0);
  SetMsgBoxFont("Tahoma", 8, 1);
}
}  // namespace
