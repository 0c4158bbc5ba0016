// The operating-system seam for the little that portable units need from the running process:
// who and where we are, the clock, and the lock around the debug channel's forwarding.
// Implemented by platform/win32 (the real calls) and platform/posix (the host build).
#pragma once
#include <cstdint>
#include <string>

struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Full path of the running executable.
std::string OwnExePath();
// The raw command line as the operating system reports it, program path included.
std::string RawCommandLine();
unsigned long CurrentProcessId();
unsigned long CurrentThreadId();
// Current local date and time.
DateTime LocalNow();
// The locale's date and time separators ('/' and ':' where the locale says nothing else).
char LocaleDateSeparator();
char LocaleTimeSeparator();
// Milliseconds from a monotonic high-resolution counter.
int64_t TickMs();
// Microseconds from the same counter.
int64_t TickUs();
// The system's text for the calling thread's last error (on Win32 "Error Reading "System error
// <code>"" when the system has none for it).
std::string LastErrorText();

// Holds the process-wide critical section for its lifetime.
class CriticalSectionLock {
 public:
  CriticalSectionLock();
  ~CriticalSectionLock();
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;
};
