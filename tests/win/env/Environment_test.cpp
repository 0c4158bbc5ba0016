// The environment layer and the agent's settings writes over the real machine, under Wine through
// envprobe: the shell folder getters against the shell's own answers, the system folders, macro
// expansion with the real folders, date and path resolution, and a seconds value with its
// companion written through the profile calls.
#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <regex>

#include "WineHarness.h"

using namespace wine;

namespace {
Result RunProbe(const std::vector<std::string>& args, const fs::path& workDir = {}) {
  std::vector<std::string> all{TestkitExe("envprobe").string()};
  all.insert(all.end(), args.begin(), args.end());
  Result r = RunWine(all, 60000, workDir);
  while (!r.output.empty() && (r.output.back() == '\n' || r.output.back() == '\r')) r.output.pop_back();
  return r;
}

std::map<std::string, std::string> Folders() {
  Result r = RunProbe({"folders"});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  std::map<std::string, std::string> values;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

std::string Parent(const std::string& dir) { return dir.substr(0, dir.rfind('\\')); }

bool ExistsInPrefix(const std::string& winDir) { return fs::is_directory(HostPath(winDir)); }

std::string Expand(const std::vector<std::string>& args, const fs::path& workDir = {}) {
  std::vector<std::string> all{"expand"};
  all.insert(all.end(), args.begin(), args.end());
  return RunProbe(all, workDir).output;
}

std::string TodayIso() {
  const std::time_t now = std::time(nullptr);
  char buf[16];
  std::strftime(buf, sizeof buf, "%Y-%m-%d", std::localtime(&now));
  return buf;
}
}  // namespace

TEST(WinEnvironment, ShellFolderGettersTakeTheShellsAnswers) {
  auto v = Folders();
  // Each getter asks the shell for its own CSIDL; the profile folders are parents of Documents.
  const std::pair<const char*, const char*> same[] = {
      {"MyDocumentsDir", "FolderPath.32773"},           {"AllUsersAppDataDir", "FolderPath.32803"},
      {"UserAppDataDir", "FolderPath.32794"},           {"UserLocalAppDataDir", "FolderPath.32796"},
      {"AllUsersDocumentsDir", "FolderPath.32814"},     {"UserProgramsDir", "SpecialFolderPath.2"},
      {"UserStartMenuDir", "SpecialFolderPath.11"},     {"UserDesktopDir", "SpecialFolderPath.16"},
      {"AllUsersStartMenuDir", "SpecialFolderPath.22"}, {"AllUsersProgramsDir", "SpecialFolderPath.23"},
      {"AllUsersDesktopDir", "SpecialFolderPath.25"},
  };
  for (const auto& [getter, shell] : same) {
    ASSERT_FALSE(v[shell].empty()) << shell;  // both shell libraries were bound by name
    EXPECT_EQ(v[getter], v[shell]) << getter;
    EXPECT_TRUE(ExistsInPrefix(v[getter])) << getter << " " << v[getter];
  }
  EXPECT_EQ(v["UserDir"], Parent(v["MyDocumentsDir"]));
  EXPECT_EQ(v["DocumentsAndSettingsDir"], Parent(v["UserDir"]));
  EXPECT_EQ(v["AllUsersDir"], Parent(v["AllUsersAppDataDir"]));
  EXPECT_NE(v["UserDir"].find("\\users\\"), std::string::npos) << v["UserDir"];
}

TEST(WinEnvironment, SystemFolders) {
  auto v = Folders();
  EXPECT_EQ(v["ProfileFallbackDir"], "C:\\windows");  // no Profiles folder in a current prefix
  EXPECT_EQ(v["System16Dir"], "C:\\windows\\system");
  EXPECT_TRUE(ExistsInPrefix(v["System16Dir"]));
  EXPECT_EQ(v["FontDir"], "C:\\windows\\Fonts");
  // A 32-bit program in a 64-bit system reads the registry's 32-bit view: the (x86) folders.
  EXPECT_EQ(v["ProgramFilesDir"], "C:\\Program Files (x86)");
  EXPECT_EQ(v["CommonFilesDir"], "C:\\Program Files (x86)\\Common Files");
  EXPECT_EQ(v["StartMenuDir"], v["UserStartMenuDir"]);  // the registry's record of the same folder
}

TEST(WinEnvironment, ExpandMacrosOnTheRealMachine) {
  auto v = Folders();
  const std::string probeDir = WinPath(TestkitExe("envprobe").parent_path());
  struct Case {
    std::string text, expected;
  } cases[] = {
      {"<WinDir>notepad.exe", "C:\\windows\\notepad.exe"},
      {"<WinDir>\\notepad.exe", "C:\\windows\\notepad.exe"},
      {"<WinSys16Dir>", "C:\\windows\\system"},
      {"<FontDir>x.ttf", "C:\\windows\\Fonts\\x.ttf"},
      {"<MyDocumentsDir>a.txt", v["MyDocumentsDir"] + "\\a.txt"},
      {"<UserDir>", v["UserDir"]},
      {"<TempDir>x", WinTempDir() + "\\x"},
      {"<SrcDir>", probeDir},
      {"<OriginDir>", probeDir},  // no /OriginExe: the own folder
      {"\"<ProgramFilesDir>\"", "\"C:\\Program Files (x86)\""},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand({c.text}), c.expected) << c.text;

  EXPECT_EQ(Expand({"<InstallDir>\\..\\Other\\b.exe", "C:\\App", "C:\\Common", "C:\\Aux"}), "C:\\Other\\b.exe");
  EXPECT_EQ(Expand({"<Application Folder>\\<InstallDir>", "C:\\App", "C:\\Common", "C:\\Aux"}), "C:\\App\\\\");

  // Relative dot parts against the probe's working folder.
  TempDir dir;
  fs::create_directories(dir / "sub");
  EXPECT_EQ(Expand({"..\\x.exe"}, dir / "sub"), dir.Win() + "\\x.exe");

  // The date macros with the locale's texts; a run across midnight may see either day.
  const std::string before = TodayIso();
  const std::string iso = Expand({"<Date=6>"});
  EXPECT_TRUE(iso == before || iso == TodayIso()) << iso;
  const std::string longForm = Expand({"<Date=#>"});
  EXPECT_TRUE(std::regex_match(longForm, std::regex(R"(\d\d(\D)[^\d\W]+\1\d{4})"))) << longForm;
  EXPECT_FALSE(Expand({"<LoggedUserName>"}).empty());
}

TEST(WinEnvironment, SecondsWithTheirCompanionThroughTheProfileCalls) {
  TempDir dir;
  WriteFile(dir / "App.original", "[OriginalSetup]\r\nVersionOriginal=5\r\n");
  Result r = RunProbe({"probe-last", WinPath(dir / "App.original"), "4005727509"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "4005727509");
  const std::string text = ReadFile(dir / "App.original");
  EXPECT_NE(text.find("ProbeSecondsLast=4005727509"), std::string::npos) << text;
  EXPECT_NE(text.find("__ProbeSecondsLast=06-DEC-2026 14:05:09"), std::string::npos) << text;
  EXPECT_NE(text.find("VersionOriginal=5"), std::string::npos) << text;
}
