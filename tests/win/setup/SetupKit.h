// Shared pieces of the setup-run tests: the test engine's steering and record files, exact
// command lines through the launcher.
#pragma once
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "WineHarness.h"
#include "pack/PackWriter.h"
#include "util/Files.h"

namespace setupkit {
namespace fs = std::filesystem;

// A value of the engine's record ([Run] key=value lines), or empty.
inline std::string RecordValue(const fs::path& record, const std::string& key) {
  std::string text = wine::ReadFile(record);
  std::string k = "\n" + key + "=";
  size_t at = ("\n" + text).find(k);
  if (at == std::string::npos) return {};
  size_t start = at + k.size() - 1;
  size_t end = text.find_first_of("\r\n", start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// Steers the test engine of every program this test starts: writes its INI and points
// VELKIT_ENGINE_INI at it (Wine passes the variable on; it filters only names starting VK_).
class EngineSteering {
 public:
  EngineSteering(const wine::TempDir& dir, const std::string& settings) : record_(dir / "record.ini") {
    fs::path ini = dir / "engine.ini";
    wine::WriteFile(ini, "[Engine]\r\nRecord=" + wine::WinPath(record_) + "\r\n" + settings);
    setenv("VELKIT_ENGINE_INI", wine::WinPath(ini).c_str(), 1);
  }
  ~EngineSteering() { unsetenv("VELKIT_ENGINE_INI"); }
  const fs::path& record() const { return record_; }
  std::string Get(const std::string& key) const { return RecordValue(record_, key); }
  bool Ran() const { return fs::exists(record_); }

 private:
  fs::path record_;
};

// Writes the command file of the launcher; the arguments for wine::RunWine / wine::Process.
inline std::vector<std::string> LaunchArgs(const wine::TempDir& dir, const std::string& commandLine,
                                           const std::string& workDir = {}) {
  static int n = 0;
  fs::path file = dir / ("launch" + std::to_string(++n) + ".txt");
  wine::WriteFile(file, commandLine + "\r\n" + workDir + "\r\n");
  return {wine::TestkitExe("launch").string(), wine::WinPath(file)};
}

// The whole exit code of the program the launcher started ("exit=N" in its output), or -1 while
// it runs. The launcher's own exit code, as Wine hands it to the host, keeps only the low 8 bits.
inline int64_t LaunchedExitCode(const std::string& launcherOutput) {
  size_t at = launcherOutput.find("exit=");
  if (at == std::string::npos) return -1;
  return std::strtoll(launcherOutput.c_str() + at + 5, nullptr, 10);
}

// Ends every process running the setup file (one a failing test leaves behind, blocked in a box
// or a wait), so that it does not stand in the way of the next test.
inline void EndSetupProcesses(const fs::path& setup) {
  wine::RunWine({wine::TestkitExe("vkprobe").string(), "terminate", wine::WinPath(setup), "1"});
}

// The DOS stamp of the sample files and its host time (the prefix keeps the host's time zone).
inline constexpr uint32_t kSampleDosTime =
    (uint32_t((2024 - 1980) * 512 + 3 * 32 + 14) << 16) | (9 * 2048 + 26 * 32 + 53 / 2);
inline std::time_t SampleHostTime() {
  std::tm tm{};
  tm.tm_year = 2024 - 1900;
  tm.tm_mon = 2;
  tm.tm_mday = 14;
  tm.tm_hour = 9;
  tm.tm_min = 26;
  tm.tm_sec = 52;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

// A job for a setup of the real stub and the test engine with two small files.
inline PackJob SampleJob() {
  PackJob job;
  job.stub = wine::ReadFile(wine::StubExe());
  job.engine.name = "Engine.exe";
  job.engine.path = wine::TestkitExe("engine").string();
  job.engine.dosTime = kSampleDosTime;
  job.files.push_back({"readme.txt", "", "Velkit sample\r\n", kSampleDosTime});
  job.files.push_back({"data\\numbers.bin", "", std::string(3000, '7'), kSampleDosTime});
  return job;
}

// Writes the job as dir/name; the setup file's path (host).
inline fs::path WriteSetup(const wine::TempDir& dir, const PackJob& job, const std::string& name = "Setup.exe") {
  fs::path out = dir / name;
  std::string error = WritePackage(job, out.string());
  if (!error.empty()) ADD_FAILURE() << "mkpack: " << error;
  return out;
}

// The setup work folder a setup file gets: the prefix's temporary folder + "SETUP_" + the
// time-of-day half of its DOS time stamp (host form).
inline fs::path WorkFolderOf(const fs::path& setup) {
  return wine::HostTempDir() / ("SETUP_" + std::to_string(GetFileDosTime(setup.string()) & 0xFFFF));
}

// The window driver of the test kit, run once.
inline int Drive(const std::vector<std::string>& args) {
  std::vector<std::string> all = {wine::TestkitExe("windriver").string()};
  all.insert(all.end(), args.begin(), args.end());
  return wine::RunWine(all, 30000).exitCode;
}
inline std::string DriveOutput(const std::vector<std::string>& args) {
  std::vector<std::string> all = {wine::TestkitExe("windriver").string()};
  all.insert(all.end(), args.begin(), args.end());
  return wine::RunWine(all, 30000).output;
}
}  // namespace setupkit
