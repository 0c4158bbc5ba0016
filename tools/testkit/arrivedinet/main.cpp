// arrivedinet.dll: WinINet for the tests of the download client, bound in its place (netprobe
// --wininet). It passes every call on to the system's WinINet and tells, for each read of a
// response, how much it asked for against what had arrived: a synchronous read waits until all
// it asked for is there, so a read that asks for more than has arrived is one that keeps the
// caller's window waiting.
// One line per read to the file named by the environment variable VELKIT_INET_LOG:
//   read ASKED ARRIVED GOT
// (ARRIVED as InternetQueryDataAvailable says just before the read; it waits, as the caller's own
// read would, until something has come or the body has ended).
#include <windows.h>

#include <cstdio>

namespace {
using HINTERNET = void*;

HMODULE Real() {
  static HMODULE module = LoadLibraryA("wininet.dll");
  return module;
}

template <typename Fn>
Fn RealEntry(const char* name) {
  // Through void*: a direct cast between unrelated function types draws -Wcast-function-type.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(Real(), name)));
}

std::FILE* Log() {
  static std::FILE* file = [] {
    char path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("VELKIT_INET_LOG", path, sizeof path);
    return n > 0 && n < sizeof path ? std::fopen(path, "a") : nullptr;
  }();
  return file;
}
}  // namespace

extern "C" {
__declspec(dllexport) BOOL WINAPI InternetGetConnectedState(DWORD* flags, DWORD reserved) {
  static auto fn = RealEntry<BOOL(WINAPI*)(DWORD*, DWORD)>("InternetGetConnectedState");
  return fn(flags, reserved);
}

__declspec(dllexport) BOOL WINAPI InternetCloseHandle(HINTERNET handle) {
  static auto fn = RealEntry<BOOL(WINAPI*)(HINTERNET)>("InternetCloseHandle");
  return fn(handle);
}

__declspec(dllexport) HINTERNET WINAPI
    InternetOpenA(const char* agent, DWORD access, const char* proxy, const char* bypass, DWORD flags) {
  static auto fn = RealEntry<HINTERNET(WINAPI*)(const char*, DWORD, const char*, const char*, DWORD)>("InternetOpenA");
  return fn(agent, access, proxy, bypass, flags);
}

__declspec(dllexport) HINTERNET WINAPI InternetOpenUrlA(HINTERNET session, const char* url, const char* headers,
                                                        DWORD headersLength, DWORD flags, DWORD_PTR context) {
  static auto fn =
      RealEntry<HINTERNET(WINAPI*)(HINTERNET, const char*, const char*, DWORD, DWORD, DWORD_PTR)>("InternetOpenUrlA");
  return fn(session, url, headers, headersLength, flags, context);
}

__declspec(dllexport) BOOL WINAPI
    HttpQueryInfoA(HINTERNET request, DWORD level, void* buffer, DWORD* length, DWORD* index) {
  static auto fn = RealEntry<BOOL(WINAPI*)(HINTERNET, DWORD, void*, DWORD*, DWORD*)>("HttpQueryInfoA");
  return fn(request, level, buffer, length, index);
}

__declspec(dllexport) BOOL WINAPI
    InternetQueryDataAvailable(HINTERNET file, DWORD* available, DWORD flags, DWORD_PTR context) {
  static auto fn = RealEntry<BOOL(WINAPI*)(HINTERNET, DWORD*, DWORD, DWORD_PTR)>("InternetQueryDataAvailable");
  return fn(file, available, flags, context);
}

__declspec(dllexport) BOOL WINAPI InternetReadFile(HINTERNET file, void* buffer, DWORD toRead, DWORD* read) {
  static auto fn = RealEntry<BOOL(WINAPI*)(HINTERNET, void*, DWORD, DWORD*)>("InternetReadFile");
  DWORD arrived = 0;
  InternetQueryDataAvailable(file, &arrived, 0, 0);
  const BOOL ok = fn(file, buffer, toRead, read);
  if (std::FILE* log = Log()) {
    std::fprintf(log, "read %lu %lu %lu\n", static_cast<unsigned long>(toRead), static_cast<unsigned long>(arrived),
                 static_cast<unsigned long>(ok ? *read : 0));
    std::fflush(log);
  }
  return ok;
}
}
