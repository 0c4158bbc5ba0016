// Switch lookups on the raw command line. A switch is a name beginning with "/", usually ending
// in "=", followed by its value; names match without regard to case anywhere in the parameter
// part, and the first occurrence wins. Each lookup has a pure form that takes the raw command
// line (and the own path) as arguments, and a form that asks the process for them.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The command line without the program path, trimmed. A remainder of one character (the closing
// quote of a path) counts as nothing.
std::string GetCmdParams(std::string_view rawCmdLine, std::string_view ownPath);
std::string GetCmdParams();

// The switch's value: up to the first blank or "/" unless it is quoted; "TRUE" when nothing at all
// follows the name; empty when the switch is absent.
std::string ReadParamStr(std::string_view name, std::string_view rawCmdLine, std::string_view ownPath);
std::string ReadParamStr(std::string_view name);

// The value as a decimal integer; def when the switch is absent or its value is not an integer
// (a bare switch reads as "TRUE", hence as def).
int64_t ReadParamInt(std::string_view name, int64_t def, std::string_view rawCmdLine, std::string_view ownPath);
int64_t ReadParamInt(std::string_view name, int64_t def);

// True when the name occurs in the parameter part.
bool ParamExists(std::string_view name, std::string_view rawCmdLine, std::string_view ownPath);
bool ParamExists(std::string_view name);

// The value of key=value in the whole command line taken as a token list delimited by the first
// character of switchText ("/OriginExe" looks up OriginExe= between "/"s); trimmed, one pair of
// enclosing double quotes removed; def when the key is absent.
std::string ReadParamKey(std::string_view switchText, std::string_view def, std::string_view rawCmdLine);
std::string ReadParamKey(std::string_view switchText, std::string_view def);

// The parameters without any occurrence of the switch (name matched without regard to case) and
// its value, with the blanks after it: a quoted value to its closing quote, otherwise up to the
// first blank, "/" or double quote. Afterwards no lookup of name finds anything in the result.
std::string DropSwitch(std::string_view params, std::string_view name);

// name + value in double quotes, the form in which paths are passed on: /OriginExe="C:\a b\s.exe".
std::string QuotedSwitch(std::string_view name, std::string_view value);
