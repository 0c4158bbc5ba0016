// Run-time binding of "WinINet.dll": seven entries are looked up by name on first use, so that the
// program still starts and fails gracefully where the library or an entry is missing; each wrapper
// then answers as a failed call would (null handle, FALSE). The remaining WinINet calls are bound
// at load time.
#pragma once
#include <windows.h>
#include <wininet.h>

#include "platform/win32/Handles.h"

BOOL Inet_GetConnectedState(LPDWORD flags, DWORD reserved);
BOOL Inet_CloseHandle(HINTERNET handle);
HINTERNET Inet_OpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass, DWORD flags);
HINTERNET Inet_OpenUrlA(HINTERNET session, LPCSTR url, LPCSTR headers, DWORD headersLength, DWORD flags,
                        DWORD_PTR context);
BOOL Http_QueryInfoA(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD index);
BOOL Inet_ReadFile(HINTERNET file, LPVOID buffer, DWORD toRead, LPDWORD read);
BOOL Inet_QueryDataAvailable(HINTERNET file, LPDWORD available, DWORD flags, DWORD_PTR context);
// The loaded library, or null when it could not be loaded (loads it on first call).
HMODULE WinInetModule();
// Frees the library and forgets every entry; a later call binds anew.
void UnloadWinInetLibrary();
// For tests: the library name to bind (default "WinINet.dll"); takes effect at the next binding.
void SetWinInetLibraryName(const char* name);

// The flags of a download request: always from the server (reload), and no copy of the body in
// the Internet cache. Without the second flag the library writes every downloaded package into the
// cache as well, which doubles the disk writes of a download and leaves a copy of each package behind.
constexpr DWORD kDownloadRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

// Internet handles closed through the run-time binding.
struct BoundInternetTraits {
  using Type = HINTERNET;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { Inet_CloseHandle(h); }
};
using BoundInternetHandle = UniqueHandle<BoundInternetTraits>;
