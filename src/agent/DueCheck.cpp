// The due-check rule.
#include "agent/DueCheck.h"

#include "agent/SecondsClock.h"

namespace {
// Signed 64-bit addition that wraps as the machine does, instead of overflowing into undefined
// behaviour, for times and intervals written by hand.
int64_t WrappingAdd(int64_t a, int64_t b) { return int64_t(uint64_t(a) + uint64_t(b)); }
}  // namespace

int ShotTimeStatus(CheckSwitches& switches, const OriginalFile& original, bool testMode, const Clock& clock) {
  int status = 0;
  if (switches.automaticCheck || switches.forcedCheck) {
    const int64_t fileInterval = original.ProbeSecondsInterval();
    const int64_t interval = testMode ? kTestModeProbeSeconds : fileInterval;
    if (NowSeconds(clock) >= WrappingAdd(original.ProbeSecondsLast(), interval)) status = 1;
    if (fileInterval == 0 && status == 1) status = 2;
    if (fileInterval == -1) status = 0;
    if (switches.forcedCheck) status = 1;
  }
  switches.forcedCheck = false;
  return status;
}
