// The system, fonts and registered folders that the macros name.
#include "env/SystemFolders.h"

#include "util/Utils.h"

namespace {
constexpr std::string_view kCurrentVersion = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr std::string_view kUserShellFolders =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string InWindowsDir(const Environment& env, std::string_view name) {
  return SetTrailingBackslash(env.WindowsDir(), true) + std::string(name);
}
}  // namespace

std::string GetSystem16Dir(const Environment& env) {
  const std::string sys = env.SystemDir();
  const size_t at = LastPos("32", sys);
  if (at != 0) {
    std::string cut = sys;
    cut.erase(at - 1, 2);
    if (env.DirectoryExists(cut)) return cut;
  }
  const std::string system = InWindowsDir(env, "System");
  return env.DirectoryExists(system) ? system : sys;
}

std::string GetFontDir(const Environment& env) {
  std::string fonts = env.RegistryString(kUserShellFolders, "Fonts", "");
  if (!fonts.empty() && env.DirectoryExists(fonts)) return fonts;
  return InWindowsDir(env, "Fonts");
}

std::string GetProgramFilesDir(const Environment& env) {
  return env.RegistryString(kCurrentVersion, "ProgramFilesDir", "");
}

std::string GetCommonFilesDir(const Environment& env) {
  return env.RegistryString(kCurrentVersion, "CommonFilesDir", "");
}

std::string GetStartMenuDir(const Environment& env) { return env.RegistryString(kUserShellFolders, "Start Menu", ""); }
