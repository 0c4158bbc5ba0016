// Host implementation of the process seam (the host build runs units, tools and tests).
#include "platform/System.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

std::string OwnExePath() {
  std::string path(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  path.resize(n > 0 ? size_t(n) : 0);
  return path;
}

std::string RawCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  std::string text = all.str();
  while (!text.empty() && text.back() == '\0') text.pop_back();
  for (char& c : text)
    if (c == '\0') c = ' ';
  return text;
}

unsigned long CurrentProcessId() { return (unsigned long)getpid(); }
unsigned long CurrentThreadId() { return (unsigned long)syscall(SYS_gettid); }

DateTime LocalNow() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  tm t;
  localtime_r(&ts.tv_sec, &t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, int(ts.tv_nsec / 1000000)};
}

char LocaleDateSeparator() { return '/'; }
char LocaleTimeSeparator() { return ':'; }

std::string LastErrorText() { return std::strerror(errno); }

int64_t TickMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int64_t TickUs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

static std::recursive_mutex debugSection;
CriticalSectionLock::CriticalSectionLock() { debugSection.lock(); }
CriticalSectionLock::~CriticalSectionLock() { debugSection.unlock(); }
