// Win32 half of the INI, registry and system wrappers, the window-system helpers and the start-up
// preload of the libraries the windows need.
#include "util/IniReg.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "platform/win32/Handles.h"
#include "util/Utils.h"
#include "util/win32/WinSys.h"

namespace {
// Buffer of the INI and registry reads; a larger value reads as missing.
constexpr DWORD kValueBuffer = 10241;

std::string Str(std::string_view s) { return std::string(s); }

// A text from a call that fills a buffer of the given size and returns the count it wrote
// (0 on failure).
template <typename Call>
std::string FromBuffer(DWORD size, Call call) {
  std::string buf(size, '\0');
  DWORD n = call(buf.data(), size);
  buf.resize(n < size ? n : 0);
  return buf;
}

HKEY RootHandle(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegRoot::Users:
      return HKEY_USERS;
    case RegRoot::CurrentConfig:
      return HKEY_CURRENT_CONFIG;
    case RegRoot::DynData:
      return HKEY_DYN_DATA;
    case RegRoot::CurrentUser:
      break;
  }
  return HKEY_CURRENT_USER;
}

std::string FolderText(UINT(WINAPI* call)(LPSTR, UINT), bool withBackslash) {
  return SetTrailingBackslash(FromBuffer(MAX_PATH + 1, [call](char* b, DWORD n) { return DWORD(call(b, n)); }),
                              withBackslash);
}

UINT autoPlayMessage = 0;
}  // namespace

std::string ReadIniString(std::string_view file, std::string_view section, std::string_view key, std::string_view def) {
  if (section.empty()) return Str(def);
  const std::string f = Str(file), s = Str(section), k = Str(key), d = Str(def);
  std::string buf(kValueBuffer, '\0');
  DWORD n = GetPrivateProfileStringA(s.c_str(), k.c_str(), d.c_str(), buf.data(), kValueBuffer, f.c_str());
  if (n == 0) return d;
  buf.resize(n);
  return buf;
}

bool WriteIniString(std::string_view file, std::string_view section, std::string_view key, std::string_view value) {
  const std::string f = Str(file), s = Str(section), k = Str(key), v = Str(value);
  return WritePrivateProfileStringA(s.c_str(), k.c_str(), v.c_str(), f.c_str()) != FALSE;
}

std::string ReadRegString(std::string_view path, std::string_view valueName, std::string_view def, bool use64BitView) {
  const RegPath rp = SplitRegPath(path);
  HKEY raw = nullptr;
  REGSAM access = KEY_READ | (use64BitView ? KEY_WOW64_64KEY : 0);
  if (RegOpenKeyExA(RootHandle(rp.root), rp.subKey.c_str(), 0, access, &raw) != ERROR_SUCCESS) return Str(def);
  RegKey key(raw);
  std::string buf(kValueBuffer, '\0');
  DWORD type = 0, size = kValueBuffer;
  const std::string name = Str(valueName);
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) !=
      ERROR_SUCCESS)
    return Str(def);
  return RegValueText(type, std::string_view(buf.data(), size < kValueBuffer ? size : kValueBuffer));
}

bool IsWinNT() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;  // the 148-byte record every version knows
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::string GetLoggedUserName() {
  return Trim(FromBuffer(256, [](char* b, DWORD n) { return GetUserNameA(b, &n) ? n - 1 : 0; }));
}

std::string GetComputerNameText() {
  return Trim(FromBuffer(256, [](char* b, DWORD n) { return GetComputerNameA(b, &n) ? n : 0; }));
}

std::string GetAccountDomain(std::string_view account) {
  const std::string name = Str(account);
  DWORD sidSize = 0, domainSize = 0;
  SID_NAME_USE use;
  // The first call only learns the sizes.
  LookupAccountNameA(nullptr, name.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use);
  if (sidSize == 0) return {};
  std::string sid(sidSize, '\0'), domain(domainSize + 1, '\0');
  domainSize = DWORD(domain.size());
  if (!LookupAccountNameA(nullptr, name.c_str(), sid.data(), &sidSize, domain.data(), &domainSize, &use)) return {};
  domain.resize(domainSize < domain.size() ? domainSize : 0);
  return domain;
}

std::string GetWinDir(bool withBackslash) { return FolderText(GetWindowsDirectoryA, withBackslash); }
std::string GetSysDir(bool withBackslash) { return FolderText(GetSystemDirectoryA, withBackslash); }

std::string GetTempDir(bool withBackslash) {
  return SetTrailingBackslash(FromBuffer(MAX_PATH + 1, [](char* b, DWORD n) { return GetTempPathA(n, b); }),
                              withBackslash);
}

FARPROC LoadProc(const char* library, const char* entry, HMODULE* module) {
  HMODULE lib = LoadLibraryA(library);
  if (module) *module = lib;
  // Win16-era rule kept by the system: values below 32 are error codes, not handles.
  if (reinterpret_cast<UINT_PTR>(lib) < 33) return nullptr;
  return GetProcAddress(lib, entry);
}

void PreloadSystemLibraries() {
  static bool done = false;
  if (done) return;
  done = true;
  // A missing library must not stop the start with a system message box.
  UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  for (const char* lib : {"shell32.dll", "USP10.dll", "MSLS31.dll", "RICHED32.DLL"}) LoadLibraryA(lib);
  SetErrorMode(previous);
}

void EnableAutoPlayCancel(bool on) { autoPlayMessage = on ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0; }
UINT AutoPlayCancelMessage() { return autoPlayMessage; }

POINT CenterInWorkArea(int width, int height) {
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return {work.left + (work.right - work.left - width) / 2, work.top + (work.bottom - work.top - height) / 2};
}

int PointsToPixels(int points) {
  static int dpi = [] {
    HDC dc = GetDC(nullptr);
    int y = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return y;
  }();
  return MulDiv(points, dpi, 72);
}

std::string GetWindowTextStr(HWND wnd) {
  if (!wnd) return {};
  return FromBuffer(1024, [wnd](char* b, DWORD n) { return DWORD(GetWindowTextA(wnd, b, int(n))); });
}

bool ShellOpen(std::string_view file, std::string_view parameters, int showCommand) {
  const std::string f = Str(file), p = Str(parameters);
  HINSTANCE r = ShellExecuteA(GetDesktopWindow(), nullptr, f.c_str(), p.c_str(), nullptr, showCommand);
  return reinterpret_cast<INT_PTR>(r) > 32;
}
