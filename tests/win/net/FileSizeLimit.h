// A full disk for the programs a test starts: while the object lives, files written by processes
// started from this one cannot grow beyond the limit (a write past it fails, SIGXFSZ ignored), as
// on a disk with that much room left. The limit passes to children at their start; the test
// process itself writes nothing large meanwhile.
#pragma once
#include <sys/resource.h>

#include <csignal>

namespace nettest {
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};
}  // namespace nettest
