// Stand-in setup engine for tests and demos: packed as "Engine.exe*", started by the stub's setup
// run. It shows the engine side of the contract in a few lines:
//   - it is started as  <extraction folder>\Engine.exe [switches] /TH_ID=_<thread id> /OriginExe="<setup>"
//   - deleting the global atom "AutoUpdateAtomTokenByVelkit" + <thread tag> reports a completed
//     installation;
//   - the stub waits while a top-level window of class ".SDialog_Class_Name." + <thread tag> exists;
//   - its exit code becomes the stub's exit code.
// What it does is steered by an INI file, section [Engine]: the file named by the environment
// variable VELKIT_ENGINE_INI (Wine drops variables starting with VK_, so another prefix), else
// Engine.ini beside the engine (packed with it). Keys:
//   Record=<file>     append what it was given: [Run] CommandLine=, Folder= (current folder),
//                     ExeFolder=, ShowWindow= (the show state the stub asked for)
//   DeleteAtom=1      delete the completion atom (a successful installation)
//   DialogMs=<n>      leave a window of the dialog class on screen for n ms after exiting (shown by
//                     a second copy of the engine), and write DialogClosed=1 to the record when
//                     it goes
//   HoldFile=<file>   instead of a time, the dialog stays until this file exists (at most 2 min)
//   RunMs=<n>         work for n ms before ending (a benchmark sees when the stub notices the end)
//   ExitCode=<n>      exit code (default 0)
//   InstallTo=<dir>   "install": copy every file of the engine's own folder but the engine itself
//                     into dir, replacing what is there (InstallTo=Done in the record)
// The record also counts the runs (Runs=) and says Ended=1 when the engine itself ends.
#include <windows.h>

#include <string>

#include "../common/Help.h"

namespace {
std::string IniFile() {
  char buf[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("VELKIT_ENGINE_INI", buf, sizeof buf);
  if (n > 0 && n < sizeof buf) return buf;
  GetModuleFileNameA(nullptr, buf, sizeof buf);
  std::string path = buf;
  return path.substr(0, path.find_last_of('\\') + 1) + "Engine.ini";
}

std::string Setting(const std::string& ini, const char* key) {
  char buf[1024] = "";
  GetPrivateProfileStringA("Engine", key, "", buf, sizeof buf, ini.c_str());
  return buf;
}

// The value of "/NAME=" up to the next blank, or empty.
std::string Switch(const std::string& cmd, const std::string& name) {
  size_t at = cmd.find(name);
  if (at == std::string::npos) return {};
  at += name.size();
  return cmd.substr(at, cmd.find(' ', at) - at);
}

void Record(const std::string& file, const char* key, const std::string& value) {
  if (!file.empty()) WritePrivateProfileStringA("Run", key, value.c_str(), file.c_str());
}

// Copies the files of folder, except the one named skip, into target; false when one failed.
bool CopyFolderFiles(const std::string& folder, const std::string& skip, const std::string& target) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    const std::string name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || lstrcmpiA(name.c_str(), skip.c_str()) == 0) continue;
    ok = CopyFileA((folder + "\\" + name).c_str(), (target + "\\" + name).c_str(), FALSE) && ok;
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return ok;
}

// The second copy: owns a window of the dialog class for ms milliseconds, or until holdFile exists.
int ShowDialog(const std::string& cls, int ms, const std::string& holdFile, const std::string& record) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = cls.c_str();
  RegisterClassA(&wc);
  HWND wnd = CreateWindowA(cls.c_str(), "Test engine dialog", WS_OVERLAPPED, 0, 0, 200, 80, nullptr, nullptr,
                           wc.hInstance, nullptr);
  DWORD start = GetTickCount();
  DWORD limit = holdFile.empty() ? DWORD(ms) : 120000;
  MSG msg;
  while (GetTickCount() - start < limit) {
    if (!holdFile.empty() && GetFileAttributesA(holdFile.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
  // Written before the window goes, so a stub that has ended must have seen this.
  Record(record, "DialogClosed", "1");
  DestroyWindow(wnd);
  return 0;
}
}  // namespace

constexpr const char* kUsage = R"(usage: Engine.exe [switches] /TH_ID=_<thread id> /OriginExe="<setup>"
Stand-in setup engine, started by the stub's setup run. Steered by the [Engine] section of the
file named by VELKIT_ENGINE_INI, else Engine.ini beside it (Record=, exit code, dialogs, atom ...).
)";

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (PrintHelpIfAsked(__argc, __argv, kUsage)) return 0;
  std::string cmd = GetCommandLineA();
  std::string ini = IniFile();
  std::string record = Setting(ini, "Record");

  std::string dialog = Switch(cmd, "/EngineDialog=");
  if (!dialog.empty())
    return ShowDialog(dialog, atoi(Setting(ini, "DialogMs").c_str()), Setting(ini, "HoldFile"), record);

  STARTUPINFOA si{};
  si.cb = sizeof si;
  GetStartupInfoA(&si);
  char folder[MAX_PATH] = "", exe[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof folder, folder);
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  char runs[32] = "0";
  GetPrivateProfileStringA("Run", "Runs", "0", runs, sizeof runs, record.c_str());
  Record(record, "Runs", std::to_string(atoi(runs) + 1));
  Record(record, "CommandLine", cmd);
  Record(record, "Folder", folder);
  Record(record, "ExeFolder", std::string(exe).substr(0, std::string(exe).find_last_of('\\')));
  Record(record, "ShowWindow", (si.dwFlags & STARTF_USESHOWWINDOW) ? std::to_string(si.wShowWindow) : "default");

  if (const std::string to = Setting(ini, "InstallTo"); !to.empty()) {
    const std::string self = exe, dir = self.substr(0, self.find_last_of('\\'));
    Record(record, "InstallTo", CopyFolderFiles(dir, self.substr(dir.size() + 1), to) ? "Done" : "Failed");
  }

  std::string tag = Switch(cmd, "/TH_ID=");
  if (Setting(ini, "DeleteAtom") == "1") {
    ATOM atom = GlobalFindAtomA(("AutoUpdateAtomTokenByVelkit" + tag).c_str());
    Record(record, "AtomFound", atom ? "1" : "0");
    if (atom) GlobalDeleteAtom(atom);
  }

  if (atoi(Setting(ini, "DialogMs").c_str()) > 0 || !Setting(ini, "HoldFile").empty()) {
    std::string child = "\"" + std::string(exe) + "\" /EngineDialog=.SDialog_Class_Name." + tag;
    STARTUPINFOA csi{};
    csi.cb = sizeof csi;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, child.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &csi, &pi)) {
      // Exit only once the dialog is up, as a real engine's last dialog would be.
      std::string cls = ".SDialog_Class_Name." + tag;
      for (int i = 0; i < 500 && !FindWindowA(cls.c_str(), nullptr); ++i) Sleep(10);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
  }
  if (int runMs = atoi(Setting(ini, "RunMs").c_str()); runMs > 0) Sleep(DWORD(runMs));
  Record(record, "Ended", "1");
  return atoi(Setting(ini, "ExitCode").c_str());
}
