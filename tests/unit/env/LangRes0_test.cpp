// Language choice and lookup: system language, English fallback, the single-language rule, "*"
// for no match, empty versus absent values, and the language name table's substring rule.
#include "env/LangRes0.h"

#include <gtest/gtest.h>

#include "env/SLangId.h"

namespace {
std::string Lang(std::string_view name, std::string_view pairs) {
  return "\x01" + std::string(name) + "\x01" + std::string(pairs);
}
std::string Block(std::initializer_list<std::string> languages) {
  std::string block = "\x02";
  for (auto& l : languages) block += l + "\x02";
  return block;
}

const std::string kEnglish = Lang("English",
                                  "s1=Extracting\x01"
                                  "BtnText=|&OK|\x01"
                                  "s2=\x01");
const std::string kRussian = Lang(" russian ", "s1=Izvlechenie\x01");
const std::string kGerman = Lang("German", "s1=Entpacken\x01");

// Runs the first lookup of a fresh process on a system of the given language.
std::string FirstLookup(int systemLanguage, const std::string& block, std::string_view key = "s1") {
  ResetLanguageSelection();
  SetSystemLanguageId(systemLanguage);
  return LookupLangString(block, key, "default");
}
}  // namespace

TEST(LanguageChoice, SystemLanguageThenEnglishThenSingleThenNone) {
  struct Case {
    int system;
    std::string block, expected;
  } cases[] = {
      {9, Block({kRussian}), "Izvlechenie"},             // the only language, whatever its name
      {7, Block({kEnglish, kRussian}), "Extracting"},    // German system: English
      {25, Block({kEnglish, kRussian}), "Izvlechenie"},  // names compared trimmed, case ignored
      {26, Block({kEnglish, kRussian}), "Extracting"},   // Croatian (also Serbian) looks for CROATIAN
      {9, Block({kGerman, kRussian}), "default"},        // nothing fits: compiled defaults
      {7, Block({kGerman, kRussian}), "Entpacken"},
      {9, "", "default"},
  };
  for (const Case& c : cases) EXPECT_EQ(FirstLookup(c.system, c.block), c.expected) << c.system;
  FirstLookup(9, Block({kGerman, kRussian}));
  EXPECT_EQ(SelectedLanguageItem(), "*");
}

TEST(LanguageChoice, MadeOncePerProcess) {
  // A first lookup through a reader without a language block leaves only the defaults ...
  EXPECT_EQ(FirstLookup(9, ""), "default");
  // ... for every later reader, whatever it carries.
  EXPECT_EQ(LookupLangString(Block({kEnglish}), "s1", "default"), "default");

  FirstLookup(25, Block({kEnglish, kRussian}));
  EXPECT_EQ(LookupLangString(Block({kEnglish}), "s1", "x"), "Izvlechenie");
}

TEST(LanguageChoice, EmptyValueAbsentKeyAndCase) {
  const std::string block = Block({kEnglish});
  EXPECT_EQ(FirstLookup(9, block, "s2"), "");
  EXPECT_EQ(LookupLangString(block, "s3", "default"), "default");
  EXPECT_EQ(LookupLangString(block, "BTNTEXT", "default"), "|&OK|");
  EXPECT_EQ(LookupLangString(block, "s1", "default"), "Extracting");
}

TEST(LanguageName, TableAndSubstringRule) {
  struct Case {
    int id;
    const char* name;
  } cases[] = {{9, "ENGLISH"},
               {25, "RUSSIAN"},
               {7, "GERMAN"},
               {1, "ARABIC"},
               {26, "CROATIAN"},
               {20, "NORWEGIAN"},
               {43, "DUTCH(STANDARD)"},
               {52, "CHINESE(SIMPLIFIED)"},
               {3098, "SERBIAN(CYRILIC)"},
               {0, ""},
               {99, ""},
               {12345, ""}};
  for (const Case& c : cases) EXPECT_EQ(GetLanguageName(c.id), c.name) << c.id;
  SetSystemLanguageId(25);
  EXPECT_EQ(GetSystemLanguageName(), "RUSSIAN");
}
