// The running machine as an Environment: names, registry and folders through the INI/registry
// layer, the shell and locale through the platform halves below.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "env/Environment.h"

class SystemEnvironment final : public Environment {
 public:
  // originExeSwitch looks "/OriginExe" up on the own command line (the switch lookups live in a
  // layer above this one).
  explicit SystemEnvironment(std::function<std::string()> originExeSwitch);

  std::string LoggedUserName() const override;
  std::string RegisteredOwner() const override;
  std::string RegisteredOrganization() const override;
  std::string ComputerName() const override;
  std::string UserDomainName() const override;
  std::string RegistryString(std::string_view keyPath, std::string_view valueName, std::string_view def) const override;
  std::string WindowsDir() const override;
  std::string SystemDir() const override;
  std::string TempDir() const override;
  std::string ExePath() const override;
  std::string OriginExeSwitch() const override;
  std::string SpecialFolderPath(int csidl) const override;
  std::string FolderPath(int csidl) const override;
  bool DirectoryExists(std::string_view path) const override;
  std::string FullPath(std::string_view path) const override;
  char DateSeparator() const override;
  char TimeSeparator() const override;
  std::string LongMonthName(int month) const override;

 private:
  std::function<std::string()> originExeSwitch_;
};

// --- platform halves (win32/: the real calls; posix/: the host's stand-ins)
// The shell's answers; empty when the call fails or its library or entry is missing. Both bind the
// library by name at each call, so a system without SHFolder.dll simply has no answer.
std::string ShellSpecialFolderPath(int csidl);
std::string ShellFolderPath(int csidl);
// The absolute form of a path against the current directory.
std::string FullPathName(std::string_view path);
// The locale's full name of month 1..12.
std::string LocaleLongMonthName(int month);
