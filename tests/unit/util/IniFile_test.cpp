// The tools' INI parser: line forms, case-blind lookups, order, quoting and refused lines.
#include "util/IniFile.h"

#include <gtest/gtest.h>

TEST(IniFileParser, ReadsSectionsKeysAndValues) {
  IniFile ini;
  std::string error;
  ASSERT_TRUE(
      ini.Parse("\xEF\xBB\xBF; comment\r\n"
                "[Package]\r\n"
                "  Stub = stub.exe  \r\n"
                "Empty=\n"
                "# another comment\n"
                "Url = http://h/a?b=c;d\n"
                "Quoted = \"  padded  \"\n"
                "\n"
                "[Language English]\n"
                "s1 = Extracting...\n"
                "s0 = Setup\n"
                "[package]\n"
                "Stub = second.exe\n"
                "Late = 1",
                &error))
      << error;
  EXPECT_EQ(ini.Get("PACKAGE", "stub"), "stub.exe");  // the first value wins
  EXPECT_EQ(ini.Get("Package", "Empty", "def"), "");
  EXPECT_EQ(ini.Get("Package", "Missing", "def"), "def");
  EXPECT_EQ(ini.Get("Nowhere", "Stub", "def"), "def");
  EXPECT_EQ(ini.Get("Package", "Url"), "http://h/a?b=c;d");
  EXPECT_EQ(ini.Get("Package", "Quoted"), "  padded  ");
  EXPECT_EQ(ini.Get("Package", "Late"), "1");
  EXPECT_TRUE(ini.Has("package", "EMPTY"));
  EXPECT_FALSE(ini.Has("package", "none"));
  ASSERT_EQ(ini.Sections().size(), 2u);
  EXPECT_EQ(ini.Sections()[1].name, "Language English");
  const auto& items = ini.Sections()[1].items;
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0], (std::pair<std::string, std::string>{"s1", "Extracting..."}));
  EXPECT_EQ(items[1].first, "s0");
}

TEST(IniFileParser, RefusesMalformedLines) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"[A]\nno equals sign", "line 2: expected key=value or [section]"},
      {"key=value", "line 1: key outside a section"},
      {"[A\nk=v", "line 1: a section name must end with ]"},
      {"[ ]", "line 1: empty section name"},
      {"[A]\n\n = v", "line 3: empty key"},
  };
  for (const auto& c : cases) {
    IniFile ini;
    std::string error;
    EXPECT_FALSE(ini.Parse(c.text, &error)) << c.text;
    EXPECT_EQ(error, c.error);
    EXPECT_TRUE(ini.Sections().empty());
  }
  IniFile empty;
  EXPECT_TRUE(empty.Parse(""));
  EXPECT_TRUE(empty.Sections().empty());
}
