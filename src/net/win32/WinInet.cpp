// Run-time binding of the seven WinINet entries that the download client looks up by name.
#include "net/win32/WinInet.h"

namespace {
const char* libraryName = "WinINet.dll";
HMODULE library = nullptr;

struct Entries {
  FARPROC getConnectedState = nullptr, closeHandle = nullptr, open = nullptr, openUrl = nullptr, queryInfo = nullptr,
          readFile = nullptr, queryDataAvailable = nullptr;
} entries;

// The entry's address, looked up once; null when the library or the entry is missing.
template <typename Fn>
Fn Entry(FARPROC& slot, const char* name) {
  if (!slot) {
    if (HMODULE module = WinInetModule()) slot = GetProcAddress(module, name);
  }
  // Through void*: a direct cast between unrelated function types draws -Wcast-function-type.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(slot));
}
}  // namespace

HMODULE WinInetModule() {
  if (!library) {
    // A missing library must fail quietly, not stop the program with the system's error box.
    const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    library = LoadLibraryA(libraryName);
    SetErrorMode(previous);
  }
  return library;
}

void UnloadWinInetLibrary() {
  if (library) FreeLibrary(library);
  library = nullptr;
  entries = Entries{};
}

void SetWinInetLibraryName(const char* name) {
  UnloadWinInetLibrary();
  libraryName = name;
}

BOOL Inet_GetConnectedState(LPDWORD flags, DWORD reserved) {
  auto fn = Entry<decltype(&InternetGetConnectedState)>(entries.getConnectedState, "InternetGetConnectedState");
  return fn ? fn(flags, reserved) : FALSE;
}

BOOL Inet_CloseHandle(HINTERNET handle) {
  auto fn = Entry<decltype(&InternetCloseHandle)>(entries.closeHandle, "InternetCloseHandle");
  return fn ? fn(handle) : FALSE;
}

HINTERNET Inet_OpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass, DWORD flags) {
  auto fn = Entry<decltype(&InternetOpenA)>(entries.open, "InternetOpenA");
  return fn ? fn(agent, accessType, proxy, proxyBypass, flags) : nullptr;
}

HINTERNET Inet_OpenUrlA(HINTERNET session, LPCSTR url, LPCSTR headers, DWORD headersLength, DWORD flags,
                        DWORD_PTR context) {
  auto fn = Entry<decltype(&InternetOpenUrlA)>(entries.openUrl, "InternetOpenUrlA");
  return fn ? fn(session, url, headers, headersLength, flags, context) : nullptr;
}

BOOL Http_QueryInfoA(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD index) {
  auto fn = Entry<decltype(&HttpQueryInfoA)>(entries.queryInfo, "HttpQueryInfoA");
  return fn ? fn(request, infoLevel, buffer, bufferLength, index) : FALSE;
}

BOOL Inet_ReadFile(HINTERNET file, LPVOID buffer, DWORD toRead, LPDWORD read) {
  auto fn = Entry<decltype(&InternetReadFile)>(entries.readFile, "InternetReadFile");
  return fn ? fn(file, buffer, toRead, read) : FALSE;
}

BOOL Inet_QueryDataAvailable(HINTERNET file, LPDWORD available, DWORD flags, DWORD_PTR context) {
  auto fn = Entry<decltype(&InternetQueryDataAvailable)>(entries.queryDataAvailable, "InternetQueryDataAvailable");
  return fn ? fn(file, available, flags, context) : FALSE;
}
