// Switch lookups on the raw command line. The parameter part is computed afresh on every lookup.
#include "stub/CmdLine.h"

#include <algorithm>

#include "platform/System.h"
#include "util/Utils.h"
#include "util/VSUB.h"

namespace {
// Deletes text up to the end of the first case-insensitive occurrence of what. A remainder that is
// a single character once trimmed is the closing quote of the program path and counts as nothing.
bool CutThrough(std::string& text, std::string_view what) {
  size_t at = PosCI(what, text);
  if (at == 0) return false;
  text.erase(0, at - 1 + what.size());
  if (Trim(text).size() == 1) text.clear();
  return true;
}

size_t FirstOf(std::string_view text, std::string_view chars) {
  size_t at = text.find_first_of(chars);
  return at == std::string_view::npos ? text.size() : at;
}
}  // namespace

std::string GetCmdParams(std::string_view rawCmdLine, std::string_view ownPath) {
  std::string text(rawCmdLine);
  const std::string ownName = ExtractFileName(ownPath);
  // A start under another name (a short file name, say) may match neither form; then the program
  // path stays in the parameter part.
  if (!ownName.empty() && (CutThrough(text, ownName + '"') || CutThrough(text, ownName))) return Trim(text);
  if (size_t at = PosCI(ownPath, text); at > 0) text.erase(at - 1, ownPath.size());
  return Trim(text);
}

std::string ReadParamStr(std::string_view name, std::string_view rawCmdLine, std::string_view ownPath) {
  std::string s = GetCmdParams(rawCmdLine, ownPath);
  size_t at = PosCI(name, s);
  if (at == 0) return {};
  std::string_view rest = std::string_view(s).substr(at - 1 + name.size());
  if (rest.empty()) return "TRUE";
  if (rest.front() == '"') {
    rest.remove_prefix(1);
    rest = rest.substr(0, FirstOf(rest, "\""));
  } else {
    rest = rest.substr(0, FirstOf(rest, " \t"));
    rest = rest.substr(0, FirstOf(rest, "/"));
  }
  return Trim(rest);
}

int64_t ReadParamInt(std::string_view name, int64_t def, std::string_view rawCmdLine, std::string_view ownPath) {
  return StrToInt64Def(ReadParamStr(name, rawCmdLine, ownPath), def);
}

bool ParamExists(std::string_view name, std::string_view rawCmdLine, std::string_view ownPath) {
  return PosCI(name, GetCmdParams(rawCmdLine, ownPath)) > 0;
}

std::string ReadParamKey(std::string_view switchText, std::string_view def, std::string_view rawCmdLine) {
  const std::string text = Trim(switchText);
  if (text.size() < 2) return std::string(def);
  const std::string d(1, text[0]);
  // A value never holds the delimiter, so the delimiter alone marks an absent key.
  std::string value = SUB::GetValue(d + std::string(rawCmdLine) + d, text.substr(1), d, "");
  if (value == d) return std::string(def);
  value = Trim(value);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return value;
}

std::string GetCmdParams() { return GetCmdParams(RawCommandLine(), OwnExePath()); }
std::string ReadParamStr(std::string_view name) { return ReadParamStr(name, RawCommandLine(), OwnExePath()); }
int64_t ReadParamInt(std::string_view name, int64_t def) {
  return ReadParamInt(name, def, RawCommandLine(), OwnExePath());
}
bool ParamExists(std::string_view name) { return ParamExists(name, RawCommandLine(), OwnExePath()); }
std::string ReadParamKey(std::string_view switchText, std::string_view def) {
  return ReadParamKey(switchText, def, RawCommandLine());
}

std::string DropSwitch(std::string_view params, std::string_view name) {
  std::string text(params);
  if (name.empty()) return text;
  while (size_t at = PosCI(name, text)) {
    const size_t start = at - 1;
    size_t end = start + name.size();
    if (end < text.size() && text[end] == '"') {
      const size_t close = text.find('"', end + 1);
      end = close == std::string::npos ? text.size() : close + 1;
    } else {
      // Stopping at a quote keeps the quotes of an enclosing value paired.
      end = std::min(text.find_first_of(" \t/\"", end), text.size());
    }
    end = std::min(text.find_first_not_of(" \t", end), text.size());
    text.erase(start, end - start);
  }
  return text;
}

std::string QuotedSwitch(std::string_view name, std::string_view value) {
  return std::string(name) + '"' + std::string(value) + '"';
}
