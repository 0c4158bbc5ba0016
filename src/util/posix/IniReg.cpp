// Host half of the INI, registry and system wrappers. INI files follow the platform's rules
// (sections and keys without case, blanks around keys and values dropped, one pair of quotes
// around a value removed); the host has no registry, so every value reads as its default.
#include "util/IniReg.h"

#include <errno.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "util/Files.h"
#include "util/Utils.h"

namespace {
std::vector<std::string> IniLines(std::string_view file) {
  std::vector<std::string> lines;
  std::string text = ReadFileRange(file);
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

// True for a "[name]" line, with the name.
bool SectionOf(const std::string& line, std::string* name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  *name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

bool KeyOf(const std::string& line, std::string_view key, std::string* value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos || !SameText(Trim(line.substr(0, eq)), Trim(key))) return false;
  std::string v = Trim(line.substr(eq + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  *value = v;
  return true;
}
}  // namespace

std::string ReadIniString(std::string_view file, std::string_view section, std::string_view key, std::string_view def) {
  if (section.empty()) return std::string(def);
  bool inSection = false;
  std::string name, value;
  for (const std::string& line : IniLines(file)) {
    if (SectionOf(line, &name))
      inSection = SameText(name, Trim(section));
    else if (inSection && KeyOf(line, key, &value))
      return value.empty() ? std::string(def) : value;
  }
  return std::string(def);
}

bool WriteIniString(std::string_view file, std::string_view section, std::string_view key, std::string_view value) {
  std::vector<std::string> lines = IniLines(file);
  const std::string entry = Trim(key) + "=" + std::string(value);
  // Where a new key goes: after the last non-empty line of the first matching section.
  size_t insertAt = std::string::npos;
  bool inSection = false;
  std::string name, old;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (SectionOf(lines[i], &name)) {
      if (inSection) break;
      inSection = SameText(name, Trim(section));
      if (inSection) insertAt = i + 1;
    } else if (inSection && KeyOf(lines[i], key, &old)) {
      lines[i] = entry;
      insertAt = std::string::npos;
      break;
    } else if (inSection && !Trim(lines[i]).empty()) {
      insertAt = i + 1;
    }
  }
  if (!inSection) {
    lines.push_back("[" + Trim(section) + "]");
    insertAt = lines.size();
  }
  if (insertAt != std::string::npos) lines.insert(lines.begin() + std::ptrdiff_t(insertAt), entry);
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return WriteFileData(file, text);
}

bool IsWinNT() { return true; }

std::string ReadRegString(std::string_view, std::string_view, std::string_view def, bool) { return std::string(def); }

std::string GetLoggedUserName() {
  const char* user = std::getenv("USER");
  return user ? Trim(user) : "";
}

std::string GetComputerNameText() {
  char name[256] = {};
  return gethostname(name, sizeof name - 1) == 0 ? Trim(name) : "";
}

std::string GetAccountDomain(std::string_view) { return {}; }

std::string GetWinDir(bool) { return {}; }
std::string GetSysDir(bool) { return {}; }

std::string GetTempDir(bool withBackslash) {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = tmp && *tmp ? tmp : "/tmp";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return withBackslash ? dir + "/" : dir;
}
