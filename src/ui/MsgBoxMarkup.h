// The message box's inline markup: "<P>" line breaks, "<T>" tabs and "<B>"..."</B>" bold runs,
// turned into the plain text the box shows and the character ranges it makes bold.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// [start, end) as 0-based character offsets into the plain text.
struct BoldRange {
  size_t start = 0;
  size_t end = 0;
  bool operator==(const BoldRange&) const = default;
};

struct MarkedText {
  std::string text;
  std::vector<BoldRange> bold;
};

// "\\n" and "\\t" (case-sensitive), then "<P>" and "<T>" (any case) into CR LF and TAB.
std::string MarkupToText(std::string_view text);

// The whole conversion: MarkupToText, the "<<b>" heading form, then the bold tags. An opening tag
// is kept as a range only when the first closing tag of the remaining text follows it; unmatched
// tags vanish. Any other text in angle brackets stays as it is.
MarkedText ParseMsgBoxMarkup(std::string_view text);
