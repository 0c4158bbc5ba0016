// vkprobe: calls one routine of the utility layer with the arguments of its command line and
// prints what it returned, so that the Wine-side tests see the real Win32 behaviour.
// Exit code: 0 for a true (or plain) result, 1 for false or empty, 2 for a usage error.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "WindowApp.h"
#include "platform/win32/CriticalSection.h"
#include "util/Files.h"
#include "util/IniReg.h"
#include "util/MessagePump.h"
#include "util/Process.h"
#include "util/Utils.h"
#include "util/VDebug.h"
#include "util/VSUB.h"
#include "util/win32/WinSys.h"

namespace {
using Args = std::vector<std::string>;

int Print(const std::string& text) {
  std::printf("%s\n", text.c_str());
  return 0;
}
int PrintBool(bool value) {
  std::printf("%s\n", BoolToText(value));
  return value ? 0 : 1;
}
bool Flag(const std::string& arg) { return arg == "1"; }
int64_t Number(const std::string& arg) { return StrToInt64Def(arg, 0); }

int SysInfo(const Args&) {
  std::printf("IsWinNT=%s\n", BoolToText(IsWinNT()));
  std::printf("WindowsVersionKey=%s\n", WindowsVersionKey().c_str());
  std::printf("User=%s\n", GetLoggedUserName().c_str());
  std::printf("Computer=%s\n", GetComputerNameText().c_str());
  std::printf("Domain=%s\n", GetUserDomainName().c_str());
  std::printf("Owner=%s\n", GetRegisteredOwner().c_str());
  std::printf("Organization=%s\n", GetRegisteredOrganization().c_str());
  std::printf("Developer=%s\n", BoolToText(IsDeveloperMode()));
  std::printf("WinDir=%s\n", GetWinDir(false).c_str());
  std::printf("SysDir=%s\n", GetSysDir(true).c_str());
  std::printf("TempDir=%s\n", GetTempDir(true).c_str());
  std::printf("ExePath=%s\n", GetExePath(false).c_str());
  std::printf("ExeName=%s\n", GetExePath(true).c_str());
  std::printf("ExeDir=%s\n", GetExeDir(false).c_str());
  return 0;
}

int Preloaded(const Args&) {
  // Asks without loading: only what start-up loaded is there.
  bool all = true;
  for (const char* lib : {"shell32.dll", "USP10.dll", "MSLS31.dll", "RICHED32.DLL"}) {
    bool loaded = GetModuleHandleA(lib) != nullptr;
    std::printf("%s=%s\n", lib, BoolToText(loaded));
    all &= loaded || std::string(lib) == "MSLS31.dll";  // not every system has it
  }
  return all ? 0 : 1;
}

int LastError(const Args& a) {
  SetLastError(DWORD(Number(a[0])));
  return Print(LastErrorText());
}

// The debug channel's lock in use, then whether its section is the one the system initialised:
// the section's debug record, where the system keeps one, points back at it.
int DebugSection(const Args&) {
  DebugLn("debug-section");
  const CRITICAL_SECTION* cs = ProcessCriticalSection();
  const auto* info = cs->DebugInfo;
  return PrintBool(!info || info == reinterpret_cast<decltype(info)>(-1) || info->CriticalSection == cs);
}

// Keeps the global atom table full with atoms PREFIX0, PREFIX1 ... until the stop file exists:
// other programs free atoms now and then (a class or a window property goes with its process or
// window), so every slot that comes free is taken again at once. Prints "full=N" once the table
// is first full, deletes its atoms at the end.
int HoldAtoms(const Args& a) {
  int n = 0;
  bool reported = false;
  for (;;) {
    while (GlobalAddAtomA((a[0] + std::to_string(n)).c_str())) ++n;
    if (!reported) {
      reported = true;
      Print("full=" + IntToStr(n));
      std::fflush(stdout);
    }
    if (GetFileAttributesA(a[1].c_str()) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(1);
  }
  for (int i = 0; i < n; ++i) GlobalDeleteAtom(GlobalFindAtomA((a[0] + std::to_string(i)).c_str()));
  return 0;
}
// Deletes what hold-atoms left behind when it could not end on its own (global atoms outlive
// their process); prints how many.
int FreeAtoms(const Args& a) {
  int n = 0;
  for (ATOM atom; (atom = GlobalFindAtomA((a[0] + std::to_string(n)).c_str())) != 0; ++n) GlobalDeleteAtom(atom);
  return Print(IntToStr(n));
}

int WaitPumpingTimed(const Args& a) {
  int64_t start = TickMs();
  WaitPumping(int(Number(a[0])), Number(a[1]));
  return Print(IntToStr(TickMs() - start));
}

// Writes pieces of 'a', 'b', ... (sizes from a comma list) through one OutputFile. With a hold file,
// it stops after the first piece (HOLD.ready says so) until the test makes HOLD, so the test can
// look at the path while the file is half written.
int WritePieces(const Args& a) {
  OutputFile file;
  const bool opened = file.Open(a[1], a[0] == "append" ? OutputFile::Mode::kAppend : OutputFile::Mode::kReplace);
  std::printf("created=%s\n", BoolToText(opened && file.Created()));
  bool ok = opened;
  const std::string sizes = "," + a[3] + ",";
  for (int i = 0; ok && i < SUB::Count(sizes); ++i) {
    ok = file.Write(std::string(size_t(Number(SUB::Get(sizes, i))), char('a' + i)));
    if (i == 0 && a[4] != "-") {
      WriteFileData(a[4] + ".ready", "");
      while (!FileExists(a[4])) Sleep(10);
    }
  }
  return PrintBool(ok && file.Finish(uint32_t(Number(a[2]))));
}

struct Command {
  const char* name;
  size_t args;
  const char* usage;
  int (*run)(const Args&);
};

const Command kCommands[] = {
    {"ini-read", 4, "FILE SECTION KEY DEFAULT",
     [](const Args& a) { return Print(ReadIniString(a[0], a[1], a[2], a[3])); }},
    {"ini-read-int", 4, "FILE SECTION KEY DEFAULT",
     [](const Args& a) { return Print(IntToStr(ReadIniInt(a[0], a[1], a[2], Number(a[3])))); }},
    {"ini-write", 4, "FILE SECTION KEY VALUE",
     [](const Args& a) { return PrintBool(WriteIniString(a[0], a[1], a[2], a[3])); }},
    {"reg-read", 3, "PATH NAME DEFAULT", [](const Args& a) { return Print(ReadRegString(a[0], a[1], a[2])); }},
    {"sysinfo", 0, "", SysInfo},
    {"preloaded", 0, "", Preloaded},
    {"last-error", 1, "CODE", LastError},
    {"wait-pumping", 2, "SLICE MS   (prints the milliseconds it took)", WaitPumpingTimed},
    {"debug-section", 0, "   (TRUE when the debug channel's critical section is the one initialised)", DebugSection},
    {"hold-atoms", 2, "PREFIX STOPFILE   (keeps the global atom table full until STOPFILE exists)", HoldAtoms},
    {"free-atoms", 1, "PREFIX   (deletes the atoms hold-atoms left; prints how many)", FreeAtoms},
    {"read", 3, "FILE MAXLEN START   (prints the bytes read)",
     [](const Args& a) { return Print(ReadFileRange(a[0], Number(a[1]), Number(a[2]))); }},
    {"write", 3, "FILE TEXT DOSTIME",
     [](const Args& a) { return PrintBool(WriteFileData(a[0], a[1], uint32_t(Number(a[2])))); }},
    {"append", 2, "FILE TEXT", [](const Args& a) { return PrintBool(AppendText(a[0], a[1])); }},
    {"write-pieces", 5,
     "append|replace FILE DOSTIME SIZES HOLD   (SIZES as 3000,5000; HOLD: a file to wait for after the first "
     "piece, or -)",
     WritePieces},
    {"size", 1, "FILE", [](const Args& a) { return Print(IntToStr(GetFileSizeByName(a[0]))); }},
    {"dostime", 1, "FILE", [](const Args& a) { return Print(IntToStr(GetFileDosTime(a[0]))); }},
    {"disk-free", 1, "PATH", [](const Args& a) { return Print(IntToStr(int64_t(DiskFreeBytes(a[0])))); }},
    {"delete-mask", 2, "MASK 0|1", [](const Args& a) { return PrintBool(DeleteFilesByMask(a[0], Flag(a[1]))); }},
    {"rmtree", 2, "DIR 0|1", [](const Args& a) { return PrintBool(RemoveFolderTree(a[0], Flag(a[1]))); }},
    {"find-file", 2, "DIR NAME", [](const Args& a) { return Print(FindFileInTree(a[0], a[1])); }},
    {"find-folder", 2, "DIR NAME", [](const Args& a) { return Print(FindFolderInTree(a[0], a[1])); }},
    {"find-file-drives", 2, "NAME DRIVETYPE",
     [](const Args& a) { return Print(FindFileOnDrives(a[0], unsigned(Number(a[1])))); }},
    {"find-folder-drives", 2, "PATH|NAME DRIVETYPE",
     [](const Args& a) { return Print(FindFolderOnDrives(a[0], unsigned(Number(a[1])))); }},
    {"eject", 1, "PATH", [](const Args& a) { return PrintBool(EjectCD(a[0])); }},
    {"self-delete-demo", 2, "REMOVEFOLDER(0|1) SHORTNAMES(0|1)   (deletes this executable once it has ended)",
     [](const Args& a) {
       DeleteMySelf(Flag(a[0]), Flag(a[1]));
       return 0;
     }},
    {"window-app", 2, "INFOFILE DIALOG(0|1)   (a sample application with windows; see WindowApp.cpp)",
     [](const Args& a) { return RunWindowApp(a[0].c_str(), Flag(a[1])); }},
    {"pumped-wait", 1, "MS   (a window that answers WM_APP while the thread waits in WaitPumping)",
     [](const Args& a) { return RunPumpedWait(Number(a[0])); }},
    {"send", 2, "CLASS WPARAM   (sends WM_APP, prints the answer)",
     [](const Args& a) { return SendToWindow(a[0].c_str(), (unsigned long)Number(a[1])); }},
    {"find-process", 2, "PATH FULLPATHONLY(0|1)",
     [](const Args& a) { return Print(IntToStr(FindProcessByPath(a[0], Flag(a[1])))); }},
    {"is-running", 1, "PATH", [](const Args& a) { return PrintBool(IsProcessRunning(a[0])); }},
    {"wait-end", 2, "PATH TIMEOUTMS",
     [](const Args& a) {
       WaitProcessEnd(a[0], Number(a[1]));
       return 0;
     }},
    {"find-window", 2, "PATH FULLPATHONLY(0|1)   (prints the handle)",
     [](const Args& a) { return Print(IntToStr(int64_t(FindMainWindow(a[0], Flag(a[1]))))); }},
    {"close-window", 2, "PATH FULLPATHONLY(0|1)",
     [](const Args& a) { return PrintBool(CloseProcessWindow(a[0], Flag(a[1]))); }},
    {"quit-window", 2, "PATH FULLPATHONLY(0|1)",
     [](const Args& a) { return PrintBool(QuitProcessWindow(a[0], Flag(a[1]))); }},
    {"terminate", 2, "PATH FULLPATHONLY(0|1)",
     [](const Args& a) { return PrintBool(TerminateProcessByPath(a[0], Flag(a[1]))); }},
    {"wait-window", 2, "CLASS TITLE   (returns once no such window exists)",
     [](const Args& a) {
       WaitWhileWindowExists(a[0], a[1]);
       return 0;
     }},
    {"top-owner", 1, "HWND",
     [](const Args& a) { return Print(IntToStr(int64_t(GetTopOwner(TAnalizer::Window(Number(a[0])))))); }},
    {"short-path", 1, "PATH",
     [](const Args& a) {
       char buf[MAX_PATH + 1] = {};
       return Print(GetShortPathNameA(a[0].c_str(), buf, sizeof buf) ? buf : "");
     }},
    {"log", 3, "ENABLED(0|1) MARKER TEXT   (writes a log line; prints the log file's path)",
     [](const Args& a) {
       SetLogEnabled(Flag(a[0]));
       SetLogMarker(a[1]);
       WriteStubLog(a[2]);
       return Print(GetLogFileName());
     }},
    {"debug-line", 1, "N   (writes a line of N characters to the debug channel)",
     [](const Args& a) {
       std::string line;
       for (int64_t i = 0; i < Number(a[0]); ++i) line += char('a' + i % 26);
       DebugLn(line);
       return 0;
     }},
};

void Usage(FILE* out) {
  std::fputs("usage: vkprobe COMMAND ARGS...\nCalls one routine of the Velkit utility layer and prints its result.\n",
             out);
  for (const Command& c : kCommands) std::fprintf(out, "  %s %s\n", c.name, c.usage);
}
}  // namespace

int main(int argc, char** argv) {
  PreloadSystemLibraries();  // as the stub does before its first window
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    Usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const std::string name = argv[1];
  const Args args(argv + 2, argv + argc);
  for (const Command& c : kCommands) {
    if (name != c.name) continue;
    if (args.size() != c.args) {
      std::fprintf(stderr, "vkprobe: %s takes %u arguments: %s\n", c.name, unsigned(c.args), c.usage);
      return 2;
    }
    int rc = c.run(args);
    std::fflush(stdout);
    return rc;
  }
  std::fprintf(stderr, "vkprobe: unknown command '%s'\n", name.c_str());
  Usage(stderr);
  return 2;
}
