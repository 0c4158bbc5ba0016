// The agent commands that read and write settings and overrides, with the files read back.
#include "agent/SettingsCommands.h"

#include <gtest/gtest.h>

#include "FakeIniStore.h"

namespace {
const std::string kOriginal = "C:\\App\\App.original", kInfo = "C:\\App\\App.info";
}

TEST(SettingsCommands, ReadsWritesAndOverrides) {
  FakeIniStore ini;
  OverrideList overrides;
  OriginalFile original(ini, kOriginal);
  InfoFile info(ini, kInfo, overrides);
  const auto run = [&](int32_t code, int32_t argument) {
    return RunSettingsCommand(original, info, overrides, code, argument);
  };

  ini.Write(kOriginal, "OriginalSetup", "VersionOriginal", "5");
  ini.Write(kInfo, "NewSetup", "VersionNew", "6");
  EXPECT_EQ(run(4, 0), 5);
  EXPECT_EQ(run(5, 0), 6);

  struct Case {
    int32_t write, read;
    const char* key;
    int32_t argument;
    const char* stored;
    const char* companion;  // nullptr: none
  } cases[] = {
      {12, 8, "ProbeSecondsInterval", -1, "-1", nullptr},
      {13, 9, "ReAskSecondsInterval", 86400, "86400", nullptr},
      {14, 10, "ProbeSecondsLast", 2147483647, "2147483647", "18-JAN-1968 03:14:07"},
      {15, 11, "ReAskSecondsLast", -2, "-2", "29-DEC-1899 23:59:58"},  // sign-extended
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.write, c.argument), 0) << c.key;
    EXPECT_EQ(ini.Read(kOriginal, "OriginalSetup", c.key), c.stored) << c.key;
    EXPECT_EQ(ini.Has(kOriginal, "OriginalSetup", std::string("__") + c.key), c.companion != nullptr) << c.key;
    if (c.companion) {
      EXPECT_EQ(ini.Read(kOriginal, "OriginalSetup", std::string("__") + c.key), c.companion);
    }
    EXPECT_EQ(run(c.read, 0), c.argument) << c.key;
  }
  ini.Write(kOriginal, "OriginalSetup", "ProbeSecondsLast", "4005727509");
  EXPECT_EQ(run(10, 0), int32_t(4005727509u - 4294967296u));  // the low 32 bits

  for (int32_t code = 20; code <= 25; ++code) EXPECT_EQ(run(code, 0x100 + code), 0);
  EXPECT_EQ(overrides.ToText(), "|20|21|22|23|24|25|255|255|");

  for (int32_t code : {0, 1, 6, 7, 16, 19, 26, 30, 31, 32, 1125}) EXPECT_FALSE(run(code, 1).has_value()) << code;
  EXPECT_EQ(overrides.ToText(), "|20|21|22|23|24|25|255|255|");
}
