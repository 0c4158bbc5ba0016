// envprobe: runs the environment layer and the agent's settings over the real machine, so that
// the Wine-side tests see the folder getters, the macro expansion and the settings writes as the
// stub would. Commands:
//   folders                        every shell and system folder getter, and the shell's answers
//   expand <text> [app common aux] ExpandMacros with suffix "\" and all flags
//   probe-last <original> <secs>   OriginalFile::SetProbeSecondsLast, then the value read back
// Exit code: 0 on success, 2 for a usage error.
#include <cstdio>
#include <string>
#include <vector>

#include "agent/IniStore.h"
#include "agent/UpdateSettings.h"
#include "env/Macros.h"
#include "env/ShellFolders.h"
#include "env/SystemEnvironment.h"
#include "env/SystemFolders.h"
#include "util/Utils.h"
#include "../common/Help.h"

namespace {
using Args = std::vector<std::string>;

void Line(const char* name, const std::string& value) { std::printf("%s=%s\n", name, value.c_str()); }

int Folders(const Environment& env) {
  using Getter = std::string (*)(const Environment&, bool);
  const std::pair<const char*, Getter> getters[] = {
      {"UserDir", GetUserDir},
      {"DocumentsAndSettingsDir", GetDocumentsAndSettingsDir},
      {"AllUsersDir", GetAllUsersDir},
      {"UserAppDataDir", GetUserAppDataDir},
      {"UserLocalAppDataDir", GetUserLocalAppDataDir},
      {"AllUsersAppDataDir", GetAllUsersAppDataDir},
      {"MyDocumentsDir", GetMyDocumentsDir},
      {"AllUsersDocumentsDir", GetAllUsersDocumentsDir},
      {"UserStartMenuDir", GetUserStartMenuDir},
      {"AllUsersStartMenuDir", GetAllUsersStartMenuDir},
      {"UserProgramsDir", GetUserProgramsDir},
      {"AllUsersProgramsDir", GetAllUsersProgramsDir},
      {"UserDesktopDir", GetUserDesktopDir},
      {"AllUsersDesktopDir", GetAllUsersDesktopDir},
  };
  for (const auto& [name, getter] : getters) Line(name, getter(env, false));
  Line("ProfileFallbackDir", GetProfileFallbackDir(env));
  Line("System16Dir", GetSystem16Dir(env));
  Line("FontDir", GetFontDir(env));
  Line("ProgramFilesDir", GetProgramFilesDir(env));
  Line("CommonFilesDir", GetCommonFilesDir(env));
  Line("StartMenuDir", GetStartMenuDir(env));
  for (int csidl : {0x8005, 0x8023, 0x801A, 0x801C, 0x802E})
    Line(("FolderPath." + IntToStr(csidl)).c_str(), env.FolderPath(csidl));
  for (int csidl : {2, 11, 16, 22, 23, 25})
    Line(("SpecialFolderPath." + IntToStr(csidl)).c_str(), env.SpecialFolderPath(csidl));
  return 0;
}

int Expand(const Environment& env, const Args& a) {
  Macros macros(env, SystemClock());
  if (a.size() >= 4) macros.SetInstallFolders(a[1], a[2], a[3]);
  std::printf("%s\n", macros.ExpandMacros(a[0], "\\", true, true, true).c_str());
  return 0;
}

int ProbeLast(const Args& a) {
  IniFileStore ini;
  OriginalFile original(ini, a[0]);
  original.SetProbeSecondsLast(StrToInt64Def(a[1], 0));
  std::printf("%s\n", IntToStr(original.ProbeSecondsLast()).c_str());
  return 0;
}
}  // namespace

constexpr const char* kUsage = R"(usage: envprobe folders                        every shell and system folder getter
       envprobe expand <text> [app common aux] ExpandMacros with suffix "\" and all flags
       envprobe probe-last <original> <secs>   SetProbeSecondsLast, then the value read back
Exit code 0 on success, 2 for a usage error.
)";

int main(int argc, char** argv) {
  if (PrintHelpIfAsked(argc, argv, kUsage)) return 0;
  const std::string command = argc >= 2 ? argv[1] : "";
  const Args args(argv + (argc >= 2 ? 2 : argc), argv + argc);
  // No /OriginExe switch in a probe's command line: GetOriginExe is the probe itself.
  const SystemEnvironment env([] { return std::string(); });
  if (command == "folders") return Folders(env);
  if (command == "expand" && !args.empty()) return Expand(env, args);
  if (command == "probe-last" && args.size() == 2) return ProbeLast(args);
  std::fprintf(stderr, "usage: envprobe folders | expand <text> [app common aux] | probe-last <file> <seconds>\n");
  return 2;
}
