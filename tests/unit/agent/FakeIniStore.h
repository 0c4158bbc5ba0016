// INI files in memory: files, sections and keys compare without case, as the profile calls do.
#pragma once
#include <map>
#include <string>
#include <tuple>

#include "agent/IniStore.h"
#include "util/Utils.h"

class FakeIniStore : public IniStore {
 public:
  std::string Read(std::string_view file, std::string_view section, std::string_view key) const override {
    ++reads;
    auto it = values_.find(Key(file, section, key));
    return it == values_.end() ? "" : it->second;
  }
  bool Write(std::string_view file, std::string_view section, std::string_view key, std::string_view value) override {
    values_[Key(file, section, key)] = std::string(value);
    return true;
  }
  bool Has(std::string_view file, std::string_view section, std::string_view key) const {
    return values_.count(Key(file, section, key)) != 0;
  }
  void Erase(std::string_view file, std::string_view section, std::string_view key) {
    values_.erase(Key(file, section, key));
  }
  size_t Size() const { return values_.size(); }
  mutable int reads = 0;

 private:
  using Triple = std::tuple<std::string, std::string, std::string>;
  static Triple Key(std::string_view file, std::string_view section, std::string_view key) {
    return {UpperCase(file), UpperCase(section), UpperCase(key)};
  }
  std::map<Triple, std::string> values_;
};
