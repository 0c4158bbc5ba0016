// What the agent-side fuzz targets share: an INI text laid into the in-memory store under the
// profile calls' rules as the host build follows them (a "[name]" line opens a section, a
// "key=value" line inside one sets the key unless an earlier line did, blanks around keys and
// values go, one pair of quotes around a value goes; every other line is skipped), and a check
// that stops the run with a message.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "agent/IniStore.h"
#include "util/Utils.h"

inline void FuzzCheck(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

inline void LoadIniText(MemoryIniStore& store, std::string_view file, std::string_view text) {
  std::string section;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string line(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    line = Trim(line);
    if (line.size() >= 2 && line.front() == '[') {
      const size_t close = line.find(']');
      section = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      continue;
    }
    const size_t eq = line.find('=');
    if (section.empty() || eq == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, eq));
    std::string value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    if (!store.Has(file, section, key)) store.Write(file, section, key, value);
  }
}
