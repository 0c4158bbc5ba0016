// The names an extraction may write: relative, inside its folder, no device.
#include <algorithm>

#include "pack/UnPack.h"
#include "util/Utils.h"

namespace {
// The first n bytes of text, all of it when n is larger. Without substr, whose range check would
// bring its own copy of its error texts into the stub with this file.
std::string_view Head(std::string_view text, size_t n) { return {text.data(), std::min(n, text.size())}; }

// Windows opens a device, not a file, for these names in any folder and with any extension.
bool IsDeviceName(std::string_view part) {
  std::string stem = UpperCase(TrimRight(Head(part, part.find('.'))));
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
  return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) && stem[3] >= '1' &&
         stem[3] <= '9';
}
}  // namespace

bool IsSafeEntryName(std::string_view name) {
  if (name.empty() || name.find(':') != std::string_view::npos) return false;
  if (name[0] == '\\' || name[0] == '/') return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = std::min(name.find_first_of("\\/", start), name.size());
    const std::string_view part(name.data() + start, end - start);
    // Windows drops trailing dots and blanks from a path component, so ".. " and "..." act as "..".
    if (part.size() >= 2 && part.find_first_not_of(". ") == std::string_view::npos && part.find("..") == 0)
      return false;
    if (IsDeviceName(part)) return false;
    start = end + 1;
  }
  return true;
}
