// The text rules of the macro expansion, from tables.
#include "env/MacroText.h"

#include <gtest/gtest.h>

namespace {
const DateTime kNow{2026, 12, 6, 14, 5, 9, 0};

DateLocale Locale(char dateSeparator = '.', char timeSeparator = ':') {
  return {dateSeparator, timeSeparator, [](int month) { return month == 12 ? std::string("December") : "?"; }};
}
}  // namespace

TEST(MacroText, SuffixRule) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"<WinDir>", "C:\\W"},                          // ends the text
      {"<WinDir>notepad.exe", "C:\\W\\notepad.exe"},  // a file name follows
      {"<windir>notepad.exe", "C:\\W\\notepad.exe"},  // any case
      {"<WinDir> /x", "C:\\W /x"},                    // a blank follows
      {"\"<WinDir>\"", "\"C:\\W\""},                  // the closing quote of a quoted text
      {"|a|<WinDir>|", "|a|C:\\W|"},                  // the closing delimiter of a list
      {"|<WinDir>|b", "|C:\\W\\|b"},                  // not a closed list: the suffix stays
      {"x<WinDir>x", "xC:\\W\\x"},                    // a letter closes nothing
      {"<<WinDir><", "<C:\\W\\<"},                    // nor does "<"
      {"<WinDir> <WinDir>a", "C:\\W C:\\Wa"},         // the first occurrence decides for all
      {"<WinDir>a <WinDir>", "C:\\W\\a C:\\W\\"},     // ... either way
      {"no macro", "no macro"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReplaceDirMacro(c.text, "<WinDir>", "C:\\W", "\\"), c.expected) << c.text;
}

TEST(MacroText, DateFormats) {
  struct Case {
    char format;
    DateTime now;
    const char* expected;
  } cases[] = {
      {'#', kNow, "06.December.2026"},
      {'0', kNow, "9836"},  // 9836.58 days after 2000-01-01
      {'0', {2000, 1, 1, 23, 59, 59, 0}, "0"},
      {'0', {1999, 12, 31, 12, 0, 0, 0}, "0"},  // half a day before: absolute, truncated
      {'0', {1999, 12, 30, 11, 0, 0, 0}, "1"},
      {'1', kNow, "06-12-26"},
      {'2', kNow, "12-06-26"},
      {'3', kNow, "26-12-06"},
      {'4', kNow, "06-12-2026"},
      {'5', kNow, "12-06-2026"},
      {'6', kNow, "2026-12-06"},
      {'7', kNow, "2026-12-06 14:05:09"},
      {'6', {2005, 3, 4, 0, 0, 0, 0}, "2005-03-04"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateMacro(c.format, c.now, Locale()), c.expected) << c.format;
  EXPECT_EQ(FormatDateMacro('7', kNow, Locale('/', '.')), "2026-12-06 14.05.09");  // the locale's time separator
}

TEST(MacroText, DateMacro) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"a<Date=6>b", "a2026-12-06b"},
      {"<date=4>", "06-12-2026"},
      {"<Date=#>", "06.December.2026"},
      {"<Date=9>", "<Date=9>"},  // not a format: the text as it was
      {"<Date=>", "<Date=>"},
      {"<Date=6", "<Date=6"},                        // no ">" after it
      {"x><Date=6", "x><Date=6"},                    // a ">" before it does not count
      {"<Date=6x>", "2026-12-06>"},                  // the character after the format goes, whatever it is
      {"<Date=6>-<Date=4>", "2026-12-06-<Date=4>"},  // only the first
      {"<Date=9>-<Date=4>", "<Date=9>-<Date=4>"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandDateMacro(c.text, kNow, Locale()), c.expected) << c.text;
}

TEST(MacroText, CollapseBackslashes) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"", ""},
      {"\\\\", "\\\\"},  // too short to touch
      {"a\\\\", "a\\"},  // a leading pair of the rest loses one
      {"C:\\App\\\\App.exe", "C:\\App\\App.exe"},
      {"C:\\a\\\\\\\\b", "C:\\a\\b"},  // a run of four
      {"C:\\App\\\\", "C:\\App\\\\"},  // a pair ending at the last character stays
      {"C:\\a\\\\b\\\\", "C:\\a\\b\\\\"},
      {"\\\\server\\share", "\\\\server\\share"},      // UNC survives
      {"\\\\\\\\server\\share", "\\\\server\\share"},  // ... and more than two become two
      {"\"x\"\\\\y\"", "\"x\"\\\\y\""},                // a pair right after the enclosing character
      {"'x\"\\\\y\"", "'x\"\\y\""},                    // ... only when it encloses
      {"|C:\\a\\\\b|C:\\c\\\\d|", "|C:\\a\\b|C:\\c\\d|"},
  };
  for (const auto& c : cases) EXPECT_EQ(CollapseBackslashes(c.text), c.expected) << c.text;
}

TEST(MacroText, ExpandDotDirs) {
  // A resolver that shows what it was given.
  const auto full = [](std::string_view path) { return "[" + std::string(path) + "]"; };
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"C:\\a\\b", "C:\\a\\b"},  // nothing to resolve
      {"C:\\a\\..\\b", "[C:\\a\\..\\b]"},
      {"..\\b", "[..\\b]"},
      {"C:\\a\\..", "[C:\\a\\..]"},
      {"C:\\a..b", "C:\\a..b"},
      {"|C:\\a\\..\\b|C:\\c|", "|[C:\\a\\..\\b]|C:\\c|"},  // a list: item by item
      {",x,..\\y,", ",x,[..\\y],"},
      {"|C:\\a\\..\\b", "[|C:\\a\\..\\b]"},    // not a closed list: the whole text
      {";C:\\a\\..\\b;", "[;C:\\a\\..\\b;]"},  // ";" does not make a list
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandDotDirs(c.text, full), c.expected) << c.text;
}
