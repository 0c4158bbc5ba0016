// INI files, registry values by textual path, platform and identity, and standard folders. Thin
// wrappers that never fail towards the caller: each gives its default, an empty text or false. The path and value rules
// are portable and tested on the host; the rest is Win32 (the host build has INI files and the folder getters, and an
// empty registry).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// --- INI files
// The default when the section is empty, the key is missing or its value is empty.
std::string ReadIniString(std::string_view file, std::string_view section, std::string_view key, std::string_view def);
// A decimal integer with optional sign; anything else (trailing letters too) gives the default.
int64_t ReadIniInt(std::string_view file, std::string_view section, std::string_view key, int64_t def);
bool WriteIniString(std::string_view file, std::string_view section, std::string_view key, std::string_view value);
bool WriteIniInt(std::string_view file, std::string_view section, std::string_view key, int64_t value);

// --- registry
enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig, DynData };
// "HKLM", "HKEY_LOCAL_MACHINE"... in any case; anything else is the current user's root.
RegRoot ParseRootKey(std::string_view name);
struct RegPath {
  RegRoot root = RegRoot::CurrentUser;
  std::string subKey;
};
// "HKLM\Software\X" -> (LocalMachine, "Software\X"); a path not starting with "HK" lies under the
// current user's root.
RegPath SplitRegPath(std::string_view path);
// Registry value types as the registry numbers them.
inline constexpr unsigned long kRegSz = 1, kRegExpandSz = 2, kRegDword = 4, kRegMultiSz = 7;
// Text of raw value data: a 4-byte REG_DWORD as unsigned decimal, a REG_MULTI_SZ with its strings
// joined by "<0>", anything else up to its first NUL.
std::string RegValueText(unsigned long type, std::string_view data);
// The value as text (see RegValueText), or def when the key or value is missing or too large.
std::string ReadRegString(std::string_view path, std::string_view valueName, std::string_view def,
                          bool use64BitView = false);

// --- platform and identity
bool IsWinNT();
// "HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows[ NT]\CurrentVersion".
std::string WindowsVersionKeyFor(bool winNT);
std::string WindowsVersionKey();
std::string GetLoggedUserName();
std::string GetComputerNameText();
std::string GetAccountDomain(std::string_view account);
std::string GetUserDomainName();
std::string GetRegisteredOwner();
std::string GetRegisteredOrganization();
// The developer flag: on exactly when the environment variable "DVX" is "507"; read once.
bool IsDeveloperMode();

// --- folders (with the flag: exactly one trailing backslash; without: none)
std::string GetWinDir(bool withBackslash);
std::string GetSysDir(bool withBackslash);
std::string GetTempDir(bool withBackslash);
// The program's own full path; with baseNameOnly its file name without the extension.
std::string GetExePath(bool baseNameOnly);
std::string GetExeDir(bool withBackslash);
