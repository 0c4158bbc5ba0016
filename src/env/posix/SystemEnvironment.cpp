// Host stand-ins for the shell and locale halves of SystemEnvironment: no shell folders, POSIX
// path resolution, English month names.
#include "env/SystemEnvironment.h"

#include <unistd.h>

#include <vector>

#include "util/Utils.h"

std::string ShellSpecialFolderPath(int) { return {}; }
std::string ShellFolderPath(int) { return {}; }

std::string FullPathName(std::string_view path) {
  std::string in = ReplaceChar(path, '\\', '/');
  if (in.empty() || in.front() != '/') {
    std::vector<char> cwd(4096);
    if (getcwd(cwd.data(), cwd.size())) in = std::string(cwd.data()) + "/" + in;
  }
  std::vector<std::string> parts;
  size_t at = 0;
  while (at <= in.size()) {
    size_t end = in.find('/', at);
    if (end == std::string::npos) end = in.size();
    const std::string part = in.substr(at, end - at);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = end + 1;
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

std::string LocaleLongMonthName(int month) {
  static const char* const kNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};
  return month >= 1 && month <= 12 ? kNames[month - 1] : "";
}
