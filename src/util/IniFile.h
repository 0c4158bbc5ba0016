// A small portable INI parser for the tools (the stub itself reads INI files through the Win32
// profile calls). Sections and keys are matched without case; items keep their file order.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class IniFile {
 public:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> items;  // key, value
  };

  // Lines are "[section]", "key=value", blank, or comments starting with ";" or "#". Keys and
  // values are trimmed; a value wrapped in double quotes loses them and keeps its blanks. A
  // repeated section continues the first one. False, with error naming the line, on a line of
  // any other form or a key outside every section; the file is then left empty.
  bool Parse(std::string_view text, std::string* error = nullptr);

  bool HasSection(std::string_view section) const { return Find(section) != nullptr; }
  bool Has(std::string_view section, std::string_view key) const;
  // The first value of key in section, or def when it is not there.
  std::string Get(std::string_view section, std::string_view key, std::string_view def = {}) const;
  const std::vector<Section>& Sections() const { return sections_; }
  const Section* Find(std::string_view section) const;

 private:
  std::vector<Section> sections_;
};
