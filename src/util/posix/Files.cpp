// File operations for the host build.
#include <cstdio>

#include "util/Files.h"

bool AppendText(std::string_view path, std::string_view text) {
  std::FILE* f = std::fopen(std::string(path).c_str(), "ab");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}
