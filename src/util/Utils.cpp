// String, number, date, path and scrambling helpers. Bytes are compared as unsigned, so that
// characters above 0x7F of the code page are never taken for blanks or letters.
#include "util/Utils.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <random>

#include "platform/System.h"
#include "util/VSUB.h"

namespace {
unsigned char Byte(char c) { return static_cast<unsigned char>(c); }
char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
bool IsBlank(char c) { return Byte(c) <= ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool SameChar(char a, char b, bool ignoreCase) { return ignoreCase ? Upper(a) == Upper(b) : a == b; }

// 0-based start of the first occurrence of sub in text at or after from; npos when none.
size_t Find(std::string_view sub, std::string_view text, size_t from, bool ignoreCase) {
  if (sub.empty() || sub.size() > text.size()) return std::string_view::npos;
  for (size_t i = from; i + sub.size() <= text.size(); ++i) {
    size_t j = 0;
    while (j < sub.size() && SameChar(text[i + j], sub[j], ignoreCase)) ++j;
    if (j == sub.size()) return i;
  }
  return std::string_view::npos;
}

size_t ToPos(size_t index) { return index == std::string_view::npos ? 0 : index + 1; }

bool IsPathDelimiter(char c, bool colonToo) { return c == '\\' || c == '/' || (colonToo && c == ':'); }

// Walks the text character by character, a DBCS lead byte taking its trail byte along (a trail
// byte may be 0x5C, the backslash). Calls visit(index) with the start of each single-byte character.
template <typename Visit>
void ForEachSingleByte(std::string_view text, Visit visit) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsLeadByte(Byte(text[i])))
      ++i;
    else
      visit(i);
  }
}

// 0-based index of the last path delimiter; npos when there is none.
size_t LastDelimiter(std::string_view path, bool colonToo) {
  size_t last = std::string_view::npos;
  ForEachSingleByte(path, [&](size_t i) {
    if (IsPathDelimiter(path[i], colonToo)) last = i;
  });
  return last;
}

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement, bool ignoreCase) {
  if (find.empty()) return std::string(text);
  std::string out;
  size_t from = 0;
  for (size_t at; (at = Find(find, text, from, ignoreCase)) != std::string_view::npos; from = at + find.size()) {
    out.append(text.substr(from, at - from)).append(replacement);
  }
  out.append(text.substr(from));
  return out;
}

// Days of a civil date since 1970-01-01 (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

constexpr std::string_view kScrambleMark = "Scrambled=01";
}  // namespace

// --- search and compare

size_t PosCI(std::string_view sub, std::string_view text) { return ToPos(Find(sub, text, 0, true)); }

size_t PosFrom(std::string_view sub, std::string_view text, size_t from, bool ignoreCase) {
  if (from <= 1) return ToPos(Find(sub, text, 0, ignoreCase));
  if (text.size() < from) return 0;
  return ToPos(Find(sub, text, from - 1, ignoreCase));
}

size_t PosFromCI(std::string_view sub, std::string_view text, size_t from) { return PosFrom(sub, text, from, true); }

size_t LastPos(std::string_view sub, std::string_view text) { return sub.empty() ? 0 : ToPos(text.rfind(sub)); }

size_t LastPosFromEndCI(std::string_view sub, std::string_view text) {
  if (sub.empty() || sub.size() > text.size()) return 0;
  for (size_t i = text.size() - sub.size() + 1; i-- > 0;) {
    if (Find(sub, text.substr(i, sub.size()), 0, true) == 0) return text.size() - (i + sub.size()) + 1;
  }
  return 0;
}

bool StartsWith(std::string_view prefix, std::string_view text, bool ignoreCase) {
  return prefix.size() <= text.size() &&
         (prefix.empty() || Find(prefix, text.substr(0, prefix.size()), 0, ignoreCase) == 0);
}

bool EndsWith(std::string_view suffix, std::string_view text, bool ignoreCase) {
  return suffix.size() <= text.size() &&
         (suffix.empty() || Find(suffix, text.substr(text.size() - suffix.size()), 0, ignoreCase) == 0);
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!SameChar(a[i], b[i], true)) return false;
  return true;
}

bool SameTextTrim(std::string_view a, std::string_view b) { return SameText(Trim(a), Trim(b)); }

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Upper(c);
  return out;
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Lower(c);
  return out;
}

std::string TrimLeft(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return std::string(text.substr(i));
}

std::string TrimRight(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && IsBlank(text[n - 1])) --n;
  return std::string(text.substr(0, n));
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

// --- cut and change

std::string TextBefore(std::string_view text, std::string_view separator, std::string_view def) {
  size_t at = Find(separator, text, 0, false);
  return std::string(at == std::string_view::npos ? def : text.substr(0, at));
}

std::string TextAfter(std::string_view text, std::string_view separator, std::string_view def) {
  size_t at = Find(separator, text, 0, false);
  return std::string(at == std::string_view::npos ? def : text.substr(at + separator.size()));
}

// A plain left-to-right pass: the search goes on after each inserted replacement, so neither the
// replacement nor a text it joins together is matched again.
std::string ReplaceText(std::string_view text, std::string_view find, std::string_view replacement) {
  return ReplaceAll(text, find, replacement, false);
}

std::string ReplaceTextCI(std::string_view text, std::string_view find, std::string_view replacement) {
  return ReplaceAll(text, find, replacement, true);
}

std::string ReplaceChar(std::string_view text, char from, char to) {
  std::string out(text);
  if (from != to)
    for (char& c : out)
      if (c == from) c = to;
  return out;
}

std::string ReverseText(std::string_view text) { return std::string(text.rbegin(), text.rend()); }

std::string StripQuotes(std::string_view text, char quote, bool force, bool once) {
  if (text.size() == 1 && text[0] == quote) return {};
  if (text.size() < 2 || !(force || (text.front() == quote && text.back() == quote))) return std::string(text);
  for (bool more = true; more && !text.empty() && text.front() == quote; more = !once) text.remove_prefix(1);
  for (bool more = true; more && !text.empty() && text.back() == quote; more = !once) text.remove_suffix(1);
  return std::string(text);
}

std::string TrimQuotes(std::string_view text, bool force) { return StripQuotes(Trim(text), '"', force, false); }

std::string QuotedProgram(std::string_view path) { return "\"" + std::string(path) + "\""; }

// --- numbers as text

std::optional<int64_t> ParseInt64(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  // from_chars takes "-" but not "+"; a "+" must still be followed by a digit, not a second sign.
  if (text.size() > 1 && text[0] == '+' && IsDigit(text[1])) text.remove_prefix(1);
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int64_t StrToInt64Def(std::string_view text, int64_t def) { return ParseInt64(text).value_or(def); }

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string ZeroPad(std::string_view text, int width) {
  std::string out(text);
  if (width > 0 && out.size() < size_t(width)) out.insert(0, size_t(width) - out.size(), '0');
  return out;
}

std::string IntToZeroPad(int64_t value, int width) {
  if (value >= 0) return ZeroPad(IntToStr(value), width);
  // The sign stays in front of the zeros: -5 at width 3 is "-05".
  std::string digits = IntToStr(value).substr(1);
  return "-" + ZeroPad(digits, width - 1);
}

std::string PadLeft(std::string_view text, int width, char pad) {
  std::string out(text);
  if (width < -2) {
    width = -width;
    if (out.size() > size_t(width)) out = out.substr(0, size_t(width) - 1) + ".";
  }
  if (width > 0 && out.size() < size_t(width)) out.insert(0, size_t(width) - out.size(), pad);
  return out;
}

std::string InsertThousands(std::string_view numberText) {
  std::string out(numberText);
  size_t end = out.find('.');
  if (end == std::string::npos || end == 0) end = out.size();
  size_t firstDigit = 0;
  while (firstDigit < end && !IsDigit(out[firstDigit])) ++firstDigit;
  if (firstDigit == end) return out;
  for (size_t at = end; at >= firstDigit + 4; at -= 3) out.insert(at - 3, 1, ',');
  return out;
}

std::string SizeText(bool thousands, int decimals, double unit, double value) {
  if (!(unit > 0)) unit = 1;  // a zero unit would divide by zero
  std::string text;
  if (decimals < 1) {
    text = IntToStr(int64_t(std::ceil(value / unit)));
  } else {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f", value / unit);
    text = buf;
  }
  return thousands ? InsertThousands(text) : text;
}

int64_t RandomInRange(int64_t high, int64_t low) {
  if (high <= low) return low;
  // Seeded once from the clock: reseeding on every call would repeat the value for calls made
  // within one clock tick.
  static std::mt19937_64 generator(uint64_t(TickUs()) ^ uint64_t(CurrentProcessId()) << 40);
  std::uniform_int_distribution<uint64_t> pick(0, uint64_t(high) - uint64_t(low));
  return int64_t(uint64_t(low) + pick(generator));
}

int64_t Min64(int64_t a, int64_t b) { return a < b ? a : b; }
int64_t Max64(int64_t a, int64_t b) { return a > b ? a : b; }
int64_t Clamp64(int64_t value, int64_t lo, int64_t hi) { return Min64(Max64(value, lo), hi); }

int64_t BaseToInt64(std::string_view text, int base) {
  const std::string digits = UpperCase(Trim(text));
  // Unsigned, so that a long text wraps around instead of overflowing.
  uint64_t sum = 0, weight = 1;
  for (size_t i = digits.size(); i-- > 0; weight *= uint64_t(int64_t(base))) {
    const char c = digits[i];
    int64_t digit = IsDigit(c) ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
    sum += uint64_t(digit) * weight;
  }
  return int64_t(sum);
}

int64_t HexToInt64(std::string_view text) {
  std::string t = Trim(text);
  if (StartsWith("0x", t, true)) t.erase(0, 2);
  return BaseToInt64(t, 16);
}

std::string BytesToHex(std::string_view bytes, bool spaced, bool prefixed) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const char* sep = spaced ? " " : "";
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (prefixed) out += "0x";
    out += kHex[Byte(bytes[i]) >> 4];
    out += kHex[Byte(bytes[i]) & 15];
    out += sep;
    if ((i + 1) % 8 == 0) out += sep;
  }
  return out;
}

std::string HexToBytes(std::string_view text) {
  if (text.size() == 1) return std::string(1, char(HexToInt64(text)));
  std::string out;
  for (size_t i = 0; i + 1 < text.size(); i += 2) out += char(HexToInt64(text.substr(i, 2)));
  return out;
}

// --- dates and times

std::string DateToText(const DateTime& dt) {
  static constexpr std::string_view kMonths = "||JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC|";
  return IntToZeroPad(dt.day, 2) + "-" + SUB::Get(kMonths, dt.month) + "-" + IntToZeroPad(dt.year, 4);
}

std::string DateTimeToText(const DateTime& dt) {
  const std::string t(1, LocaleTimeSeparator());
  return DateToText(dt) + " " + IntToZeroPad(dt.hour, 2) + t + IntToZeroPad(dt.minute, 2) + t +
         IntToZeroPad(dt.second, 2);
}

std::string LogTimestamp(const DateTime& dt) {
  char buf[64];
  char d = LocaleDateSeparator(), t = LocaleTimeSeparator();
  std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d %02d%c%02d%c%02d", dt.day, d, dt.month, d, dt.year % 100, dt.hour, t,
                dt.minute, t, dt.second);
  return buf;
}

int64_t DateTimeToSeconds(const DateTime& dt) {
  // 1899-12-30 is day 0; whole seconds are counted exactly and the milliseconds round, a tie to
  // the even second (as the day count's rounding does).
  const int64_t days = DaysFromCivil(dt.year, dt.month, dt.day) - DaysFromCivil(1899, 12, 30);
  const int64_t whole = days * 86400 + int64_t(dt.hour) * 3600 + int64_t(dt.minute) * 60 + dt.second;
  const bool up = dt.millisecond > 500 || (dt.millisecond == 500 && (whole & 1) != 0);
  return whole + up;
}

int64_t NowSeconds() { return DateTimeToSeconds(LocalNow()); }

// --- paths and files

std::string SetTrailingBackslash(std::string_view path, bool withBackslash) {
  std::string out(path);
  // Only a backslash of its own counts, not the trail byte of a DBCS character.
  if (out.size() > 2 && out.back() == '\\' && LastDelimiter(out, false) == out.size() - 1) out.pop_back();
  if (withBackslash) out += '\\';
  return out;
}

std::string ExtractFileName(std::string_view path) {
  size_t at = LastDelimiter(path, true);
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string ExtractFileDir(std::string_view path) {
  size_t at = LastDelimiter(path, true);
  if (at == std::string_view::npos) return {};
  return std::string(path.substr(0, path[at] == ':' ? at + 1 : at));
}

// --- scrambling

std::string ScrambleTextWithKey(std::string_view text, bool encode, bool hex, int key) {
  if (text.empty()) return {};
  std::string t = hex && !encode ? HexToBytes(text) : std::string(text);
  const bool marked = StartsWith(kScrambleMark, t, false);
  if (marked != encode) {
    if (!encode) {
      // The mark alone carries no key and no text.
      if (t.size() <= kScrambleMark.size()) return {};
      key = Byte(t[kScrambleMark.size()]);
      t.erase(0, kScrambleMark.size() + 1);
    }
    for (size_t i = 1; i <= t.size(); ++i) {
      const int64_t mask = int64_t(i) + (i % 2 ? key : -key);
      t[i - 1] = char(Byte(t[i - 1]) ^ (mask & 0xFF));
    }
    if (encode) t = std::string(kScrambleMark) + char(key) + t;
  }
  return hex && encode ? BytesToHex(t, false, false) : t;
}

std::string ScrambleText(std::string_view text, bool encode, bool hex) {
  return ScrambleTextWithKey(text, encode, hex, int(33 + RandomInRange(89, 0)));
}
