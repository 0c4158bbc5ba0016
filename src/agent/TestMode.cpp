// Test mode from the registry, re-read at most every 30 seconds unless forced.
#include "agent/TestMode.h"

#include "util/Utils.h"

bool TestModeApplies(std::string_view testMode, std::string_view testModeDate, const DateTime& today) {
  return testMode == "1" && testModeDate == DateToText(today);
}

bool TestMode::CheckTestMode(bool force) {
  // A monotonic 64-bit counter: a 32-bit tick count wraps after 49.7 days, and a comparison
  // across the wrap would stop the re-reads for another 49 days.
  const int64_t now = clock_.TickMs();
  if (force || now - lastCallMs_ > kTestModeRereadMs) {
    const std::string mode = env_.RegistryString(kTestModeKey, "TestMode", "0");
    const std::string date = env_.RegistryString(kTestModeKey, "TestModeDate", "");
    on_ = TestModeApplies(mode, date, clock_.LocalNow());
    source_ = env_.RegistryString(kTestModeKey, "TestModeURL", "");
  }
  lastCallMs_ = now;
  return on_;
}
