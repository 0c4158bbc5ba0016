// Markup of message-box texts.
#include "ui/MsgBoxMarkup.h"

#include "util/Utils.h"

std::string MarkupToText(std::string_view text) {
  std::string s = ReplaceText(text, "\\\\n", "\r\n");
  s = ReplaceText(s, "\\\\t", "\t");
  s = ReplaceTextCI(s, "<P>", "\r\n");
  return ReplaceTextCI(s, "<T>", "\t");
}

MarkedText ParseMsgBoxMarkup(std::string_view text) {
  MarkedText result;
  std::string& s = result.text;
  s = MarkupToText(text);
  // MsgBoxEx marks its heading with "<<b>"; dropping the first character leaves a plain bold tag.
  if (s.starts_with("<<b>")) s.erase(0, 1);
  for (size_t open = PosCI("<B>", s); open != 0; open = PosCI("<B>", s)) {
    const size_t start = open - 1;
    s.erase(start, 3);
    const size_t close = PosCI("</B>", s);
    if (close == 0 || close - 1 < start) continue;
    s.erase(close - 1, 4);
    result.bold.push_back({start, close - 1});
  }
  s = ReplaceTextCI(s, "</B>", "");
  return result;
}
