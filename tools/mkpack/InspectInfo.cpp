// mkpack inspect of an update information file: the keys as the agent reads them, what the agent
// would do with them, and the decision of an agent of given versions, made by the agent's own
// GetOkToPerformAU over the file and an installed-version file held in memory.
#include <cstdio>
#include <filesystem>

#include "AgentView.h"
#include "Inspect.h"
#include "agent/IniStore.h"
#include "agent/UpdateChoices.h"
#include "agent/UpdateDecision.h"
#include "util/Files.h"
#include "util/IniFile.h"
#include "util/Utils.h"

namespace {

struct InfoOptions {
  std::vector<int32_t> versions;  // empty: the versions the file is valid for, and its own
  int32_t stamp = 0;
  bool manual = false;
};

std::string ReadInfoOptions(const std::vector<std::string>& options, InfoOptions& out) {
  for (size_t i = 0; i < options.size(); ++i) {
    const std::string& opt = options[i];
    if (opt == "--manual") {
      out.manual = true;
      continue;
    }
    if (opt != "--version" && opt != "--stamp") return "unknown option " + opt;
    if (i + 1 >= options.size()) return opt + " needs a value";
    const std::string value = options[++i];
    if (opt == "--stamp") {
      const auto stamp = ParseInt64(value);
      if (!stamp || *stamp != int32_t(*stamp)) return "--stamp " + value + " is no 32-bit number";
      out.stamp = int32_t(*stamp);
      continue;
    }
    size_t at = 0;
    while (at <= value.size()) {
      const size_t comma = std::min(value.find(',', at), value.size());
      const auto v = ParseInt64(value.substr(at, comma - at));
      if (!v || *v != int32_t(*v)) return "--version " + value + ": versions are 32-bit numbers separated by commas";
      out.versions.push_back(int32_t(*v));
      at = comma + 1;
    }
  }
  return {};
}

// The versions to decide for when none were given: every version the offer is valid for and
// the offered one itself, or the one just below it when the offer is valid for every version.
std::vector<int32_t> DefaultVersions(const InfoFile& info) {
  std::vector<int32_t> versions;
  const std::string valid = info.ValidVersions();
  size_t at = 0;
  while (!valid.empty() && at <= valid.size()) {
    const size_t comma = std::min(valid.find(',', at), valid.size());
    if (const auto v = ParseInt64(valid.substr(at, comma - at))) versions.push_back(int32_t(*v));
    at = comma + 1;
  }
  const int32_t offered = info.VersionNew();
  if (versions.empty() && offered > 1) versions.push_back(offered - 1);
  versions.push_back(offered);
  return versions;
}

const char* AskText(AskKind kind) {
  switch (kind) {
    case AskKind::None:
      return "none";
    case AskKind::Notice:
      return "a notice (OK only)";
    case AskKind::Question:
      return "a question (the user may decline)";
    case AskKind::Error:
      return "an error (OK only)";
  }
  return "";
}

std::string ShutDownText(const InfoFile& info) {
  const ShutDownMethod method = ParseShutDownMethod(info.ShutDownMethod());
  std::string text;
  switch (method) {
    case ShutDownMethod::MessageBox:
      text = "asks the user to close the program (s15), again and again";
      break;
    case ShutDownMethod::Close:
      text = "posts WM_CLOSE to the program's main window";
      break;
    case ShutDownMethod::Quit:
      text = "posts WM_QUIT to the program's main window";
      break;
    case ShutDownMethod::Terminate:
      text = "terminates the program's process";
      break;
    case ShutDownMethod::DontShutDown:
      return "leaves the program running: no wait, and no restart";
    case ShutDownMethod::WaitOnly:
      text = info.ShutDownMethod().empty() ? "sends nothing"
                                           : "sends nothing (\"" + info.ShutDownMethod() + "\" is no method)";
      break;
  }
  const int32_t limit = info.ShutDownTimeout();
  return text + ", then waits until it has ended" +
         (limit > 0 ? " (gives the attempt up after " + IntToStr(limit) + " s)" : " (no time limit)");
}

void PrintKeys(const IniFile& ini) {
  for (const auto& section : ini.Sections()) {
    std::printf("[%s]\n", section.name.c_str());
    for (const auto& [key, value] : section.items) std::printf("  %-40s %s\n", key.c_str(), value.c_str());
  }
}

}  // namespace

bool IsInformationFile(const std::string& path) {
  if (EndsWith(".info", path, true)) return true;
  const std::string head = ReadFileRange(path, 65536);
  if (head.compare(0, 2, "MZ") == 0) return false;
  IniFile ini;
  return ini.Parse(head) && ini.HasSection("NewSetup");
}

int RunInspectInfo(const std::string& path, const std::vector<std::string>& options) {
  InfoOptions opts;
  if (auto e = ReadInfoOptions(options, opts); !e.empty()) {
    std::fprintf(stderr, "mkpack inspect: %s\n", e.c_str());
    return 2;
  }
  const std::string content = ReadFileRange(path);
  std::printf("information file %s, %zu bytes\n", path.c_str(), content.size());
  IniFile shown;
  if (shown.Parse(content)) PrintKeys(shown);

  // The agent's reading of the file, through the same settings classes, the announced file looked
  // for in this folder as an agent in test mode looks in its test folder.
  IniFileStore files;
  OverrideList overrides;
  InfoFile info(files, path, overrides);
  MemoryIniStore memory;
  OriginalFile original(memory, "installed.original");
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  const TestSource here{true, folder};
  const InfoFetch fetch = JudgeInfoFetch({}, content, path);

  std::printf("what the agent does with it%s:\n", opts.manual ? " (a check the user asked for)" : "");
  const std::string name = UpdateFileName(info);
  const SizeCheck size = CheckAnnouncedFileSize(info, here, FolderSizes());
  std::printf("  %-12s %s, %d bytes announced; %s\n", "update file", name.empty() ? "(none)" : name.c_str(),
              info.SizeOfUpdateFile(),
              size.actual < 0 ? "not in this folder" : (IntToStr(size.actual) + " bytes in this folder").c_str());
  if (!info.RunningProcess().empty())
    std::printf("  %-12s %s (with TargetDir %s)\n", "program", ExpandOnSampleMachine(info.RunningProcess()).c_str(),
                std::string(kSampleTargetDir).c_str());
  std::printf("  %-12s %s\n", "download", AskText(DownloadQuestion(original, info, opts.manual).kind));
  std::printf("  %-12s %s\n", "install", AskText(InstallQuestion(original, info, true, opts.manual).kind));
  std::printf("  %-12s %s\n", "shut-down", ShutDownText(info).c_str());
  std::printf("  %-12s %s\n", "setup run",
              PlanUpdateRun("", info).foreground ? "in the foreground" : "in the background, silent");
  // As for a program that ran before the update: "Don't Shut Down" leaves it running.
  const bool restart = RestartsProgram(info.RestartProcess(), true,
                                       ParseShutDownMethod(info.ShutDownMethod()) == ShutDownMethod::DontShutDown);
  std::printf("  %-12s %s\n", "restart", restart ? "the program, when it ran and has been stopped" : "no");
  std::printf("  %-12s %s\n", "finish", AskText(FinishMessage(original, info, true, opts.manual, restart).kind));
  if (!fetch.fetched)
    std::printf("the agent would not take this file as fetched%s%s\n", fetch.error.empty() ? "" : ": ",
                fetch.error.c_str());

  for (int32_t version : opts.versions.empty() ? DefaultVersions(info) : opts.versions) {
    original.SetVersionOriginal(version);
    original.SetStamp(opts.stamp);
    const Decision d = GetOkToPerformAU(fetch.fetched, original, info, opts.manual, here, SystemClock(), FolderSizes());
    std::printf("an agent of version %d with stamp %d: %s\n", version, opts.stamp, d.LogLine().c_str());
    if (d.sizeCheck)
      for (const std::string& line : d.sizeCheck->LogLines()) std::printf("  %s\n", line.c_str());
  }
  return 0;
}
