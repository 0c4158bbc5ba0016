// The real INI files behind IniStore.
#include "agent/IniStore.h"

#include "util/IniReg.h"

std::string IniFileStore::Read(std::string_view file, std::string_view section, std::string_view key) const {
  return ReadIniString(file, section, key, "");
}

bool IniFileStore::Write(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view value) {
  return WriteIniString(file, section, key, value);
}
