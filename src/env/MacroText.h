// The text rules of the macro expansion: the suffix rule of folder macros, the "<Date=c>" macro,
// the collapse of doubled backslashes and the resolution of "." and ".." parts.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "platform/System.h"

// Every occurrence of macro (without case) replaced by value + suffix. The suffix is dropped for
// all of them when, at the first occurrence, the macro ends the text, is followed by a blank, or
// is followed by the character that both begins and ends the text (a closing quote or list
// delimiter; never "<" or a letter). No occurrence: the text unchanged.
std::string ReplaceDirMacro(std::string_view text, std::string_view macro, std::string_view value,
                            std::string_view suffix);

// What a date macro shows: the locale's date and time separators and its month names.
struct DateLocale {
  char dateSeparator = '/';
  char timeSeparator = ':';
  std::function<std::string(int month)> longMonthName;
};

// The value of "<Date=c>" for the format character c ("#", "0".."7"), at now.
std::string FormatDateMacro(char c, const DateTime& now, const DateLocale& locale);
// The first "<Date=" (without case) with a ">" after it: "<Date=" and the two characters after it
// give way to the formatted date when the first of them is a format character; otherwise, and
// for every later date macro, the text stays as it is.
std::string ExpandDateMacro(std::string_view text, const DateTime& now, const DateLocale& locale);

// Every inner "\\" becomes "\": the first character is left alone (so a leading UNC "\\"
// survives), as is a pair ending at the last character, a pair after a DBCS lead byte, and, in a
// text that begins and ends with the same character, a pair right after that character.
std::string CollapseBackslashes(std::string_view text);

// Texts holding "\.." or "..\" become absolute (fullPath); a token list beginning with "," or "|"
// has each such item made absolute instead.
std::string ExpandDotDirs(std::string_view text, const std::function<std::string(std::string_view)>& fullPath);
