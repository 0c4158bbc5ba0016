// The running machine as an Environment, over the INI/registry, file and platform layers.
#include "env/SystemEnvironment.h"

#include "util/Files.h"
#include "util/IniReg.h"

SystemEnvironment::SystemEnvironment(std::function<std::string()> originExeSwitch)
    : originExeSwitch_(std::move(originExeSwitch)) {}

std::string SystemEnvironment::LoggedUserName() const { return GetLoggedUserName(); }
std::string SystemEnvironment::RegisteredOwner() const { return GetRegisteredOwner(); }
std::string SystemEnvironment::RegisteredOrganization() const { return GetRegisteredOrganization(); }
std::string SystemEnvironment::ComputerName() const { return GetComputerNameText(); }
std::string SystemEnvironment::UserDomainName() const { return GetUserDomainName(); }

std::string SystemEnvironment::RegistryString(std::string_view keyPath, std::string_view valueName,
                                              std::string_view def) const {
  return ReadRegString(keyPath, valueName, def);
}

std::string SystemEnvironment::WindowsDir() const { return GetWinDir(false); }
std::string SystemEnvironment::SystemDir() const { return GetSysDir(false); }
std::string SystemEnvironment::TempDir() const { return GetTempDir(false); }
std::string SystemEnvironment::ExePath() const { return OwnExePath(); }
std::string SystemEnvironment::OriginExeSwitch() const { return originExeSwitch_ ? originExeSwitch_() : ""; }
std::string SystemEnvironment::SpecialFolderPath(int csidl) const { return ShellSpecialFolderPath(csidl); }
std::string SystemEnvironment::FolderPath(int csidl) const { return ShellFolderPath(csidl); }
bool SystemEnvironment::DirectoryExists(std::string_view path) const { return ::DirectoryExists(path); }
std::string SystemEnvironment::FullPath(std::string_view path) const { return FullPathName(path); }
char SystemEnvironment::DateSeparator() const { return LocaleDateSeparator(); }
char SystemEnvironment::TimeSeparator() const { return LocaleTimeSeparator(); }
std::string SystemEnvironment::LongMonthName(int month) const { return LocaleLongMonthName(month); }
