// The inform file: its fields as plain and scrambled text, the token match against the own
// package's token, the content's kind, and what the vendor's writer makes of it.
#include "agent/InformFile.h"

#include <gtest/gtest.h>

#include "pack/PackWriter.h"
#include "pack/PackX.h"
#include "util/Utils.h"

namespace {
// Descrambles to "Hi!" (worked out in the package reader's tests).
const std::string kHi = "cbbebdfthsddxxce";

bool IsRandomNumberText(const std::string& s) {
  if (s.empty() || s.size() > 5) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}
}  // namespace

TEST(InformFile, FieldsAndContent) {
  struct Case {
    std::string text;
    bool tokenIsHi;  // else the token field does not decode
    std::string content;
  } cases[] = {
      {"|" + kHi + "|a|b|Hello", true, "Hello"},
      {"|" + kHi + "|a|b|x|y", true, "x|y"},  // the content keeps its own bars
      {"|" + kHi + "|||x|y||", true, "x|y||"},
      {"|" + kHi + "|a|b||", true, "|"},
      {"|" + kHi + "|a|b|", true, ""},
      {"|" + kHi + "|a|b", true, ""},  // three bars: no content
      {"|" + kHi + "|a", true, ""},
      {"|" + kHi, false, ""},                         // no bar after the token: the token field is missing too
      {"field0|" + kHi + "|a|b|text", true, "text"},  // field 0 is not used, whatever it holds
      {kHi + "|a|b|c|text", false, "text"},           // the token is field 1, not field 0
      {"||||Hello", false, "Hello"},
      {"Hello", false, ""},
      {"", false, ""},
      {"|" + kHi + "|a|b|{\\rtf1 line\\par\r\nnext}\r\n", true, "{\\rtf1 line\\par\r\nnext}\r\n"},
      {"|" + kHi + "|a|b|\x01\xFF\x80 Scrambled=01", true, "\x01\xFF\x80 Scrambled=01"},
  };
  for (const Case& c : cases) {
    for (int key : {0, 33, 65, 122}) {  // 0: as it stands, else scrambled with that key character
      const std::string file = key ? ScrambleTextWithKey(c.text, true, false, key) : c.text;
      const TInformHeader h = ParseInformHeader(file);
      const std::string label = c.text + " key " + std::to_string(key);
      EXPECT_EQ(h.body, c.content) << label;
      if (c.tokenIsHi)
        EXPECT_EQ(h.token, "Hi!") << label;
      else
        EXPECT_TRUE(IsRandomNumberText(h.token)) << label << ": " << h.token;
    }
  }
}

TEST(InformFile, TokenMatch) {
  const std::string ours = ScrambleToken("MYAPP-2026", 7);
  const std::string sameTokenOtherSeed = ScrambleToken("MYAPP-2026", 99);
  const std::string theirs = ScrambleToken("OTHER-2026", 7);
  ASSERT_NE(ours, sameTokenOtherSeed);  // the scrambled forms differ, the clear ones do not
  struct Case {
    std::string file;
    std::string own;
    bool match;
  } cases[] = {
      {BuildInformFile("Hello", ours, false, 0), "MYAPP-2026", true},
      {BuildInformFile("Hello", ours, true, 90), "MYAPP-2026", true},
      {BuildInformFile("Hello", sameTokenOtherSeed, true, 40), "MYAPP-2026", true},
      {BuildInformFile("Hello", theirs, false, 0), "MYAPP-2026", false},  // another product's
      {BuildInformFile("Hello", theirs, true, 90), "MYAPP-2026", false},
      {BuildInformFile("Hello", ours, false, 0), "myapp-2026", false},  // case counts
      {BuildInformFile("Hello", ours, false, 0), "MYAPP-202", false},
      {BuildInformFile("Hello", "MYAPP-2026", false, 0), "MYAPP-2026", false},  // a clear token is refused
      {"|" + ours.substr(0, 39) + "|||Hello", "MYAPP-2026", false},             // a damaged one too
      {"Hello", "MYAPP-2026", false},
      {"", "", false},  // nothing decodes to nothing
  };
  for (const Case& c : cases) EXPECT_EQ(InformTokenMatches(c.file, c.own), c.match) << c.file << " / " << c.own;
}

TEST(InformFile, RichTextOrPlain) {
  struct Case {
    const char* content;
    bool rich;
  } cases[] = {
      {"{\\rtf1\\ansi Hello}", true}, {"{\\rtf", true}, {"{\\RTF1 x}", false}, {" {\\rtf1 x}", false},
      {"Hello {\\rtf1}", false},      {"{\\rt", false}, {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsRichTextContent(c.content), c.rich) << c.content;
}

TEST(InformFile, WriterForm) {
  // Field 0 and the two unused fields stay empty.
  EXPECT_EQ(BuildInformFile("x|y", "tok", false, 0), "|tok|||x|y");
  // "||||" scrambled with key 'A' (65): byte i XOR (i + 65) for odd i, (i - 65) mod 256 for even i.
  EXPECT_EQ(BuildInformFile("", "", true, 65), std::string("Scrambled=01A\x3E\xBD\x38\xBF"));

  const std::string token = ScrambleToken("MYAPP-2026", 3);
  for (const std::string& content : {std::string(""), std::string("x|y"), std::string("{\\rtf1 \\b Bold\\b0}"),
                                     std::string("\0\x7C\xFF\r\n", 5), std::string("Scrambled=01zz")}) {
    for (bool scramble : {false, true}) {
      const TInformHeader h = ParseInformHeader(BuildInformFile(content, token, scramble, 77));
      EXPECT_EQ(h.token, "MYAPP-2026") << content << scramble;
      EXPECT_EQ(h.body, content) << scramble;
    }
  }
}
