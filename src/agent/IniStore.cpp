// The real INI files behind IniStore.
#include "agent/IniStore.h"

#include "util/IniReg.h"
#include "util/Utils.h"

std::string IniFileStore::Read(std::string_view file, std::string_view section, std::string_view key) const {
  return ReadIniString(file, section, key, "");
}

bool IniFileStore::Write(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view value) {
  return WriteIniString(file, section, key, value);
}

MemoryIniStore::Triple MemoryIniStore::Key(std::string_view file, std::string_view section, std::string_view key) {
  return {UpperCase(file), UpperCase(section), UpperCase(key)};
}

std::string MemoryIniStore::Read(std::string_view file, std::string_view section, std::string_view key) const {
  auto it = values_.find(Key(file, section, key));
  return it == values_.end() ? "" : it->second;
}

bool MemoryIniStore::Write(std::string_view file, std::string_view section, std::string_view key,
                           std::string_view value) {
  values_[Key(file, section, key)] = std::string(value);
  return true;
}

bool MemoryIniStore::Has(std::string_view file, std::string_view section, std::string_view key) const {
  return values_.count(Key(file, section, key)) != 0;
}

void MemoryIniStore::Erase(std::string_view file, std::string_view section, std::string_view key) {
  values_.erase(Key(file, section, key));
}
