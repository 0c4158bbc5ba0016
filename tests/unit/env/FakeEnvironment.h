// A machine made of tables, for the units that ask an Environment and a Clock. Registry keys,
// folders and paths compare without case, as Windows compares them.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "env/Environment.h"
#include "platform/Clock.h"
#include "util/Utils.h"

class FakeEnvironment : public Environment {
 public:
  std::string loggedUser = "joe", owner = "Joe Owner", organization = "Acme", computer = "PC1", domain = "WORKGROUP";
  std::string windows = "C:\\WINDOWS", system = "C:\\WINDOWS\\system32", temp = "C:\\TEMP";
  std::string exe = "C:\\Program Files\\App\\Agent.exe", originSwitch, currentDir = "C:\\Work";
  std::map<int, std::string> special, folder;  // shell answers by CSIDL
  std::set<std::string> dirs;                  // existing folders, upper-cased
  char dateSeparator = '/', timeSeparator = ':';
  mutable int registryReads = 0;

  void SetRegistry(const std::string& key, const std::string& name, const std::string& value) {
    registry_[UpperCase(key + "|" + name)] = value;
  }
  void RemoveRegistry(const std::string& key, const std::string& name) { registry_.erase(UpperCase(key + "|" + name)); }
  void AddDir(const std::string& dir) { dirs.insert(UpperCase(dir)); }

  std::string LoggedUserName() const override { return loggedUser; }
  std::string RegisteredOwner() const override { return owner; }
  std::string RegisteredOrganization() const override { return organization; }
  std::string ComputerName() const override { return computer; }
  std::string UserDomainName() const override { return domain; }
  std::string RegistryString(std::string_view key, std::string_view name, std::string_view def) const override {
    ++registryReads;
    auto it = registry_.find(UpperCase(std::string(key) + "|" + std::string(name)));
    return it == registry_.end() ? std::string(def) : it->second;
  }
  std::string WindowsDir() const override { return windows; }
  std::string SystemDir() const override { return system; }
  std::string TempDir() const override { return temp; }
  std::string ExePath() const override { return exe; }
  std::string OriginExeSwitch() const override { return originSwitch; }
  std::string SpecialFolderPath(int csidl) const override { return Lookup(special, csidl); }
  std::string FolderPath(int csidl) const override { return Lookup(folder, csidl); }
  bool DirectoryExists(std::string_view path) const override {
    return dirs.count(UpperCase(SetTrailingBackslash(path, false))) != 0;
  }
  // Windows rules in brief: relative paths hang below currentDir, "." parts go, ".." takes one off.
  std::string FullPath(std::string_view path) const override {
    std::string full = path.size() >= 2 && path[1] == ':' ? std::string(path) : currentDir + "\\" + std::string(path);
    std::vector<std::string> parts;
    size_t at = 0;
    while (at <= full.size()) {
      size_t end = full.find('\\', at);
      if (end == std::string::npos) end = full.size();
      std::string part = full.substr(at, end - at);
      if (part == "..") {
        if (parts.size() > 1) parts.pop_back();
      } else if (part != "." && (!part.empty() || parts.empty())) {
        parts.push_back(part);
      }
      at = end + 1;
    }
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "\\") + p;
    return out;
  }
  char DateSeparator() const override { return dateSeparator; }
  char TimeSeparator() const override { return timeSeparator; }
  std::string LongMonthName(int month) const override {
    static const char* const kNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
    return month >= 1 && month <= 12 ? kNames[month - 1] : "";
  }

 private:
  static std::string Lookup(const std::map<int, std::string>& table, int csidl) {
    auto it = table.find(csidl);
    return it == table.end() ? "" : it->second;
  }
  std::map<std::string, std::string> registry_;
};

class FakeClock : public Clock {
 public:
  DateTime now{2026, 12, 6, 14, 5, 9, 0};
  int64_t tick = 1000000;
  DateTime LocalNow() const override { return now; }
  int64_t TickMs() const override { return tick; }
};
