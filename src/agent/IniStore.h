// The settings files' access as a small interface: read and write one value of an INI file by
// path, section and key. The agent's reading rules (defaults, flags, numbers, the length limit)
// sit above it, so they run the same over the real files and over a table in a test.
#pragma once
#include <string>
#include <string_view>

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
