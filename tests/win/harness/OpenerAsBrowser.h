// The shell's open of http:// and https:// addresses, observed: while an OpenerAsBrowser lives,
// the prefix's handler of both schemes is the test kit's opener, which records every address it is
// started with, one a line.
#pragma once
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "WineHarness.h"

namespace wine {
// The prefix's handler of both schemes is the opener while the object lives; the handlers it
// found are put back afterwards.
class OpenerAsBrowser {
 public:
  explicit OpenerAsBrowser(const fs::path& record) {
    for (const char* scheme : {"http", "https"}) {
      const std::string key = std::string("HKCR\\") + scheme + "\\shell\\open\\command";
      previous_.emplace_back(key, Query(key));
      const std::string command = "\"" + WinPath(TestkitExe("opener")) + "\" \"" + WinPath(record) + "\" \"%1\"";
      EXPECT_EQ(RunWine({"reg", "add", key, "/ve", "/t", "REG_SZ", "/d", command, "/f"}).exitCode, 0);
    }
  }
  ~OpenerAsBrowser() {
    for (const auto& [key, value] : previous_) {
      if (value.empty())
        RunWine({"reg", "delete", key, "/ve", "/f"});
      else
        RunWine({"reg", "add", key, "/ve", "/t", "REG_SZ", "/d", value, "/f"});
    }
  }

 private:
  // The default value of key as "reg query" prints it, or empty.
  static std::string Query(const std::string& key) {
    std::stringstream out(RunWine({"reg", "query", key, "/ve"}).output);
    for (std::string line; std::getline(out, line);) {
      const size_t at = line.find("REG_SZ");
      if (at == std::string::npos) continue;
      std::string value = line.substr(line.find_first_not_of(' ', at + 6));
      while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
      return value;
    }
    return {};
  }
  std::vector<std::pair<std::string, std::string>> previous_;
};

// The addresses the opener recorded, once as many as expected are there (or the wait is over).
inline std::vector<std::string> Opened(const fs::path& record, size_t expected) {
  std::vector<std::string> lines;
  WaitFor(
      [&] {
        lines.clear();
        std::stringstream in(ReadFile(record));
        for (std::string line; std::getline(in, line);)
          if (!line.empty()) lines.push_back(line);
        return lines.size() >= expected;
      },
      expected ? 20000 : 0);
  return lines;
}

}  // namespace wine
