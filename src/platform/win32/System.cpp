// Win32 implementation of the process seam.
#include "platform/System.h"

#include <windows.h>

#include "platform/win32/CriticalSection.h"

std::string OwnExePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, path.data(), DWORD(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string RawCommandLine() { return GetCommandLineA(); }
unsigned long CurrentProcessId() { return GetCurrentProcessId(); }
unsigned long CurrentThreadId() { return GetCurrentThreadId(); }

DateTime LocalNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

static char LocaleChar(LCTYPE type, char fallback) {
  char buf[8] = {};
  return GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf) > 1 ? buf[0] : fallback;
}
char LocaleDateSeparator() { return LocaleChar(LOCALE_SDATE, '/'); }
char LocaleTimeSeparator() { return LocaleChar(LOCALE_STIME, ':'); }

std::string LastErrorText() {
  DWORD code = GetLastError();
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  if (n == 0 || !text) return "Error Reading \"System error " + std::to_string(code) + "\"";
  // The system's texts end in a line break (and sometimes a blank).
  while (n > 0 && static_cast<unsigned char>(text[n - 1]) <= ' ') --n;
  std::string result(text, n);
  LocalFree(text);
  return result;
}

int64_t TickUs() {
  static double factor = [] {
    LARGE_INTEGER f;
    return QueryPerformanceFrequency(&f) && f.QuadPart ? 1000000.0 / double(f.QuadPart) : 0.0;
  }();
  if (factor == 0.0) return int64_t(GetTickCount()) * 1000;
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return int64_t(double(c.QuadPart) * factor + 0.5);
}

int64_t TickMs() { return (TickUs() + 500) / 1000; }

namespace {
// A critical section must be initialised where it lives and never copied: the system keeps its
// address (its debug record points back at it), so a copy is not the section it made.
struct ProcessSection {
  CRITICAL_SECTION cs;
  ProcessSection() { InitializeCriticalSection(&cs); }
  ProcessSection(const ProcessSection&) = delete;
  ProcessSection& operator=(const ProcessSection&) = delete;
};
}  // namespace

CRITICAL_SECTION* ProcessCriticalSection() {
  static ProcessSection section;
  return &section.cs;
}

CriticalSectionLock::CriticalSectionLock() { EnterCriticalSection(ProcessCriticalSection()); }
CriticalSectionLock::~CriticalSectionLock() { LeaveCriticalSection(ProcessCriticalSection()); }
