// The portable INI parser of the tools.
#include "util/IniFile.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameCI(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x + 32);
    if (y >= 'A' && y <= 'Z') y = char(y + 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

bool IniFile::Parse(std::string_view text, std::string* error) {
  sections_.clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Section* current = nullptr;
  int lineNo = 0;
  auto fail = [&](const char* why) {
    if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
    sections_.clear();
    return false;
  };
  while (!text.empty() || lineNo == 0) {
    ++lineNo;
    size_t end = text.find('\n');
    std::string_view line = TrimBlanks(text.substr(0, end));
    text = end == text.npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') return fail("a section name must end with ]");
      std::string_view name = TrimBlanks(line.substr(1, line.size() - 2));
      if (name.empty()) return fail("empty section name");
      current = nullptr;
      for (auto& s : sections_)
        if (SameCI(s.name, name)) current = &s;
      if (!current) current = &sections_.emplace_back(Section{std::string(name), {}});
      continue;
    }
    size_t eq = line.find('=');
    if (eq == line.npos) return fail("expected key=value or [section]");
    std::string_view key = TrimBlanks(line.substr(0, eq));
    std::string_view value = TrimBlanks(line.substr(eq + 1));
    if (key.empty()) return fail("empty key");
    if (!current) return fail("key outside a section");
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    current->items.emplace_back(std::string(key), std::string(value));
  }
  return true;
}

const IniFile::Section* IniFile::Find(std::string_view section) const {
  for (const auto& s : sections_)
    if (SameCI(s.name, section)) return &s;
  return nullptr;
}

bool IniFile::Has(std::string_view section, std::string_view key) const {
  if (const Section* s = Find(section))
    for (const auto& item : s->items)
      if (SameCI(item.first, key)) return true;
  return false;
}

std::string IniFile::Get(std::string_view section, std::string_view key, std::string_view def) const {
  if (const Section* s = Find(section))
    for (const auto& item : s->items)
      if (SameCI(item.first, key)) return item.second;
  return std::string(def);
}
