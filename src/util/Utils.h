// String, number, date, path and scrambling helpers shared by every unit. Texts are 8-bit
// strings in the system code page; positions are 1-based and 0 means "not found";
// case-insensitive operations fold the ASCII letters a..z only.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/System.h"

// --- search and compare
size_t PosCI(std::string_view sub, std::string_view text);
size_t PosFrom(std::string_view sub, std::string_view text, size_t from, bool ignoreCase);
size_t PosFromCI(std::string_view sub, std::string_view text, size_t from);
size_t LastPos(std::string_view sub, std::string_view text);
// Counted from the right end: the position of the last character of the last occurrence.
size_t LastPosFromEndCI(std::string_view sub, std::string_view text);
bool StartsWith(std::string_view prefix, std::string_view text, bool ignoreCase);
bool EndsWith(std::string_view suffix, std::string_view text, bool ignoreCase);
bool SameTextTrim(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);  // whole texts, ASCII case folded
std::string UpperCase(std::string_view text);           // ASCII letters only
std::string LowerCase(std::string_view text);
std::string Trim(std::string_view text);  // blanks and control characters, both ends
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// --- cut and change
std::string TextBefore(std::string_view text, std::string_view separator, std::string_view def);
std::string TextAfter(std::string_view text, std::string_view separator, std::string_view def);
// Every occurrence replaced, left to right; inserted text is never matched again.
std::string ReplaceText(std::string_view text, std::string_view find, std::string_view replacement);
std::string ReplaceTextCI(std::string_view text, std::string_view find, std::string_view replacement);
std::string ReplaceChar(std::string_view text, char from, char to);
std::string ReverseText(std::string_view text);
// A lone quote becomes empty; a text of 2 or more characters that is quoted at both ends (or any,
// with force) loses its leading and then its trailing quotes (one of each with once).
std::string StripQuotes(std::string_view text, char quote, bool force, bool once);
std::string TrimQuotes(std::string_view text, bool force);
// A program path as the first part of a command line: in double quotes, so that the system never
// takes a shorter prefix of a path with blanks for the program.
std::string QuotedProgram(std::string_view path);
inline std::string IfThenText(bool condition, std::string_view a, std::string_view b) {
  return std::string(condition ? a : b);
}
inline const char* BoolToText(bool value) { return value ? "TRUE" : "FALSE"; }

// --- numbers as text
// A whole decimal integer with optional sign and surrounding blanks; nothing else (no trailing
// letters, no overflow). nullopt when the text is not such an integer.
std::optional<int64_t> ParseInt64(std::string_view text);
int64_t StrToInt64Def(std::string_view text, int64_t def);
std::string IntToStr(int64_t value);
std::string ZeroPad(std::string_view text, int width);
std::string IntToZeroPad(int64_t value, int width);
std::string PadLeft(std::string_view text, int width, char pad);
std::string InsertThousands(std::string_view numberText);
std::string SizeText(bool thousands, int decimals, double unit, double value);
int64_t RandomInRange(int64_t high, int64_t low);  // low .. high inclusive; low when high <= low
int64_t Min64(int64_t a, int64_t b);
int64_t Max64(int64_t a, int64_t b);
int64_t Clamp64(int64_t value, int64_t lo, int64_t hi);
int64_t BaseToInt64(std::string_view text, int base);
int64_t HexToInt64(std::string_view text);
std::string BytesToHex(std::string_view bytes, bool spaced, bool prefixed);
std::string HexToBytes(std::string_view text);

// --- dates and times
std::string DateToText(const DateTime& dt);      // 06-DEC-2026
std::string DateTimeToText(const DateTime& dt);  // 06-DEC-2026 14:05:09
std::string LogTimestamp(const DateTime& dt);    // dd/mm/yy HH:NN:SS with the locale's separators
// Seconds since 1899-12-30 00:00 local, rounded to the nearest whole second.
int64_t DateTimeToSeconds(const DateTime& dt);
int64_t NowSeconds();

// --- paths and files
// True when the byte is a DBCS lead byte of the system code page (never on the host).
bool IsLeadByte(unsigned char byte);
// Removes one trailing backslash from a path longer than 2 characters (unless it is the trail byte
// of a DBCS character), then appends one when asked.
std::string SetTrailingBackslash(std::string_view path, bool withBackslash);
std::string ExtractFileName(std::string_view path);  // after the last "\", "/" or ":"
// Before the last "\" or "/" (no trailing backslash), or up to and including the last ":".
std::string ExtractFileDir(std::string_view path);
std::string FileVersionText(std::string_view path);  // "%d.%d.%d.%d", empty when there is none

// --- scrambling ("Scrambled=01" + key character + transformed bytes)
std::string ScrambleText(std::string_view text, bool encode, bool hex);
// With an explicit key character (33..122) instead of a random one, for tests.
std::string ScrambleTextWithKey(std::string_view text, bool encode, bool hex, int key);
