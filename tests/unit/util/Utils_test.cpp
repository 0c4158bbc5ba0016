// The shared text, number, date, path and scrambling helpers, from tables of cases.
#include "util/Utils.h"

#include <gtest/gtest.h>

#include <limits>

using namespace std::string_literals;

TEST(UtilsSearch, Positions) {
  EXPECT_EQ(PosCI("xy", "abcXYdef"), 4u);
  EXPECT_EQ(PosCI("", "abc"), 0u);
  EXPECT_EQ(PosCI("abcd", "abc"), 0u);
  EXPECT_EQ(PosCI("\xE9", "\xC9\xE9"), 2u);  // only a..z fold
  EXPECT_EQ(LastPos("ab", "abxab"), 4u);
  EXPECT_EQ(LastPos("ab", "xyz"), 0u);
  EXPECT_EQ(LastPos("", "xyz"), 0u);
  EXPECT_EQ(LastPosFromEndCI("XY", "abcXYdef"), 4u);
  EXPECT_EQ(LastPosFromEndCI("xy", "XYabXY"), 1u);
  EXPECT_EQ(LastPosFromEndCI("q", "abc"), 0u);
}

TEST(UtilsSearch, PosFrom) {
  struct Case {
    std::string sub, text;
    size_t from;
    bool ignoreCase;
    size_t expected;
  } cases[] = {
      {"a", "abab", 0, false, 1}, {"a", "abab", 1, false, 1}, {"a", "abab", 2, false, 3},
      {"a", "abab", 3, false, 3}, {"a", "abab", 4, false, 0}, {"a", "abab", 5, false, 0},
      {"A", "abab", 2, false, 0}, {"A", "abab", 2, true, 3},  {"ab", "abab", 4, false, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PosFrom(c.sub, c.text, c.from, c.ignoreCase), c.expected)
        << c.sub << " in " << c.text << " from " << c.from;
  EXPECT_EQ(PosFromCI("B", "abab", 3), 4u);
}

TEST(UtilsSearch, StartsEndsAndSame) {
  EXPECT_TRUE(StartsWith("ab", "abc", false));
  EXPECT_FALSE(StartsWith("AB", "abc", false));
  EXPECT_TRUE(StartsWith("AB", "abc", true));
  EXPECT_FALSE(StartsWith("abcd", "abc", true));
  EXPECT_TRUE(EndsWith(".EXE", "stub.exe", true));
  EXPECT_FALSE(EndsWith(".EXE", "stub.exe", false));
  EXPECT_FALSE(EndsWith("xstub.exe", "stub.exe", true));
  EXPECT_TRUE(SameText("Abc", "aBC"));
  EXPECT_FALSE(SameText("Abc", "aBCd"));
  EXPECT_TRUE(SameTextTrim("  Abc\t", "ABC "));
  EXPECT_EQ(UpperCase("ab\xE9z1"), "AB\xE9Z1");
  EXPECT_EQ(LowerCase("AB\xC9Z1"), "ab\xC9z1");
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // bytes above 0x7F are not blanks
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a "), "  a");
}

TEST(UtilsCut, BeforeAfter) {
  EXPECT_EQ(TextBefore("a:b:c", ":", "d"), "a");
  EXPECT_EQ(TextAfter("a:b:c", ":", "d"), "b:c");
  EXPECT_EQ(TextBefore("abc", ":", "d"), "d");
  EXPECT_EQ(TextAfter("abc", ":", "d"), "d");
  EXPECT_EQ(TextAfter("abc:", ":", "d"), "");
}

TEST(UtilsCut, Replace) {
  struct Case {
    std::string text, find, replacement, sensitive, insensitive;
  } cases[] = {
      {"a<DRIVE>b<drive>", "<DRIVE>", "C:", "aC:b<drive>", "aC:bC:"},
      {"aaa", "a", "aa", "aaaaaa", "aaaaaa"},  // inserted text is never matched again
      {"xAx", "a", "Ab", "xAx", "xAbx"},
      {"aabb", "ab", "", "ab", "ab"},  // nor is a text the removal joins together
      {"abc", "", "z", "abc", "abc"},
      {"", "a", "z", "", ""},
      {"abab", "ab", "<ab>", "<ab><ab>", "<ab><ab>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceText(c.text, c.find, c.replacement), c.sensitive) << c.text;
    EXPECT_EQ(ReplaceTextCI(c.text, c.find, c.replacement), c.insensitive) << c.text;
  }
  EXPECT_EQ(ReplaceChar("a/b/c", '/', '\\'), "a\\b\\c");
  EXPECT_EQ(ReplaceChar("a\0b"s, '\0', '|'), "a|b");
  EXPECT_EQ(ReverseText("abc"), "cba");
}

TEST(UtilsCut, StripQuotes) {
  struct Case {
    std::string text;
    char quote;
    bool force, once;
    std::string expected;
  } cases[] = {
      {"\"", '"', false, false, ""},
      {"\"\"\"", '"', true, false, ""},
      {"\"\"\"", '"', false, true, "\""},
      {"\"a\"", '"', false, false, "a"},
      {"\"\"a\"\"", '"', false, true, "\"a\""},
      {"\"\"a\"\"", '"', false, false, "a"},
      {"\"a", '"', false, false, "\"a"},  // quoted at one end only, no force
      {"\"a", '"', true, false, "a"},
      {"a\"", '"', true, false, "a"},
      {"'a'", '\'', false, false, "a"},
      {"a", '"', true, false, "a"},
      {"", '"', true, false, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(StripQuotes(c.text, c.quote, c.force, c.once), c.expected) << c.text << c.force << c.once;
  EXPECT_EQ(TrimQuotes("  \"C:\\a b\" ", false), "C:\\a b");
  EXPECT_EQ(TrimQuotes(" \"C:\\a b ", true), "C:\\a b");
  EXPECT_EQ(IfThenText(true, "a", "b"), "a");
  EXPECT_EQ(IfThenText(false, "a", "b"), "b");
  EXPECT_STREQ(BoolToText(true), "TRUE");
  EXPECT_STREQ(BoolToText(false), "FALSE");
}

TEST(UtilsNumbers, ParseInt64) {
  struct Case {
    std::string text;
    std::optional<int64_t> expected;
  } cases[] = {
      {"5", 5},
      {" -12 ", -12},
      {"+7", 7},
      {"0", 0},
      {"9223372036854775807", std::numeric_limits<int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<int64_t>::min()},
      {"9223372036854775808", std::nullopt},  // overflow
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"5x", std::nullopt},
      {"1 2", std::nullopt},
      {"abc", std::nullopt},
      {"TRUE", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-5", std::nullopt},
      {"0x10", std::nullopt},
      {"1.5", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseInt64(c.text), c.expected) << '"' << c.text << '"';
  EXPECT_EQ(StrToInt64Def("x", -1), -1);
  EXPECT_EQ(StrToInt64Def("42", -1), 42);
  EXPECT_EQ(IntToStr(-9), "-9");
}

TEST(UtilsNumbers, Padding) {
  EXPECT_EQ(ZeroPad("7", 3), "007");
  EXPECT_EQ(ZeroPad("1234", 3), "1234");
  EXPECT_EQ(IntToZeroPad(5, 2), "05");
  EXPECT_EQ(IntToZeroPad(-5, 3), "-05");
  struct Case {
    std::string text;
    int width;
    char pad;
    std::string expected;
  } cases[] = {
      {"abcdef", -4, ' ', "abc."},   {"ab", -4, ' ', "  ab"},       {"abcdef", 8, ' ', "  abcdef"},
      {"abcdef", -2, ' ', "abcdef"}, {"abcdef", -1, ' ', "abcdef"}, {"abcdef", 0, ' ', "abcdef"},
      {"ab", -1, ' ', "ab"},         {"abcdef", 4, ' ', "abcdef"},  {"7", 3, '0', "007"},
      {"abcd", -4, '.', "abcd"},
  };
  for (const auto& c : cases) EXPECT_EQ(PadLeft(c.text, c.width, c.pad), c.expected) << c.text << " " << c.width;
}

TEST(UtilsNumbers, InsertThousands) {
  struct Case {
    std::string text, expected;
  } cases[] = {
      {"1048576", "1,048,576"},
      {"1048576.25", "1,048,576.25"},
      {"765", "765"},
      {"4096", "4,096"},
      {"-123", "-123"},
      {"-1234", "-1,234"},
      {"", ""},
      {"123456", "123,456"},
      {".2555", ".2,555"},  // a leading "." counts as no decimal point
  };
  for (const auto& c : cases) EXPECT_EQ(InsertThousands(c.text), c.expected) << c.text;
}

TEST(UtilsNumbers, SizeText) {
  struct Case {
    bool thousands;
    int decimals;
    double unit, value;
    std::string expected;
  } cases[] = {
      {false, 0, 1024, 1025, "2"},
      {false, 0, 1024, 0, "0"},
      {false, 1, 1024, 1536, "1.5"},
      {false, 1, 1024, 0, "0.0"},
      {false, 0, 1024, 1024, "1"},
      {true, 0, 1024, 2147483648.0, "2,097,152"},
      {true, 1, 1048576, 1048576.0 * 1234.5, "1,234.5"},
      {false, 0, 0, 5, "5"},  // a zero unit does not divide by zero
  };
  for (const auto& c : cases) EXPECT_EQ(SizeText(c.thousands, c.decimals, c.unit, c.value), c.expected) << c.value;
}

TEST(UtilsNumbers, RangesAndBases) {
  for (int i = 0; i < 200; ++i) {
    int64_t r = RandomInRange(122, 33);
    ASSERT_GE(r, 33);
    ASSERT_LE(r, 122);
  }
  EXPECT_EQ(RandomInRange(5, 5), 5);
  EXPECT_EQ(RandomInRange(1, 5), 5);
  EXPECT_EQ(Min64(-1, 2), -1);
  EXPECT_EQ(Max64(-1, 2), 2);
  EXPECT_EQ(Clamp64(5, 0, 3), 3);
  EXPECT_EQ(Clamp64(-5, 0, 3), 0);
  EXPECT_EQ(Clamp64(5, 10, 3), 3);  // the maximum is applied last
  EXPECT_EQ(BaseToInt64(" ff ", 16), 255);
  EXPECT_EQ(BaseToInt64("101", 2), 5);
  EXPECT_EQ(BaseToInt64("G", 16), -1);  // a non-digit counts as -1
  EXPECT_EQ(BaseToInt64("", 16), 0);
  EXPECT_EQ(HexToInt64("0x1F"), 31);
  EXPECT_EQ(HexToInt64("0X1f"), 31);
  EXPECT_EQ(HexToInt64("7FFFFFFFFFFFFFFF"), std::numeric_limits<int64_t>::max());
  HexToInt64(std::string(40, 'F'));  // wraps, never overflows (checked under UBSan)
}

TEST(UtilsNumbers, Hex) {
  EXPECT_EQ(BytesToHex("\x01\xAB"s, false, false), "01AB");
  EXPECT_EQ(BytesToHex("\x01\xAB"s, true, true), "0x01 0xAB ");
  EXPECT_EQ(BytesToHex("ABCDEFGHI", true, false), "41 42 43 44 45 46 47 48  49 ");
  EXPECT_EQ(BytesToHex("", true, true), "");
  struct Case {
    std::string text, bytes;
  } cases[] = {
      {"414", "\x41"}, {"4", "\x04"}, {"", ""}, {"41", "A"}, {"00ff", "\0\xFF"s}, {"4142", "AB"},
  };
  for (const auto& c : cases) EXPECT_EQ(HexToBytes(c.text), c.bytes) << c.text;
  std::string all;
  for (int i = 0; i < 256; ++i) all += char(i);
  EXPECT_EQ(HexToBytes(BytesToHex(all, false, false)), all);
}

TEST(UtilsPaths, TrailingBackslash) {
  struct Case {
    std::string path;
    bool with;
    std::string expected;
  } cases[] = {
      {"C:\\a\\", false, "C:\\a"},
      {"C:\\a", true, "C:\\a\\"},
      {"C:\\a\\", true, "C:\\a\\"},
      {"C:\\", false, "C:"},
      {"C:\\", true, "C:\\"},
      {"a\\", false, "a\\"},
      {"", true, "\\"},
      {"C:\\a\\\\", false, "C:\\a\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(SetTrailingBackslash(c.path, c.with), c.expected) << c.path;
  EXPECT_FALSE(IsLeadByte(0x81));
}

TEST(UtilsPaths, FileNameAndDir) {
  struct Case {
    std::string path, name, dir;
  } cases[] = {
      {"C:\\dir\\stub.exe", "stub.exe", "C:\\dir"},
      {"C:\\stub.exe", "stub.exe", "C:"},
      {"C:stub.exe", "stub.exe", "C:"},
      {"/tmp/x/stub", "stub", "/tmp/x"},
      {"stub.exe", "stub.exe", ""},
      {"C:\\dir\\", "", "C:\\dir"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(ExtractFileDir(c.path), c.dir) << c.path;
  }
  EXPECT_EQ(FileVersionText(""), "");
}

TEST(UtilsDates, Texts) {
  const DateTime dt{2026, 12, 6, 14, 5, 9, 0};
  EXPECT_EQ(DateToText(dt), "06-DEC-2026");
  EXPECT_EQ(DateToText({2027, 1, 31}), "31-JAN-2027");
  EXPECT_EQ(DateToText({2027, 13, 1}), "01--2027");  // no such month: an empty name, no crash
  EXPECT_EQ(DateTimeToText(dt), "06-DEC-2026 14:05:09");
  EXPECT_EQ(LogTimestamp(dt), "06/12/26 14:05:09");
}

TEST(UtilsDates, SecondsSince1899) {
  struct Case {
    DateTime dt;
    int64_t seconds;
  } cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0},
      {{1899, 12, 31, 0, 0, 1, 0}, 86401},
      {{1970, 1, 1, 0, 0, 0, 0}, 25569LL * 86400},
      {{2000, 3, 1, 12, 0, 0, 0}, 36586LL * 86400 + 43200},  // after a century leap day
      {{2026, 12, 6, 14, 5, 9, 499}, 46362LL * 86400 + 50709},
      {{2026, 12, 6, 14, 5, 9, 500}, 46362LL * 86400 + 50710},  // to the nearest second
      {{2026, 12, 6, 14, 5, 8, 500}, 46362LL * 86400 + 50708},  // a tie goes to the even second
      {{2026, 12, 6, 14, 5, 8, 501}, 46362LL * 86400 + 50709},
      {{1899, 12, 29, 23, 59, 59, 500}, 0},  // before day 0: -0.5 is a tie too
  };
  for (const auto& c : cases) EXPECT_EQ(DateTimeToSeconds(c.dt), c.seconds) << c.dt.year << "-" << c.dt.month;
  const int64_t before = DateTimeToSeconds(LocalNow());
  const int64_t now = NowSeconds();
  EXPECT_GE(now, before);
  EXPECT_LE(now, DateTimeToSeconds(LocalNow()));
}

TEST(UtilsScramble, FixedKeyVector) {
  // Key 'A' (65): masks 1+65 = 0x42, 2-65 = 0xC1 (mod 256), 3+65 = 0x44.
  const std::string scrambled = "Scrambled=01A\x23\xA3\x27";
  EXPECT_EQ(ScrambleTextWithKey("abc", true, false, 'A'), scrambled);
  EXPECT_EQ(ScrambleTextWithKey(scrambled, false, false, 0), "abc");
  EXPECT_EQ(ScrambleTextWithKey("abc", true, true, 'A'), "536372616D626C65643D30314123A327");
  EXPECT_EQ(ScrambleTextWithKey("536372616D626C65643D30314123A327", false, true, 0), "abc");
}

TEST(UtilsScramble, RoundTripsAndNoOps) {
  std::string all;
  for (int i = 0; i < 600; ++i) all += char(i * 7);  // every byte value, positions past 256
  for (const std::string& text : {"abc"s, "C:\\Program Files\\App"s, "x"s, all}) {
    for (bool hex : {false, true}) {
      const std::string scrambled = ScrambleText(text, true, hex);
      EXPECT_NE(scrambled, text);
      EXPECT_EQ(ScrambleText(scrambled, false, hex), text) << text << hex;
    }
  }
  for (int key = 33; key <= 122; ++key)
    EXPECT_EQ(ScrambleTextWithKey(ScrambleTextWithKey(all, true, false, key), false, false, 0), all);
  EXPECT_EQ(ScrambleText("abc", true, false).size(), 16u);
  const std::string scrambled = ScrambleText("abc", true, false);
  EXPECT_EQ(ScrambleText(scrambled, true, false), scrambled);  // already scrambled
  EXPECT_EQ(ScrambleText("plain", false, false), "plain");     // not scrambled
  EXPECT_EQ(ScrambleText("", true, true), "");
  EXPECT_EQ(ScrambleText("Scrambled=01", false, false), "");  // the mark alone holds nothing
}
