// Shared pieces of the setup-run tests: the test engine's steering and record files, exact
// command lines through the launcher.
#pragma once
#include <cstdlib>
#include <string>

#include "WineHarness.h"

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
}  // namespace setupkit
