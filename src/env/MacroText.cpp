// The text rules of the macro expansion.
#include "env/MacroText.h"

#include <cstdlib>

#include "util/Utils.h"
#include "util/VSUB.h"

namespace {
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string Two(int value) { return IntToZeroPad(value, 2); }
std::string Four(int value) { return IntToZeroPad(value, 4); }

// Milliseconds since 1899-12-30 00:00 of a date-time.
int64_t MsSince1899(const DateTime& dt) {
  return (DateTimeToSeconds({dt.year, dt.month, dt.day, dt.hour, dt.minute, dt.second, 0})) * 1000 + dt.millisecond;
}

bool HasDotDir(std::string_view text) {
  return text.find("\\..") != std::string_view::npos || text.find("..\\") != std::string_view::npos;
}
}  // namespace

std::string ReplaceDirMacro(std::string_view text, std::string_view macro, std::string_view value,
                            std::string_view suffix) {
  const size_t pos = PosCI(macro, text);
  if (pos == 0) return std::string(text);
  const size_t after = pos - 1 + macro.size();
  bool drop = after >= text.size() || text[after] == ' ';
  if (!drop && text.front() == text.back()) {
    const char closer = text.front();
    drop = text[after] == closer && closer != '<' && !IsAsciiLetter(closer);
  }
  return ReplaceTextCI(text, macro, std::string(value) + (drop ? "" : std::string(suffix)));
}

std::string FormatDateMacro(char c, const DateTime& now, const DateLocale& locale) {
  const std::string d(1, locale.dateSeparator), t(1, locale.timeSeparator);
  const std::string dd = Two(now.day), mm = Two(now.month), yy = Two(now.year % 100), yyyy = Four(now.year);
  switch (c) {
    case '#':
      return dd + d + (locale.longMonthName ? locale.longMonthName(now.month) : mm) + d + yyyy;
    case '0': {
      const int64_t ms = MsSince1899(now) - MsSince1899({2000, 1, 1, 0, 0, 0, 0});
      return IntToStr(std::llabs(ms) / (86400LL * 1000));
    }
    case '1':
      return dd + "-" + mm + "-" + yy;
    case '2':
      return mm + "-" + dd + "-" + yy;
    case '3':
      return yy + "-" + mm + "-" + dd;
    case '4':
      return dd + "-" + mm + "-" + yyyy;
    case '5':
      return mm + "-" + dd + "-" + yyyy;
    case '6':
      return yyyy + "-" + mm + "-" + dd;
    case '7':
      return yyyy + "-" + mm + "-" + dd + " " + Two(now.hour) + t + Two(now.minute) + t + Two(now.second);
    default:
      return {};
  }
}

std::string ExpandDateMacro(std::string_view text, const DateTime& now, const DateLocale& locale) {
  constexpr std::string_view kDate = "<Date=";
  const size_t pos = PosCI(kDate, text);
  if (pos == 0 || text.find('>', pos - 1 + kDate.size()) == std::string_view::npos) return std::string(text);
  const size_t at = pos - 1;
  const char c = text[at + kDate.size()];  // a ">" follows, so there is a character here
  if (c != '#' && (c < '0' || c > '7')) return std::string(text);
  std::string out(text.substr(0, at));
  out += FormatDateMacro(c, now, locale);
  const size_t rest = at + kDate.size() + 2;
  if (rest < text.size()) out += text.substr(rest);
  return out;
}

std::string CollapseBackslashes(std::string_view text) {
  if (text.size() <= 2) return std::string(text);
  const bool bracketed = text.front() == text.back();
  std::string rest(text.substr(1));
  // 1-based positions in rest, from L - 2 down to 2: the pair p, p + 1 never reaches the last
  // character; deleting at p leaves every position below p where it was.
  for (size_t p = rest.size() - 2; p >= 2; --p) {
    const char before = rest[p - 2];
    if (rest[p - 1] == '\\' && rest[p] == '\\' && !IsLeadByte(static_cast<unsigned char>(before)) &&
        !(bracketed && before == text.front()))
      rest.erase(p - 1, 1);
  }
  if (rest.size() >= 2 && rest[0] == '\\' && rest[1] == '\\') rest.erase(0, 1);
  return std::string(1, text.front()) + rest;
}

std::string ExpandDotDirs(std::string_view text, const std::function<std::string(std::string_view)>& fullPath) {
  if (!HasDotDir(text)) return std::string(text);
  const int count = SUB::Count(text);
  if ((text.front() == ',' || text.front() == '|') && count != 0) {
    std::string list(text);
    for (int i = 0; i < count; ++i) {
      const std::string item = SUB::Get(list, i);
      if (HasDotDir(item)) list = SUB::Put(list, i, fullPath(item));
    }
    return list;
  }
  return fullPath(text);
}
