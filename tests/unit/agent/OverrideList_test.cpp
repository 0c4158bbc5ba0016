// The override list both ways.
#include "agent/OverrideList.h"

#include <gtest/gtest.h>

namespace {
std::string Values(const OverrideList& list) {
  std::string out;
  for (int i = 0; i < OverrideList::kCount; ++i) out += std::to_string(list.Get(i)) + " ";
  return out;
}
}  // namespace

TEST(OverrideList, Text) {
  OverrideList list;
  EXPECT_EQ(list.ToText(), "|255|255|255|255|255|255|255|255|");
  list.Set(0, 1);
  list.Set(3, 0);
  list.Set(7, 42);
  EXPECT_EQ(list.ToText(), "|1|255|255|0|255|255|255|42|");
  list.Set(8, 1);  // no such position
  list.Set(-1, 1);
  EXPECT_EQ(list.ToText(), "|1|255|255|0|255|255|255|42|");
  EXPECT_EQ(list.Get(8), OverrideList::kUnset);

  OverrideList back;
  back.ReadText(list.ToText());
  EXPECT_EQ(Values(back), Values(list));
}

TEST(OverrideList, Reading) {
  struct Case {
    const char* text;
    const char* expected;  // starting from 7 7 7 7 7 7 7 7
  } cases[] = {
      {"|1|0|||||||", "1 0 7 7 7 7 7 7 "},             // empty tokens leave their positions
      {"|1|0|", "1 0 7 7 7 7 7 7 "},                   // too few tokens
      {"|abc|300|-1| 4 |2x|", "7 44 255 4 7 7 7 7 "},  // low 8 bits; unconvertible tokens ignored
      {"|1|2|3|4|5|6|7|8|9|", "1 2 3 4 5 6 7 8 "},     // a ninth token is ignored
      {"*0*1*", "0 1 7 7 7 7 7 7 "},                   // the delimiter is the first character
      {"", "7 7 7 7 7 7 7 7 "},
      {"|1|2", "1 7 7 7 7 7 7 7 "},  // an unclosed last token is not read
  };
  for (const auto& c : cases) {
    OverrideList list;
    for (int i = 0; i < OverrideList::kCount; ++i) list.Set(i, 7);
    list.ReadText(c.text);
    EXPECT_EQ(Values(list), c.expected) << c.text;
  }
}

TEST(OverrideList, Flag) {
  OverrideList list;
  EXPECT_TRUE(list.Flag(1, true));
  EXPECT_FALSE(list.Flag(1, false));
  list.Set(1, 1);
  EXPECT_TRUE(list.Flag(1, false));
  list.Set(1, 0);
  EXPECT_FALSE(list.Flag(1, true));
  list.Set(1, 2);  // any value but 1 is off
  EXPECT_FALSE(list.Flag(1, true));
}
