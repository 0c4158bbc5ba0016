// Process and window control on Win32. The process list comes from PSAPI on the NT family and from
// the ToolHelp snapshot elsewhere; both are looked up at first use, and a missing one finds
// nothing rather than failing.
#include "util/Process.h"

#include <windows.h>
// after windows.h
#include <tlhelp32.h>

#include "platform/System.h"
#include "platform/win32/Handles.h"
#include "util/IniReg.h"
#include "util/MessagePump.h"
#include "util/Utils.h"
#include "util/win32/StartProcess.h"
#include "util/win32/WinSys.h"

namespace {
using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using GetModuleNameFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
using QueryImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, DWORD*);
using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using ProcessWalkFn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);

struct Psapi {
  EnumProcessesFn enumProcesses = LoadProcAs<EnumProcessesFn>("PSAPI.dll", "EnumProcesses");
  EnumProcessModulesFn enumModules = LoadProcAs<EnumProcessModulesFn>("PSAPI.dll", "EnumProcessModules");
  GetModuleNameFn baseName = LoadProcAs<GetModuleNameFn>("PSAPI.dll", "GetModuleBaseNameA");
  GetModuleNameFn fileName = LoadProcAs<GetModuleNameFn>("PSAPI.dll", "GetModuleFileNameExA");
  // Vista on: the program file in one call, where the module walk reads the other process's memory.
  QueryImageNameFn imageName = LoadProcAs<QueryImageNameFn>("kernel32.dll", "QueryFullProcessImageNameA");
  bool ok() const { return enumProcesses && (imageName || (enumModules && baseName && fileName)); }
};

struct ToolHelp {
  SnapshotFn snapshot = LoadProcAs<SnapshotFn>("kernel32.dll", "CreateToolhelp32Snapshot");
  ProcessWalkFn first = LoadProcAs<ProcessWalkFn>("kernel32.dll", "Process32First");
  ProcessWalkFn next = LoadProcAs<ProcessWalkFn>("kernel32.dll", "Process32Next");
  bool ok() const { return snapshot && first && next; }
};

const Psapi& PsapiCalls() {
  static const Psapi calls;
  return calls;
}

const ToolHelp& ToolHelpCalls() {
  static const ToolHelp calls;
  return calls;
}

std::string ShortPathOf(std::string_view path) {
  const std::string p = Trim(path);
  std::string buf(MAX_PATH + 1, '\0');
  DWORD n = GetShortPathNameA(p.c_str(), buf.data(), DWORD(buf.size()));
  buf.resize(n < buf.size() ? n : 0);
  return buf;
}

// The process ids the system lists, in its order.
std::vector<DWORD> ProcessIds() {
  const Psapi& psapi = PsapiCalls();
  std::vector<DWORD> ids;
  if (!psapi.ok()) return ids;
  // The list is complete only when the system filled less than the buffer.
  for (DWORD bytes = 1024;; bytes += 1024) {
    ids.assign(bytes / sizeof(DWORD), 0);
    DWORD used = 0;
    if (!psapi.enumProcesses(ids.data(), bytes, &used)) return {};
    if (used < bytes) {
      ids.resize(used / sizeof(DWORD));
      return ids;
    }
  }
}

// The program file of a process and its name.
bool ProcessImage(HANDLE process, std::string& file, std::string& base) {
  const Psapi& psapi = PsapiCalls();
  if (psapi.imageName) {
    char image[1024];
    DWORD length = sizeof image;
    if (psapi.imageName(process, 0, image, &length)) {
      file.assign(image, length);
      base = ExtractFileName(file);
      return true;
    }
  }
  HMODULE module = nullptr;
  DWORD needed = 0;
  if (!psapi.enumModules || !psapi.fileName || !psapi.baseName ||
      !psapi.enumModules(process, &module, sizeof module, &needed) || !module)
    return false;
  char path[257] = {}, name[257] = {};
  psapi.fileName(process, module, path, 256);
  psapi.baseName(process, module, name, 256);
  file = path;
  base = name;
  return true;
}

bool NtProcessMatches(DWORD pid, std::string_view path, std::string_view shortPath, bool fullPathOnly) {
  KernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  std::string file, base;
  if (!process || !ProcessImage(process.get(), file, base)) return false;
  // The short form costs a walk of every folder on the way: only asked when the names differ.
  if (ProcessMatches(file, base, {}, path, {}, fullPathOnly)) return true;
  return !Trim(shortPath).empty() && ProcessMatches(file, base, ShortPathOf(file), path, shortPath, fullPathOnly);
}

unsigned long FindProcessNT(std::string_view path, bool fullPathOnly) {
  const std::string shortPath = ShortPathOf(path);
  const std::vector<DWORD> ids = ProcessIds();
  for (size_t i = ids.size(); i-- > 0;)
    if (ids[i] != 0 && NtProcessMatches(ids[i], path, shortPath, fullPathOnly)) return ids[i];
  return 0;
}

unsigned long FindProcessToolHelp(std::string_view path, bool fullPathOnly) {
  const ToolHelp& th = ToolHelpCalls();
  if (!th.ok()) return 0;
  // The snapshot's failure value is INVALID_HANDLE_VALUE, as with files.
  FileHandle snapshot(th.snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  const std::string shortPath = ShortPathOf(path);
  unsigned long found = 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = th.first(snapshot.get(), &entry); more; more = th.next(snapshot.get(), &entry)) {
    const std::string exe = entry.szExeFile;
    if (ProcessMatches(exe, ExtractFileName(exe), ShortPathOf(exe), path, shortPath, fullPathOnly))
      found = entry.th32ProcessID;
  }
  return found;
}

bool IdListed(DWORD pid) {
  for (DWORD id : ProcessIds())
    if (id == pid) return true;
  return false;
}

std::string Unquoted(std::string_view path) { return TrimQuotes(path, true); }

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM param) {
  auto* analizer = reinterpret_cast<TAnalizer*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(wnd, &owner);
  if (owner != analizer->ProcessId()) return TRUE;
  const auto w = reinterpret_cast<TAnalizer::Window>(wnd);
  return analizer->Add(w, GetTopOwner(w), GetWindowTextLengthA(wnd) > 0, IsWindowVisible(wnd) != FALSE);
}
}  // namespace

unsigned long FindProcessByPath(std::string_view path, bool fullPathOnly) {
  return IsWinNT() ? FindProcessNT(path, fullPathOnly) : FindProcessToolHelp(path, fullPathOnly);
}

bool IsProcessRunning(std::string_view path) { return FindProcessByPath(Unquoted(path), false) != 0; }

void WaitProcessEnd(std::string_view path, int64_t timeoutMs) {
  const std::string p = Unquoted(path);
  const int64_t start = GetTickCount();
  WaitPumping(0, 1000);
  const bool nt = IsWinNT();
  DWORD pid = 0;
  if (nt && (pid = FindProcessByPath(p, false)) == 0) return;
  for (;;) {
    WaitPumping(0, 1000);
    if (timeoutMs > 0 && int64_t(GetTickCount()) - start > timeoutMs) return;
    if (nt ? !IdListed(pid) : FindProcessByPath(p, false) == 0) return;
  }
}

TAnalizer::Window GetTopOwner(TAnalizer::Window window) {
  HWND owner = GetWindow(reinterpret_cast<HWND>(window), GW_OWNER);
  HWND top = nullptr;
  // Owner chains are short; the bound only guards against a cycle.
  for (int depth = 0; owner && depth < 1000; ++depth) {
    top = owner;
    owner = GetWindow(owner, GW_OWNER);
  }
  return reinterpret_cast<TAnalizer::Window>(top);
}

TAnalizer::Window FindMainWindow(std::string_view path, bool fullPathOnly) {
  const unsigned long pid = FindProcessByPath(path, fullPathOnly);
  if (pid == 0) return 0;
  TAnalizer analizer(pid);
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&analizer));
  return analizer.MainWindow();
}

bool PostProcessMessage(std::string_view path, bool fullPathOnly, unsigned message, uintptr_t wParam, intptr_t lParam) {
  HWND wnd = reinterpret_cast<HWND>(FindMainWindow(path, fullPathOnly));
  if (!wnd) return false;
  PostMessageA(wnd, message, wParam, lParam);
  return true;
}

bool CloseProcessWindow(std::string_view path, bool fullPathOnly) {
  return PostProcessMessage(path, fullPathOnly, WM_CLOSE, 15, 255);
}

bool QuitProcessWindow(std::string_view path, bool fullPathOnly) {
  return PostProcessMessage(path, fullPathOnly, WM_QUIT, 15, 255);
}

bool TerminateProcessByPath(std::string_view path, bool fullPathOnly) {
  const unsigned long pid = FindProcessByPath(path, fullPathOnly);
  if (pid == 0) return false;
  KernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
  return process && TerminateProcess(process.get(), 0);
}

void WaitWhileWindowExists(std::string_view windowClass, std::string_view title) {
  // Neither given would match any window and never return.
  if (windowClass.empty() && title.empty()) return;
  const std::string cls(windowClass), text(title);
  while (FindWindowA(cls.empty() ? nullptr : cls.c_str(), text.empty() ? nullptr : text.c_str())) {
    PumpMessages(0);
    Sleep(100);
  }
}

KernelHandle RunProcess(std::string_view commandLine, int showState) {
  std::string command(commandLine);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = WORD(showState);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
  CloseHandle(pi.hThread);
  return KernelHandle(pi.hProcess);
}

void WaitForProcess(HANDLE process) {
  if (!process) return;
  // The handle, not the exit code, says whether the process has ended: an engine may well end
  // with 259, the value of STILL_ACTIVE. Each message that arrives meanwhile is dispatched at once.
  while (MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) PumpMessages(0);
}
