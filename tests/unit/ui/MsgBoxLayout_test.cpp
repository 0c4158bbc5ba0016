// Message-box arithmetic: button sets, default button, measuring, widening and placement.
#include "ui/MsgBoxLayout.h"

#include <gtest/gtest.h>

namespace {
// Width of a line: 10 pixels per character, so tests can write widths as texts.
int TenPerChar(std::string_view line) { return int(line.size()) * 10; }

TEST(MsgBoxLayout, ButtonSetsAndResults) {
  struct Case {
    uint32_t flags;
    std::vector<std::pair<int, int>> buttons;  // item, result
  };
  const Case cases[] = {{0x00, {{0, 1}}},
                        {0x01, {{0, 1}, {1, 2}}},
                        {0x02, {{4, 3}, {5, 4}, {6, 5}}},
                        {0x03, {{2, 6}, {3, 7}, {1, 2}}},
                        {0x24, {{2, 6}, {3, 7}}},
                        {0x05, {{5, 4}, {1, 2}}},
                        {0x0F, {{0, 1}}}};
  for (const Case& c : cases) {
    std::vector<std::pair<int, int>> got;
    for (const MsgBoxButton& b : MsgBoxButtons(c.flags)) got.emplace_back(b.item, b.result);
    EXPECT_EQ(got, c.buttons) << "flags " << c.flags;
  }
}

TEST(MsgBoxLayout, DefaultButtonWrapsIntoTheSet) {
  EXPECT_EQ(MsgBoxDefaultIndex(0x205, 2), 0);  // retry/cancel, default 2 -> first
  EXPECT_EQ(MsgBoxDefaultIndex(0x104, 2), 1);
  EXPECT_EQ(MsgBoxDefaultIndex(0x203, 3), 2);
  EXPECT_EQ(MsgBoxDefaultIndex(0xF00, 1), 0);
  EXPECT_EQ(MsgBoxDefaultIndex(0x80000, 1), 0) << "other bits do not count";
}

TEST(MsgBoxLayout, Icons) {
  EXPECT_EQ(MsgBoxSystemIcon(0x10), 32513);
  EXPECT_EQ(MsgBoxSystemIcon(0x24), 32514);
  EXPECT_EQ(MsgBoxSystemIcon(0x30), 32515);
  EXPECT_EQ(MsgBoxSystemIcon(0x41), 32516);
  EXPECT_EQ(MsgBoxSystemIcon(0x50), 0);
  EXPECT_EQ(MsgBoxSystemIcon(0x00), 0);
}

TEST(MsgBoxLayout, LineHeightAddsOneForMsPGothic) {
  EXPECT_EQ(MsgBoxLineHeight(13, 0, "Tahoma"), 13);
  EXPECT_EQ(MsgBoxLineHeight(13, 2, " ms pgothic "), 16);
}

TEST(MsgBoxLayout, Measuring) {
  struct Case {
    std::string text;
    Size size;
  };
  const std::string wide(120, 'w');  // 1200 pixels
  const Case cases[] = {
      {"", {20, 13}},                                     // measured as " "
      {std::string(9, 'x'), {100, 13}},                   // 90 + 10
      {"ab\r\nabcd\r\n", {50, 26}},                       // the empty line after the final break is not counted
      {"ab\r\n\r\nc", {30, 39}},                          // an empty line inside is
      {wide, {600, 39}},                                  // 1200 div 600 + 1 = 3 lines, width capped
      {std::string(59, 'x') + "\r\n" + wide, {600, 52}},  // 590 + 10 = 600 stays one line
  };
  for (const Case& c : cases) EXPECT_EQ(MeasureMsgBoxText(c.text, 13, TenPerChar), c.size) << c.text;
}

TEST(MsgBoxLayout, WideningStopsAtTheFirstWidthThatFits) {
  std::vector<int> tried;
  int width = WidenForBold({100, 26}, [&](int w) {
    tried.push_back(w);
    return Size{w, w >= 125 ? 26 : 39};
  });
  EXPECT_EQ(width, 130);
  EXPECT_EQ(tried, (std::vector<int>{100, 110, 120, 130}));
}

TEST(MsgBoxLayout, WideningGivesUpWithTheWidestRequestPlusTen) {
  int calls = 0;
  int width = WidenForBold({100, 26}, [&](int w) {
    ++calls;
    return Size{calls == 5 ? 450 : w, 40};
  });
  EXPECT_EQ(calls, 21);
  EXPECT_EQ(width, 460);
}

TEST(MsgBoxLayout, WindowSize) {
  // cxFrame 4, cyFrame 4, caption 19
  EXPECT_EQ(MsgBoxWindowSize({110, 13}, 4, 4, 19), (Size{360, 13 + 36 + 90 + 8 + 19}));
  EXPECT_EQ(MsgBoxWindowSize({610, 39}, 4, 4, 19), (Size{610 + 54 + 64 + 8, 39 + 36 + 64 + 8 + 19}));
  EXPECT_EQ(MsgBoxWindowSize({199, 38}, 0, 0, 0), (Size{199 + 54 + 128, 38 + 36 + 90}));
  EXPECT_EQ(MsgBoxWindowSize({200, 39}, 0, 0, 0), (Size{360, 39 + 36 + 64}));
}

TEST(MsgBoxLayout, DeveloperQuestionMovesAside) {
  EXPECT_EQ(MsgBoxDeveloperShift("x Do you want to store the new Entry in y?", true), 150);
  EXPECT_EQ(MsgBoxDeveloperShift("x Do you want to store the new Entry in y?", false), 0);
  EXPECT_EQ(MsgBoxDeveloperShift("do you want to store the new entry in", true), 0);
}

TEST(MsgBoxLayout, TextAndButtonPlaces) {
  EXPECT_EQ(MsgBoxTextRect({400, 200}, {110, 13}), (Rect{54 + 118, 75, 110, 200 - 75 - 39}));
  EXPECT_EQ(MsgBoxTextRect({353, 100}, {110, 13}), (Rect{(353 - 54 - 110) / 2 + 54, 25, 110, 36}));
  EXPECT_EQ(MsgBoxButtonRect({400, 200}, 1, 2), (Rect{320, 171, 70, 23}));
  EXPECT_EQ(MsgBoxButtonRect({400, 200}, 0, 2), (Rect{250, 171, 70, 23}));
  EXPECT_EQ(MsgBoxButtonRect({400, 200}, 0, 3), (Rect{180, 171, 70, 23}));
}
}  // namespace
