// INI files in memory that count their reads: files, sections and keys compare without case, as
// the profile calls do.
#pragma once
#include "agent/IniStore.h"
#include "util/Utils.h"

class FakeIniStore : public MemoryIniStore {
 public:
  std::string Read(std::string_view file, std::string_view section, std::string_view key) const override {
    ++reads;
    return MemoryIniStore::Read(file, section, key);
  }
  mutable int reads = 0;
};
