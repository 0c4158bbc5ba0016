// netprobe: runs the stub's HTTP client from the command line, so that tests and benchmarks see
// it work for real. One line per event on standard output:
//   netprobe download URL TARGET [--abort-after N] [--chunk-wait MS] [--no-read-ahead] [--quiet]
//            [--progbar | --stub-window] [--resume]
//       (--progbar reports through the stub's own progress bar object as well, with no window;
//       --stub-window downloads in the stub's own window, its bars driven by that object, from
//       the window's first timer tick; --no-read-ahead reads the body chunk by chunk from the
//       network, for comparison; --resume downloads as the web setup does, resuming what an
//       earlier interrupted download of the same address left beside TARGET)
//       range POS MAX / step TEXT (each chunk) / error TEXT or ok / steps N / target-bytes N /
//       html-page 0|1 (whether what arrived is a server's HTML error page) / ms N
//       (an empty TARGET, written "", downloads into memory and prints content-bytes N instead)
//   netprobe size URL        -> size N
//   netprobe drain URL [--read N]  -> bytes N / ms N: the library alone, reading the body in
//       pieces of N bytes (default 1 MB) and keeping nothing; a benchmark's reference
//   netprobe connected [--times N]  -> connected 1, or connected 0 REASON; with --times, the
//       check is made N times and first-ms / then-ms say what the first call and each further
//       one took (a benchmark's measure of the check the client makes before each fetch)
// --wininet NAME before the command binds that library instead of WinINet.dll (a missing one
// shows how the client behaves on a system without it).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "net/CommUtils.h"
#include "net/InetHTTP.h"
#include "net/win32/WinInet.h"
#include "platform/System.h"
#include "stub/StubWin.h"
#include "ui/VProgBar.h"
#include "util/Files.h"
#include "util/IniReg.h"
#include "util/win32/WinSys.h"

namespace {
class ProbeProgress : public Progress {
 public:
  ProbeProgress(int abortAfter, bool quiet) : abortAfter_(abortAfter), quiet_(quiet) {}
  void Reset(int maximum, int position, int step) override {
    std::printf("range %d %d\n", position, maximum);
    if (bar_) bar_->Reset(maximum, position, step);
  }
  void Step(std::string_view text) override {
    ++steps_;
    if (bar_) bar_->Step(text);
    if (!quiet_) std::printf("step %.*s\n", int(text.size()), text.data());
    // Raised here as the window's close box would, between two chunks.
    if (abortAfter_ > 0 && steps_ == abortAfter_) *cancel = true;
  }
  // The progress bar object in front of the window's bars (or of nothing).
  void UseStubProgressBar(Progress* bars) { bar_ = std::make_unique<TProgBar>(bars); }
  int steps() const { return steps_; }
  bool* cancel = &ownCancel_;  // the download's stop request: the probe's own, or the window's


 private:
  std::unique_ptr<TProgBar> bar_;
  int abortAfter_;
  bool quiet_;
  int steps_ = 0;
  bool ownCancel_ = false;
};

int Usage(FILE* out = stderr) {
  std::fputs(
      "usage: netprobe download URL TARGET [--abort-after N] [--chunk-wait MS] [--no-read-ahead] [--quiet]\n"
      "                [--progbar | --stub-window] [--resume]\n"
      "       netprobe size URL\n"
      "       netprobe drain URL [--read N]\n"
      "       netprobe connected [--times N]\n"
      "The stub's HTTP client alone, for tests and benchmarks: a download to a file (with the stub's\n"
      "progress bar or inside its window), a size query, a drain of a body, the connection check.\n"
      "       netprobe [--wininet LIBRARY] ...   another internet library in place of wininet.dll\n",
      out);
  return out == stdout ? 0 : 2;
}

struct DownloadJob {
  std::string url, target;
  ProbeProgress* progress = nullptr;
  uintptr_t owner = 0;
  bool resume = false;
  HttpClientOptions options;
  int exitCode = 0;
};

int RunDownload(const DownloadJob& job) {
  std::string content;
  *job.progress->cancel = false;
  InetHttpClient client(job.options);
  const int64_t start = TickMs();
  const std::string error =
      client.Download({job.url, job.target, job.resume, job.owner, job.progress, job.progress->cancel}, content);
  const int64_t ms = TickMs() - start;
  if (error.empty()) {
    std::printf("ok\n");
  } else {
    std::printf("error %s\n", error.c_str());
  }
  std::printf("steps %d\n", job.progress->steps());
  if (job.target.empty()) {
    std::printf("content-bytes %u\n", unsigned(content.size()));
  } else {
    std::printf("target-bytes %lld\n", static_cast<long long>(GetFileSizeByName(job.target)));
  }
  std::printf("html-page %d\n", IsHtmlErrorPage(job.target, content) ? 1 : 0);
  std::printf("ms %lld\n", static_cast<long long>(ms));
  return error.empty() ? 0 : 1;
}

// What the library itself takes to deliver a body, with nothing done with the data.
int Drain(int argc, char** argv) {
  if (argc != 3 && !(argc == 5 && !std::strcmp(argv[3], "--read"))) return Usage();
  const DWORD piece = argc == 5 ? DWORD(std::strtoul(argv[4], nullptr, 10)) : 1048576;
  if (piece == 0) return Usage();
  std::vector<char> buffer(piece);
  const int64_t start = TickMs();
  BoundInternetHandle session(Inet_OpenA("HTTP_Connect_3", INTERNET_OPEN_TYPE_PRECONFIG, "", nullptr, 0));
  BoundInternetHandle request(Inet_OpenUrlA(session.get(), argv[2], nullptr, 0, kDownloadRequestFlags, 0));
  if (!request) {
    std::printf("error cannot open %s\n", argv[2]);
    return 1;
  }
  uint64_t total = 0;
  DWORD got = 0;
  while (Inet_ReadFile(request.get(), buffer.data(), piece, &got) && got > 0) total += got;
  std::printf("bytes %llu\nms %lld\n", static_cast<unsigned long long>(total),
              static_cast<long long>(TickMs() - start));
  return 0;
}

// The download of --stub-window, run from the window's timer as the setup run is.
DownloadJob windowJob;
void DownloadInWindow() {
  StopMainTimer();
  ShowMainWindow(true);
  windowJob.owner = uintptr_t(MainWindowHandle());
  windowJob.exitCode = RunDownload(windowJob);
  DestroyWindow(reinterpret_cast<HWND>(MainWindowHandle()));
}

int Download(int argc, char** argv) {
  if (argc < 4) return Usage();
  int abortAfter = 0;
  HttpClientOptions pacing;
  bool quiet = false, progbar = false, stubWindow = false, resume = false;
  for (int i = 4; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--abort-after") && i + 1 < argc) {
      abortAfter = std::atoi(argv[++i]);
    } else if (!std::strcmp(argv[i], "--chunk-wait") && i + 1 < argc) {
      pacing.chunkWaitMs = std::max(0, std::atoi(argv[++i]));
    } else if (!std::strcmp(argv[i], "--no-read-ahead")) {
      pacing.readAhead = false;
    } else if (!std::strcmp(argv[i], "--progbar")) {
      progbar = true;
    } else if (!std::strcmp(argv[i], "--stub-window")) {
      stubWindow = true;
    } else if (!std::strcmp(argv[i], "--resume")) {
      resume = true;
    } else if (!std::strcmp(argv[i], "--quiet")) {
      quiet = true;
    } else {
      return Usage();
    }
  }
  ProbeProgress progress(abortAfter, quiet);
  const DownloadJob job{argv[2], argv[3], &progress, 0, resume, pacing};
  if (!stubWindow) {
    if (progbar) progress.UseStubProgressBar(nullptr);
    const int code = RunDownload(job);
    UnloadWinInet();
    return code;
  }
  progress.UseStubProgressBar(&StubBars());
  // In the window, its close box stops the download as it does the stub's.
  progress.cancel = &MainWindowCancel();
  windowJob = job;
  StubWinOptions options;
  options.className = "VelkitNetprobe";
  options.onTimer = DownloadInWindow;
  StubWin::WinMain(options);  // releases the Internet library when its loop ends
  return windowJob.exitCode;
}
}  // namespace

int main(int argc, char** argv) {
  PreloadSystemLibraries();  // as the stub does before its first window
  if (argc >= 3 && !std::strcmp(argv[1], "--wininet")) {
    SetWinInetLibraryName(argv[2]);
    argv[2] = argv[0];
    argv += 2;
    argc -= 2;
  }
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "--help") return Usage(stdout);
  if (command == "download") return Download(argc, argv);
  if (command == "drain") return Drain(argc, argv);
  if (command == "size" && argc == 3) {
    std::printf("size %d\n", int(InetHttpClient().FileSize(argv[2])));
    return 0;
  }
  if (command == "connected" && (argc == 2 || (argc == 4 && !std::strcmp(argv[2], "--times")))) {
    const long times = argc == 4 ? std::strtol(argv[3], nullptr, 10) : 1;
    if (times < 1) return Usage();
    std::string reason;
    LARGE_INTEGER frequency, t0, t1, t2;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t0);
    InetHttpClient client;
    bool connected = client.Connected(reason);
    QueryPerformanceCounter(&t1);
    for (long i = 1; i < times; ++i) connected = client.Connected(reason);
    QueryPerformanceCounter(&t2);
    std::printf("connected %d %s\n", connected ? 1 : 0, reason.c_str());
    if (argc == 4) {
      const double ms = 1000.0 / double(frequency.QuadPart);
      std::printf("first-ms %.2f\n", double(t1.QuadPart - t0.QuadPart) * ms);
      if (times > 1) std::printf("then-ms %.2f\n", double(t2.QuadPart - t1.QuadPart) * ms / double(times - 1));
    }
    return 0;
  }
  return Usage();
}
