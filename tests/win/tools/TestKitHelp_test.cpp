// Every program of the test kit answers "--help" with its usage and exit code 0, under Wine as the
// tests run it.
#include <gtest/gtest.h>

#include "WineHarness.h"

using namespace wine;

TEST(TestKit, EveryProgramAnswersHelp) {
  for (const char* name : {"agentstandin", "debughold", "engine", "envprobe", "informprobe", "launch", "netprobe",
                           "opener", "sigprobe", "uiprobe", "vkprobe", "windriver"}) {
    SCOPED_TRACE(name);
    const Result r = RunWine({TestkitExe(name).string(), "--help"}, 60000);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("usage:"), std::string::npos) << r.output;
  }
}
