// Harness for the Windows-side tests: runs our Windows executables under the Wine prefix, display
// and wineserver of the current test run (started by the wine_env CTest fixture), and looks at
// what they did: exit codes, output, files, registry values and the debug channel.
#pragma once
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace wine {
namespace fs = std::filesystem;

struct Result {
  int exitCode = -1;   // the Windows program's exit code; -1 when it did not end in time
  std::string output;  // what it wrote to standard output and standard error
  bool timedOut = false;
};

// Z:\ form of a host path (the prefix maps Z: to /).
std::string WinPath(const fs::path& hostPath);
// Host form of a Windows path on Z: or C: of the prefix.
fs::path HostPath(const std::string& winPath);
// The prefix's C: drive on the host.
fs::path DriveC();
// The prefix's Windows temporary folder, C:\users\<user>\Temp, in both forms.
std::string WinTempDir();
fs::path HostTempDir();

// Executables of the Windows build: StubExe() is src/stub.exe, ToolExe("vdebug") is
// tools/vdebug/vdebug.exe, TestkitExe("engine") is tools/testkit/engine/engine.exe.
fs::path StubExe();
// The stub.exe that ships: the 32-bit build's, even where the tests run the 64-bit build.
fs::path ToolExe(const std::string& name);
fs::path TestkitExe(const std::string& name);

// Environment for a child that runs under this test run's Wine (WINEPREFIX, DISPLAY, WINEDEBUG...).
std::vector<std::string> WineEnvironment();

// Runs "wine <args...>" and waits up to timeoutMs. args[0] is the program (host or Windows path).
// `wine` rebuilds the command line (it quotes the program path); use a launcher where a test
// needs an exact command line.
Result RunWine(const std::vector<std::string>& args, int timeoutMs = 60000, const fs::path& workDir = {});

// A program started in the background under Wine; killed when destroyed while still running.
class Process {
 public:
  Process() = default;
  explicit Process(const std::vector<std::string>& args, const fs::path& workDir = {});
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  ~Process();
  bool Running();
  // Waits up to timeoutMs; the exit code, or -1 when it is still running.
  int Wait(int timeoutMs);
  void Kill();
  std::string Output();  // what it has written so far
  // How it ended, for a failure message: "exit code 1", "killed by signal 9" or "still running".
  std::string EndText();

 private:
  void Drain(int timeoutMs);
  bool Reap(bool block);
  int pid_ = -1;
  int outFd_ = -1;
  int exitCode_ = -1;
  int signal_ = 0;  // the signal that ended it, 0 when it exited
  std::string out_;
};

// Registry through `wine reg`: type is REG_SZ, REG_DWORD, REG_MULTI_SZ... and data as `reg add /d` takes it.
bool RegAdd(const std::string& key, const std::string& valueName, const std::string& type, const std::string& data);
bool RegDelete(const std::string& key);

// While it lives, the programs this test starts may write files of at most bytes bytes, and a write
// beyond that fails (the signal that would end them there is ignored): a disk that fills up half-way
// through a file, for real. Start the program inside its scope, check outside.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(unsigned long long bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  unsigned long long old_;
  void (*oldHandler_)(int);
};

// Polls cond every 20 ms until it holds or timeoutMs passes; whether it held.
bool WaitFor(const std::function<bool()>& cond, int timeoutMs);

// Saves the test run's whole Xvfb display as a PNG (ImageMagick's import); whether it was written.
bool SaveScreenshot(const fs::path& png);

std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& data);

// Output of a program or a log split into lines (CR LF or LF), empty lines kept.
std::vector<std::string> Lines(const std::string& output);
// The same without the empty lines.
std::vector<std::string> NonEmptyLines(const std::string& output);
// The lines that start with prefix, the prefix removed.
std::vector<std::string> LinesStartingWith(const std::string& output, const std::string& prefix);

// A fresh folder for one test under the build tree, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  std::string Win() const { return WinPath(path_); }

 private:
  fs::path path_;
};

// Runs vdebug while the object lives, capturing the debug channel of every program of the prefix.
// A viewer that ends before its window exists is started again while the start's time lasts (a
// busy machine can end a start early); the error then says how each attempt ended.
class DebugCapture {
 public:
  DebugCapture();
  ~DebugCapture();
  void Stop();
  std::string Text();                 // the texts joined, as a viewer shows them
  std::vector<std::string> Chunks();  // each message on its own, line ends included

 private:
  TempDir dir_;
  Process viewer_;
  bool stopped_ = false;
};
}  // namespace wine
