// libFuzzer target over the macro expansion of RunningProcess, the information file's path of the
// program that the agent shuts down and starts again: the input is that text, expanded as the
// agent expands it (suffix "\", every step) on a machine made of tables, and passed through the
// expansion's text rules one by one.
// Checked: a text without macros and without "." parts comes out as it went in; the backslash
// collapse never lengthens a text; the agent's close request names the program's file.
#include <cstdint>
#include <string>
#include <string_view>

#include "FakeEnvironment.h"
#include "FuzzIni.h"
#include "agent/UpdateChoices.h"
#include "env/MacroText.h"
#include "env/Macros.h"

namespace {
FakeEnvironment& Machine() {
  static FakeEnvironment env = [] {
    FakeEnvironment e;
    e.folder[0x8005] = "C:\\Docs\\joe\\My Documents";
    e.special[0x0002] = "C:\\Docs\\joe\\Start Menu\\Programs";
    for (const char* d : {"C:\\Docs\\joe\\My Documents", "C:\\Docs\\joe", "C:\\Docs", "C:\\WINDOWS\\system"})
      e.AddDir(d);
    e.SetRegistry("Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "C:\\Program Files");
    return e;
  }();
  return env;
}

bool HasDotPart(std::string_view text) {
  return text.find("\\..") != std::string_view::npos || text.find("..\\") != std::string_view::npos;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A settings text is at most 10240 characters.
  if (size > 10240) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const FakeEnvironment& env = Machine();
  FakeClock clock;
  Macros macros(env, clock);
  macros.SetInstallFolders("C:\\Program Files\\My App", "C:\\Common", "");
  const std::string program = macros.ExpandMacros(text, "\\", true, true, true);
  if (text.find('<') == std::string_view::npos && !HasDotPart(text))
    FuzzCheck(program == text, "a text without macros changed");

  // The expansion's rules one by one.
  (void)ReplaceDirMacro(text, "<InstallDir>", "C:\\App", "\\");
  const DateLocale locale{'.', ':', [](int month) { return std::string(size_t(month), 'm'); }};
  (void)ExpandDateMacro(text, clock.now, locale);
  FuzzCheck(CollapseBackslashes(text).size() <= text.size(), "the backslash collapse lengthened a text");
  (void)ExpandDotDirs(text, [&](std::string_view path) { return env.FullPath(path); });

  // The request to close the program names its file.
  MemoryIniStore ini;
  ini.Write("App.original", "AutoUpdate", "s15", "Close PROG_NAME");
  OverrideList overrides;
  const OriginalFile original(ini, "App.original");
  const InfoFile info(ini, "App.info", overrides);
  const std::string request = CloseRequestText(original, info, program);
  FuzzCheck(request == "Close " + ExtractFileName(program), "the close request does not name the program");
  return 0;
}
