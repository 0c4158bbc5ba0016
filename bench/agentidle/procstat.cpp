// procstat: what Windows says about a running program, for the idle benchmark: its working set,
// private bytes, handle count, GDI and USER object counts and processor time, read through the
// system's own calls on the process found by its file name, and its address space walked page
// range by page range (committed private memory, images and mappings), which Wine answers for
// another process where it answers some of the counters with 0.
//   procstat NAME.exe   prints "pid=… ws=… private=… handles=… gdi=… user=… cpu_ms=…
//                       committed_private=… committed_image=… committed_mapped=…"; exit 1 when
//                       no such process runs
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
unsigned long long Ms(const FILETIME& t) {
  return ((unsigned long long)t.dwHighDateTime << 32 | t.dwLowDateTime) / 10000;
}

DWORD FindProcess(const char* name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD pid = 0;
  for (BOOL ok = Process32First(snapshot, &entry); ok && !pid; ok = Process32Next(snapshot, &entry))
    if (lstrcmpiA(entry.szExeFile, name) == 0) pid = entry.th32ProcessID;
  CloseHandle(snapshot);
  return pid;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
    std::printf("usage: procstat NAME.exe\n  memory, handle, GDI/USER object counts and processor time of the "
                "running process NAME.exe\n");
    return argc == 2 ? 0 : 2;
  }
  const DWORD pid = FindProcess(argv[1]);
  HANDLE process = pid ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid) : nullptr;
  if (!process) {
    std::fprintf(stderr, "procstat: no running process %s\n", argv[1]);
    return 1;
  }
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  DWORD handles = 0;
  GetProcessHandleCount(process, &handles);
  FILETIME created, ended, kernel, user;
  unsigned long long cpu = 0;
  if (GetProcessTimes(process, &created, &ended, &kernel, &user)) cpu = Ms(kernel) + Ms(user);
  std::printf("pid=%lu ws=%lu private=%lu handles=%lu gdi=%lu user=%lu cpu_ms=%llu ", pid,
              (unsigned long)memory.WorkingSetSize, (unsigned long)memory.PrivateUsage, handles,
              GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS), cpu);
  unsigned long long committed[3] = {0, 0, 0};  // private, image, mapped
  MEMORY_BASIC_INFORMATION region{};
  for (uintptr_t at = 0; VirtualQueryEx(process, reinterpret_cast<void*>(at), &region, sizeof region) == sizeof region;) {
    if (region.State == MEM_COMMIT)
      committed[region.Type == MEM_PRIVATE ? 0 : region.Type == MEM_IMAGE ? 1 : 2] += region.RegionSize;
    const uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  std::printf("committed_private=%llu committed_image=%llu committed_mapped=%llu\n", committed[0], committed[1],
              committed[2]);
  CloseHandle(process);
  return 0;
}
