// Message-box markup: line breaks, tabs, the heading form and which runs end up bold.
#include "ui/MsgBoxMarkup.h"

#include <gtest/gtest.h>

namespace {
struct MarkupCase {
  const char* input;
  const char* text;
  std::vector<BoldRange> bold;
};

TEST(MsgBoxMarkup, GivesPlainTextAndBoldRanges) {
  const MarkupCase cases[] = {MarkupCase{"plain <x> text", "plain <x> text", {}},
                              MarkupCase{"a<P>b<p>c", "a\r\nb\r\nc", {}}, MarkupCase{"a<T>b<t>c", "a\tb\tc", {}},
                              MarkupCase{"one\\\\ntwo\\\\tthree", "one\r\ntwo\tthree", {}},
                              // the escapes are case-sensitive, the tags are not
                              MarkupCase{"x\\\\Ny", "x\\\\Ny", {}}, MarkupCase{"a<b>b</b>c<b>d", "abcd", {{1, 2}}},
                              MarkupCase{"x</b>y<b>z</b>", "xyz", {}},
                              MarkupCase{"<B>Bold</B> and <b>more</B>", "Bold and more", {{0, 4}, {9, 13}}},
                              MarkupCase{"<b></b>x", "x", {{0, 0}}},
                              MarkupCase{"<<b>ERROR</b><P><P>Disk full<P>", "ERROR\r\n\r\nDisk full\r\n", {{0, 5}}},
                              // only the heading form loses its first character
                              MarkupCase{"a<<b>b</b>", "a<b", {{2, 3}}},
                              // replaced text is not scanned again: "<P" + ">" does not make a break
                              MarkupCase{"<<P>P>", "<\r\nP>", {}}, MarkupCase{"<b>a<P>b</b>", "a\r\nb", {{0, 4}}}};
  for (const MarkupCase& c : cases) {
    MarkedText m = ParseMsgBoxMarkup(c.input);
    EXPECT_EQ(m.text, c.text) << c.input;
    EXPECT_EQ(m.bold, c.bold) << c.input;
  }
}

TEST(MsgBoxMarkup, MarkupToTextLeavesBoldTags) { EXPECT_EQ(MarkupToText("<B>a</B><P>"), "<B>a</B>\r\n"); }
}  // namespace
