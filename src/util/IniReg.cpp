// The portable half of the INI, registry and system wrappers: root and path rules, value texts,
// integer settings, the own path and the pumped wait.
#include "util/IniReg.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/System.h"
#include "util/Files.h"
#include "util/Utils.h"

int64_t ReadIniInt(std::string_view file, std::string_view section, std::string_view key, int64_t def) {
  return StrToInt64Def(ReadIniString(file, section, key, IntToStr(def)), def);
}

bool WriteIniInt(std::string_view file, std::string_view section, std::string_view key, int64_t value) {
  return WriteIniString(file, section, key, IntToStr(value));
}

RegRoot ParseRootKey(std::string_view name) {
  static const struct {
    const char* longName;
    const char* shortName;
    RegRoot root;
  } kRoots[] = {
      {"HKEY_CLASSES_ROOT", "HKCR", RegRoot::ClassesRoot},     {"HKEY_CURRENT_USER", "HKCU", RegRoot::CurrentUser},
      {"HKEY_LOCAL_MACHINE", "HKLM", RegRoot::LocalMachine},   {"HKEY_USERS", "HKU", RegRoot::Users},
      {"HKEY_CURRENT_CONFIG", "HKCC", RegRoot::CurrentConfig}, {"HKEY_DYN_DATA", "HKDD", RegRoot::DynData},
  };
  const std::string upper = UpperCase(name);
  for (const auto& r : kRoots)
    if (upper == r.longName || upper == r.shortName) return r.root;
  return RegRoot::CurrentUser;
}

RegPath SplitRegPath(std::string_view path) {
  const std::string p = Trim(path);
  if (!StartsWith("HK", p, true)) return {RegRoot::CurrentUser, p};
  size_t slash = p.find('\\');
  if (slash == std::string::npos) return {ParseRootKey(p), {}};
  return {ParseRootKey(p.substr(0, slash)), p.substr(slash + 1)};
}

std::string RegValueText(unsigned long type, std::string_view data) {
  if (type == kRegDword && data.size() == 4) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(data[size_t(i)]);
    return std::to_string(v);
  }
  if (type == kRegMultiSz && data.size() > 2) {
    while (!data.empty() && data.back() == '\0') data.remove_suffix(1);
    return ReplaceText(data, std::string_view("\0", 1), "<0>");
  }
  return std::string(data.substr(0, data.find('\0')));
}

std::string WindowsVersionKeyFor(bool winNT) {
  return winNT ? "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
               : "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
}

std::string WindowsVersionKey() { return WindowsVersionKeyFor(IsWinNT()); }

std::string GetUserDomainName() { return GetAccountDomain(GetLoggedUserName()); }

std::string GetRegisteredOwner() {
  return Trim(ReadRegString(WindowsVersionKey(), "RegisteredOwner", GetLoggedUserName()));
}

std::string GetRegisteredOrganization() {
  return Trim(ReadRegString(WindowsVersionKey(), "RegisteredOrganization", ""));
}

bool IsDeveloperMode() {
  static const bool on = [] {
    const char* value = std::getenv("DVX");
    return value && std::strcmp(value, "507") == 0;
  }();
  return on;
}

std::string GetExePath(bool baseNameOnly) {
  const std::string path = OwnExePath();
  return baseNameOnly ? FileNameStem(path, false) : path;
}

std::string GetExeDir(bool withBackslash) { return SetTrailingBackslash(ExtractFileDir(OwnExePath()), withBackslash); }
