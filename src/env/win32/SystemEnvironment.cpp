// The shell and locale halves of SystemEnvironment.
#include "env/SystemEnvironment.h"

#include <windows.h>

#include "util/win32/WinSys.h"

namespace {
// Both shell calls write at most MAX_PATH characters; the buffer leaves room to spare.
constexpr DWORD kShellBuffer = 1025;
}  // namespace

std::string ShellSpecialFolderPath(int csidl) {
  using Fn = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);
  auto fn = LoadProcAs<Fn>("shell32.dll", "SHGetSpecialFolderPathA");
  if (!fn) return {};
  std::string buf(kShellBuffer, '\0');
  if (!fn(nullptr, buf.data(), csidl, FALSE)) return {};
  return buf.c_str();
}

std::string ShellFolderPath(int csidl) {
  using Fn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
  auto fn = LoadProcAs<Fn>("SHFolder.dll", "SHGetFolderPathA");
  if (!fn) return {};
  std::string buf(kShellBuffer, '\0');
  if (fn(nullptr, csidl, nullptr, 0, buf.data()) != 0) return {};
  return buf.c_str();
}

std::string FullPathName(std::string_view path) {
  const std::string in(path);
  DWORD need = GetFullPathNameA(in.c_str(), 0, nullptr, nullptr);
  if (need == 0) return in;
  std::string out(need, '\0');
  DWORD got = GetFullPathNameA(in.c_str(), need, out.data(), nullptr);
  if (got == 0 || got >= need) return in;
  out.resize(got);
  return out;
}

std::string LocaleLongMonthName(int month) {
  if (month < 1 || month > 12) return {};
  char buf[80] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SMONTHNAME1 + month - 1, buf, sizeof buf) <= 1) return {};
  return buf;
}
