// The settings files' access as a small interface: read and write one value of an INI file by
// path, section and key. The agent's reading rules (defaults, flags, numbers, the length limit)
// sit above it, so they run the same over the real files and over a table in a test.
#pragma once
#include <map>
#include <string>
#include <string_view>
#include <tuple>

class IniStore {
 public:
  virtual ~IniStore() = default;
  // The value as the file holds it; empty when the file, the section or the key is missing.
  virtual std::string Read(std::string_view file, std::string_view section, std::string_view key) const = 0;
  // True when the value was written.
  virtual bool Write(std::string_view file, std::string_view section, std::string_view key, std::string_view value) = 0;
};

// The real INI files, through ReadIniString and WriteIniString.
class IniFileStore final : public IniStore {
 public:
  std::string Read(std::string_view file, std::string_view section, std::string_view key) const override;
  bool Write(std::string_view file, std::string_view section, std::string_view key, std::string_view value) override;
};

// INI files held in memory (files, sections and keys compare without case, as the profile calls
// do): the installed-version file of an agent that mkpack imagines, and the tests' files.
class MemoryIniStore : public IniStore {
 public:
  std::string Read(std::string_view file, std::string_view section, std::string_view key) const override;
  bool Write(std::string_view file, std::string_view section, std::string_view key, std::string_view value) override;
  bool Has(std::string_view file, std::string_view section, std::string_view key) const;
  void Erase(std::string_view file, std::string_view section, std::string_view key);
  size_t Size() const { return values_.size(); }

 private:
  using Triple = std::tuple<std::string, std::string, std::string>;
  static Triple Key(std::string_view file, std::string_view section, std::string_view key);
  std::map<Triple, std::string> values_;
};
