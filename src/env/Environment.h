// What the macro expansion and the folder getters ask of the machine, as one interface: the names
// of the user and the machine, registry values, the system folders, the running program, the
// shell's folder lookups, directory tests and path resolution, and the locale's date texts. The
// real answers come from SystemEnvironment; tests answer from tables.
#pragma once
#include <string>
#include <string_view>

class Environment {
 public:
  virtual ~Environment() = default;

  // --- names (trimmed; empty when unknown)
  virtual std::string LoggedUserName() const = 0;
  // The registered owner; the logged-on user name when no owner is registered.
  virtual std::string RegisteredOwner() const = 0;
  virtual std::string RegisteredOrganization() const = 0;
  virtual std::string ComputerName() const = 0;
  // Domain of the logged-on user's account.
  virtual std::string UserDomainName() const = 0;

  // --- registry: the value as text, def when the key or value is missing
  virtual std::string RegistryString(std::string_view keyPath, std::string_view valueName,
                                     std::string_view def) const = 0;

  // --- system folders, without trailing backslash
  virtual std::string WindowsDir() const = 0;
  virtual std::string SystemDir() const = 0;
  virtual std::string TempDir() const = 0;

  // --- the running program
  virtual std::string ExePath() const = 0;
  // The value of the "/OriginExe" switch of the own command line; empty when absent.
  virtual std::string OriginExeSwitch() const = 0;

  // --- shell folders by CSIDL; empty when the shell, its library or the entry gives no answer
  // SHGetSpecialFolderPathA of "shell32.dll", without creating the folder.
  virtual std::string SpecialFolderPath(int csidl) const = 0;
  // SHGetFolderPathA of "SHFolder.dll", the current path.
  virtual std::string FolderPath(int csidl) const = 0;

  // --- file system
  virtual bool DirectoryExists(std::string_view path) const = 0;
  // The absolute form of a path against the current directory, without "." and ".." parts.
  virtual std::string FullPath(std::string_view path) const = 0;

  // --- locale
  virtual char DateSeparator() const = 0;
  virtual char TimeSeparator() const = 0;
  virtual std::string LongMonthName(int month) const = 0;  // 1..12
};
