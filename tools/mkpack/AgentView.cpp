// The sample machine and the folder sizes of AgentView.h.
#include "AgentView.h"

#include <filesystem>

#include "env/Environment.h"
#include "env/Macros.h"
#include "util/Utils.h"

namespace {

// A Windows machine made of fixed answers: enough for every macro to expand to something.
class SampleMachine final : public Environment {
 public:
  std::string LoggedUserName() const override { return "user"; }
  std::string RegisteredOwner() const override { return "Owner"; }
  std::string RegisteredOrganization() const override { return "Organization"; }
  std::string ComputerName() const override { return "PC"; }
  std::string UserDomainName() const override { return "WORKGROUP"; }
  std::string RegistryString(std::string_view, std::string_view, std::string_view def) const override {
    return std::string(def);
  }
  std::string WindowsDir() const override { return "C:\\Windows"; }
  std::string SystemDir() const override { return "C:\\Windows\\system32"; }
  std::string TempDir() const override { return "C:\\Temp"; }
  std::string ExePath() const override { return std::string(kSampleTargetDir) + "\\AutoUpdate.exe"; }
  std::string OriginExeSwitch() const override { return {}; }
  std::string SpecialFolderPath(int csidl) const override { return "C:\\ShellFolder" + IntToStr(csidl); }
  std::string FolderPath(int csidl) const override { return SpecialFolderPath(csidl); }
  bool DirectoryExists(std::string_view) const override { return true; }
  std::string FullPath(std::string_view path) const override { return std::string(path); }
  char DateSeparator() const override { return '/'; }
  char TimeSeparator() const override { return ':'; }
  std::string LongMonthName(int month) const override { return "Month" + IntToStr(month); }
};

}  // namespace

std::string ExpandOnSampleMachine(std::string_view text) {
  SampleMachine machine;
  Macros macros(machine, SystemClock());
  macros.SetInstallFolders(std::string(kSampleTargetDir), std::string(kSampleSharedDir),
                           std::string(kSampleAuxiliaryDir));
  // As the agent expands RunningProcess: suffix "\", all three kinds of macro.
  return macros.ExpandMacros(text, "\\", true, true, true);
}

std::string LeftoverMacro(std::string_view expanded) {
  // A Windows path holds no "<" or ">", so whatever stands between them was meant as a macro.
  const size_t open = expanded.find('<');
  if (open == std::string_view::npos) return {};
  const size_t close = expanded.find('>', open);
  return std::string(
      expanded.substr(open, close == std::string_view::npos ? std::string_view::npos : close - open + 1));
}

std::optional<int64_t> FolderSizes::LocalFileSize(std::string_view path) const {
  std::error_code ec;
  const std::filesystem::path local(ReplaceChar(path, '\\', '/'));
  if (!std::filesystem::is_regular_file(local, ec)) return std::nullopt;
  const auto size = std::filesystem::file_size(local, ec);
  if (ec) return std::nullopt;
  return int64_t(size);
}
