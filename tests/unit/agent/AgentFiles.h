// The agent's two settings files in memory, with the paths the road's tests use.
#pragma once
#include <string>

#include "FakeIniStore.h"
#include "agent/UpdateSettings.h"

struct AgentFiles {
  static inline const std::string kOriginal = "C:\\App\\App.original", kInfo = "C:\\App\\App.info";

  void Info(const std::string& key, const std::string& value, const std::string& section = "NewSetup") {
    ini.Write(kInfo, section, key, value);
  }
  void Original(const std::string& key, const std::string& value, const std::string& section = "OriginalSetup") {
    ini.Write(kOriginal, section, key, value);
  }

  FakeIniStore ini;
  OverrideList overrides;
  OriginalFile original{ini, kOriginal};
  InfoFile info{ini, kInfo, overrides};
};
