// Message-box keyboard rules.
#include "ui/MsgBoxKeys.h"

#include <gtest/gtest.h>

namespace {
const std::vector<std::string> kYesNoCancel = {"&Yes", "&No", "&Cancel"};
using A = MsgBoxKeyAction;

TEST(MsgBoxKeys, KeyDown) {
  struct Case {
    int vk;
    int focused;
    A action;
  };
  const Case cases[] = {
      {'N', 0, {A::kChoose, 1}},  {'Y', 2, {A::kChoose, 0}},
      {'C', -1, {A::kChoose, 2}}, {'Q', 0, {}},
      {0x0D, 1, {A::kChoose, 1}}, {0x0D, -1, {}},
      {0x25, 0, {A::kFocus, 2}},  {0x26, 2, {A::kFocus, 1}},
      {0x09, 2, {A::kFocus, 0}},  {0x27, 0, {A::kFocus, 1}},
      {0x28, 1, {A::kFocus, 2}},  {0x09, -1, {A::kFocus, 0}},
      {0x25, -1, {A::kFocus, 2}}, {0x1B, 0, {}},  // Escape is not handled
  };
  for (const Case& c : cases) EXPECT_EQ(MsgBoxKeyDown(c.vk, c.focused, kYesNoCancel), c.action) << c.vk;
}

TEST(MsgBoxKeys, HotCharacters) {
  EXPECT_EQ(MsgBoxHotChar("&Yes"), 'Y');
  EXPECT_EQ(MsgBoxHotChar("Re&try"), 't');
  EXPECT_EQ(MsgBoxHotChar("OK"), 'O');
  EXPECT_EQ(MsgBoxHotChar("End&"), 0);
  EXPECT_EQ(MsgBoxHotChar(""), 0);
  // several matches: the last one wins, lower-case hot characters match too
  EXPECT_EQ(MsgBoxKeyDown('A', 0, {"&Abort", "&again", "x"}), (A{A::kChoose, 1}));
}

TEST(MsgBoxKeys, CharComparesTheSecondCharacter) {
  EXPECT_EQ(MsgBoxChar('n', kYesNoCancel), (A{A::kChoose, 1}));
  EXPECT_EQ(MsgBoxChar('Y', kYesNoCancel), (A{A::kChoose, 0}));
  EXPECT_EQ(MsgBoxChar('x', kYesNoCancel), A{});
  // the first match wins; "OK" has 'K' as its second character
  EXPECT_EQ(MsgBoxChar('k', {"OK", "&Kill"}), (A{A::kChoose, 0}));
}

TEST(MsgBoxKeys, NoButtonsNoAction) { EXPECT_EQ(MsgBoxKeyDown('Y', 0, {}), A{}); }
}  // namespace
