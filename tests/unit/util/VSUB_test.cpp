// Token lists: counting, reading, key lookup, replacement and re-delimiting, from tables of cases.
#include "util/VSUB.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(SUB, Count) {
  struct Case {
    std::string list;
    int count;
  } cases[] = {
      {"|a|b|", 2},
      {"|a|b", 0},
      {"", 0},
      {"||", 1},
      {"|", 0},
      {"\0"s, 0},
      {"|a\0b|c|"s, 0},
      {"/x/y/z/", 3},
      {"\x02"
       "a\x02",
       1},
  };
  for (const auto& c : cases) EXPECT_EQ(SUB::Count(c.list), c.count) << c.list;
}

TEST(SUB, Get) {
  struct Case {
    std::string list;
    int index;
    std::string def, expected;
  } cases[] = {
      {"|a||c|", 1, "z", "z"},  // an empty item gives the default
      {"|a||c|", 2, "z", "c"},
      {"||JAN|FEB|", 1, "", "JAN"},
      {"||JAN|FEB|", 0, "-", "-"},
      {"/x/y/", 1, "", "y"},
      {"|a|b", 0, "z", "a"},  // Get needs no closing delimiter for closed items...
      {"|a|b", 1, "z", "z"},  // ...but an unclosed one is not an item
      {"|a|b|", 2, "z", "z"},
      {"|a|b|", -1, "z", "z"},
      {"", 0, "z", "z"},
      {"\0"s, 0, "z", "z"},
      {"|a|b\0c|"s, 1, "z", "z"},  // nothing after a NUL is seen
      {"|&OK|&Cancel|", 1, "", "&Cancel"},
  };
  for (const auto& c : cases) EXPECT_EQ(SUB::Get(c.list, c.index, c.def), c.expected) << c.list << " " << c.index;
}

TEST(SUB, GetValue) {
  struct Case {
    std::string list, key, def, emptyValue, expected;
  } cases[] = {
      {"|a=1|b=2|", "B", "x", "", "2"},
      {"|a=1|", "c", "x", "", "x"},
      {"|a=|", "a", "x", "e", "e"},
      {"|xa=1|a=2|", "a", "x", "", "2"},  // the delimiter in front keeps "xa" from matching "a"
      {"|Name =Anna |Size=3|", "name", "x", "", "Anna "},
      {"|Name =Anna |Size=3|", "SIZE=", "x", "", "3"},
      {"| Size=3|", "size", "x", "", "3"},
      {"|Size=|", "Size", "x", "empty", "empty"},
      {"|a=1", "a", "x", "", "x"},  // not closed
      {"||", "a", "x", "", "x"},
      {"|a=b=c|", "a", "x", "", "b=c"},
      {"/prog.exe /OriginExe=\"C:\\a b\\s.exe\" /hide/", "originexe", "x", "", "\"C:\\a b\\s.exe\" "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SUB::GetValue(c.list, c.key, c.def, c.emptyValue), c.expected) << c.list << " " << c.key;
}

TEST(SUB, Put) {
  struct Case {
    std::string list;
    int index;
    std::string value, expected;
  } cases[] = {
      {"|a|b|", 1, "z", "|a|z|"},     {"|a|", 3, "z", "|a|||z|"},  {"", 2, "x", "|||x|"},
      {"|a|b|", 0, "a|b", "*a|b*b*"},  // a value holding the delimiter changes it
      {"/a/b/", 0, "x", "/x/b/"},     {"|a|b|", -1, "x", "|a|b|"}, {"|a||c|", 0, "", "|||c|"},
  };
  for (const auto& c : cases) EXPECT_EQ(SUB::Put(c.list, c.index, c.value), c.expected) << c.list << " " << c.index;
}

TEST(SUB, PutKeepsEveryItemReadable) {
  std::string list;
  for (int i = 0; i < 50; ++i) list = SUB::Put(list, i, "item" + std::to_string(i));
  ASSERT_EQ(SUB::Count(list), 50);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(SUB::Get(list, i), "item" + std::to_string(i));
}

TEST(SUB, ChangeDelimiter) {
  struct Case {
    std::string list, expected;
  } cases[] = {
      {"", ""},
      {"|a|b|", "*a*b*"},
      {"|a*b|", "^a*b^"},
      {"/a|b/", "*a|b*"},
      {"|*^!~@#$&|", "\xFF*^!~@#$&\xFF"},
      {"|*^!~@#$&\xFF|", "|*^!~@#$&\xFF|"},  // every candidate taken: unchanged
  };
  for (const auto& c : cases) EXPECT_EQ(SUB::ChangeDelimiter(c.list), c.expected) << c.list;
}
