// Harness for the Windows-side tests (see WineHarness.h).
#include "WineHarness.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace wine {
namespace {
std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

std::string Display() {
  std::string display = Trimmed(ReadFile(fs::path(VELKIT_WINE_DIR) / "display"));
  if (display.empty())
    throw std::runtime_error("no Wine display: the wine_env fixture (tests/win/wine-env start) has not run");
  return ":" + display;
}

// Empty while the test run's Xvfb runs; otherwise a sentence saying that it has gone, since
// without a display no program can make a window and vdebug cannot start.
std::string DisplayGone() {
  const std::string pid = Trimmed(ReadFile(fs::path(VELKIT_WINE_DIR) / "xvfb.pid"));
  if (!pid.empty() && kill(pid_t(std::stol(pid)), 0) == 0) return {};
  return "\n  the test run's display is gone (Xvfb process " + (pid.empty() ? std::string("unknown") : pid) +
         " has ended): no window can open";
}

// Starts "wine args..." with stdout and stderr on a pipe; returns the pid and the read end.
int Spawn(const std::vector<std::string>& args, const fs::path& workDir, int* outFd) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::string dir = workDir.empty() ? fs::current_path().string() : workDir.string();
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());

  std::vector<std::string> argv{"wine"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  std::vector<std::string> env = WineEnvironment();
  for (char** e = environ; *e; ++e) {
    std::string var = *e;
    std::string name = var.substr(0, var.find('='));
    bool overridden = false;
    for (const auto& mine : env) overridden |= mine.compare(0, name.size() + 1, name + "=") == 0;
    if (!overridden) env.push_back(var);
  }
  std::vector<char*> cenv;
  for (auto& e : env) cenv.push_back(e.data());
  cenv.push_back(nullptr);

  // The world's own launcher: Wine's 64-bit loader, which hands 32-bit programs to the 32-bit one.
  fs::path launcher = fs::path(VELKIT_WINE_DIR) / "bin" / "wine";
  pid_t pid = -1;
  // A process group of its own: the loader starts a 32-bit program as a child of start.exe, and
  // ending the started process must end that program too.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  int rc = posix_spawn(&pid, launcher.c_str(), &actions, &attr, cargv.data(), cenv.data());
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (rc != 0) {
    close(pipeFds[0]);
    throw std::runtime_error("cannot start wine: " + std::string(std::strerror(rc)));
  }
  *outFd = pipeFds[0];
  return pid;
}

std::atomic<int> g_tempCounter{0};
}  // namespace

std::string WinPath(const fs::path& hostPath) {
  std::string p = fs::absolute(hostPath).lexically_normal().string();
  for (char& c : p)
    if (c == '/') c = '\\';
  return "Z:" + p;
}

fs::path HostPath(const std::string& winPath) {
  if (winPath.size() < 2 || winPath[1] != ':') return winPath;
  std::string rest = winPath.substr(2);
  for (char& c : rest)
    if (c == '\\') c = '/';
  char drive = char(std::toupper(static_cast<unsigned char>(winPath[0])));
  if (drive == 'Z') return rest.empty() ? fs::path("/") : fs::path(rest);
  if (drive == 'C') return DriveC() / fs::path(rest).relative_path();
  return winPath;
}

fs::path DriveC() { return fs::path(VELKIT_WINE_DIR) / "prefix" / "drive_c"; }

std::string WinTempDir() {
  const char* user = std::getenv("USER");
  return std::string("C:\\users\\") + (user && *user ? user : "root") + "\\Temp";
}

fs::path HostTempDir() { return HostPath(WinTempDir()); }

fs::path StubExe() { return fs::path(VELKIT_WIN_BUILD_DIR) / "src" / "stub.exe"; }
fs::path ToolExe(const std::string& name) { return fs::path(VELKIT_WIN_BUILD_DIR) / "tools" / name / (name + ".exe"); }
fs::path TestkitExe(const std::string& name) {
  return fs::path(VELKIT_WIN_BUILD_DIR) / "tools" / "testkit" / name / (name + ".exe");
}

std::vector<std::string> WineEnvironment() {
  return {
      "WINEPREFIX=" + (fs::path(VELKIT_WINE_DIR) / "prefix").string(),
      "WINEARCH=win64",
      "WINEDEBUG=-all",
      "WINEDLLOVERRIDES=mscoree,mshtml=",
      "DISPLAY=" + Display(),
  };
}

Result RunWine(const std::vector<std::string>& args, int timeoutMs, const fs::path& workDir) {
  Process p(args, workDir);
  Result r;
  r.exitCode = p.Wait(timeoutMs);
  r.timedOut = r.exitCode == -1 && p.Running();
  if (r.timedOut) p.Kill();
  r.output = p.Output();
  return r;
}

Process::Process(const std::vector<std::string>& args, const fs::path& workDir) {
  pid_ = Spawn(args, workDir, &outFd_);
}

Process::Process(Process&& other) noexcept { *this = std::move(other); }

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Kill();
    pid_ = std::exchange(other.pid_, -1);
    outFd_ = std::exchange(other.outFd_, -1);
    exitCode_ = other.exitCode_;
    signal_ = other.signal_;
    out_ = std::move(other.out_);
  }
  return *this;
}

Process::~Process() { Kill(); }

void Process::Drain(int timeoutMs) {
  if (outFd_ < 0) return;
  pollfd pfd{outFd_, POLLIN, 0};
  if (poll(&pfd, 1, timeoutMs) <= 0) return;
  char buf[4096];
  ssize_t n = read(outFd_, buf, sizeof buf);
  if (n > 0) {
    out_.append(buf, size_t(n));
  } else if (n == 0) {
    close(outFd_);
    outFd_ = -1;
  }
}

bool Process::Reap(bool block) {
  if (pid_ < 0) return true;
  int status = 0;
  pid_t r = waitpid(pid_, &status, block ? 0 : WNOHANG);
  if (r != pid_) return false;
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  pid_ = -1;
  return true;
}

bool Process::Running() { return !Reap(false); }

int Process::Wait(int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Running()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return -1;
    if (outFd_ >= 0) {
      Drain(int(std::min<int64_t>(left.count(), 20)));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  // What the program wrote is in the pipe by now. A program it started may keep the pipe open for
  // much longer (Wine hands the descriptors on, to the explorer.exe that the first window of a
  // prefix starts too), so the end of the pipe is not waited for.
  for (size_t before = std::string::npos; outFd_ >= 0 && out_.size() != before;) {
    before = out_.size();
    Drain(200);
  }
  return exitCode_;
}

void Process::Kill() {
  if (pid_ >= 0) {
    kill(-pid_, SIGKILL);
    Reap(true);
  }
  if (outFd_ >= 0) {
    close(outFd_);
    outFd_ = -1;
  }
}

std::string Process::Output() {
  while (outFd_ >= 0) {
    size_t before = out_.size();
    Drain(0);
    if (out_.size() == before) break;
  }
  return out_;
}

std::string Process::EndText() {
  if (Running()) return "still running";
  return signal_ ? "killed by signal " + std::to_string(signal_) : "exit code " + std::to_string(exitCode_);
}

bool RegAdd(const std::string& key, const std::string& valueName, const std::string& type, const std::string& data) {
  return RunWine({"reg", "add", key, "/v", valueName, "/t", type, "/d", data, "/f"}).exitCode == 0;
}

bool RegDelete(const std::string& key) { return RunWine({"reg", "delete", key, "/f"}).exitCode == 0; }

// A started program inherits the limit and the ignored signal; the test itself gets both back.
FileSizeLimit::FileSizeLimit(unsigned long long bytes) {
  rlimit r{};
  getrlimit(RLIMIT_FSIZE, &r);
  old_ = r.rlim_cur;
  r.rlim_cur = bytes;
  if (setrlimit(RLIMIT_FSIZE, &r) != 0) ADD_FAILURE() << "setrlimit: " << std::strerror(errno);
  oldHandler_ = signal(SIGXFSZ, SIG_IGN);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit r{};
  getrlimit(RLIMIT_FSIZE, &r);
  r.rlim_cur = old_;
  setrlimit(RLIMIT_FSIZE, &r);
  signal(SIGXFSZ, oldHandler_);
}

bool WaitFor(const std::function<bool()>& cond, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (cond()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::vector<std::string> Lines(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> NonEmptyLines(const std::string& output) {
  std::vector<std::string> lines = Lines(output);
  std::erase(lines, std::string());
  return lines;
}

std::vector<std::string> LinesStartingWith(const std::string& output, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& line : Lines(output)) {
    if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
  }
  return found;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, const std::string& data) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), std::streamsize(data.size()));
}

TempDir::TempDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "harness";
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.') c = '_';
  path_ = fs::path(VELKIT_WINE_DIR) / "tmp" /
          (name + "-" + std::to_string(getpid()) + "-" + std::to_string(g_tempCounter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

DebugCapture::DebugCapture() {
  const fs::path ready = dir_ / "ready";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  std::string attempts, display;
  for (int attempt = 1; attempt <= 3; ++attempt) {
    const auto begun = std::chrono::steady_clock::now();
    viewer_ = Process(
        {ToolExe("vdebug").string(), "--chunks", "--out", WinPath(dir_ / "debug.txt"), "--ready", WinPath(ready)});
    const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - begun).count());
    WaitFor([&] { return fs::exists(ready) || !viewer_.Running(); }, std::max(left, 0));
    if (fs::exists(ready)) return;
    // Wait also reads what the programs that the launcher started wrote after it ended.
    viewer_.Wait(1000);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begun);
    attempts += "\n  attempt " + std::to_string(attempt) + ": " + viewer_.EndText() + " after " +
                std::to_string(ms.count()) + " ms; output: \"" + Trimmed(viewer_.Output()) + "\"";
    display = DisplayGone();
    if (!display.empty() || viewer_.Running() || std::chrono::steady_clock::now() >= deadline) break;
  }
  viewer_.Kill();
  throw std::runtime_error("the debug viewer did not start within 60 s:" + attempts + display);
}

DebugCapture::~DebugCapture() { Stop(); }

void DebugCapture::Stop() {
  if (stopped_) return;
  stopped_ = true;
  RunWine({ToolExe("vdebug").string(), "--stop"}, 20000);
  viewer_.Wait(10000);
}

std::vector<std::string> DebugCapture::Chunks() {
  // vdebug --chunks writes "[length]text" per message, with "\\", "\r" and "\n" escaped.
  std::vector<std::string> chunks;
  std::istringstream in(ReadFile(dir_ / "debug.txt"));
  std::string line;
  while (std::getline(in, line)) {
    size_t close = line.find(']');
    if (line.empty() || line[0] != '[' || close == std::string::npos) continue;
    std::string text;
    for (size_t i = close + 1; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        char e = line[++i];
        text += e == 'r' ? '\r' : e == 'n' ? '\n' : e;
      } else {
        text += line[i];
      }
    }
    chunks.push_back(text);
  }
  return chunks;
}

std::string DebugCapture::Text() {
  std::string all;
  for (const auto& c : Chunks()) all += c;
  return all;
}
bool SaveScreenshot(const fs::path& png) {
  fs::create_directories(fs::absolute(png).parent_path());
  const std::string display = Display();
  const std::string out = png.string();
  const char* argv[] = {"import", "-display", display.c_str(), "-window", "root", out.c_str(), nullptr};
  pid_t pid = -1;
  if (posix_spawnp(&pid, "import", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && fs::exists(png);
}
}  // namespace wine
