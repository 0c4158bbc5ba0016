// The due-check rule.
#include "agent/DueCheck.h"

#include "agent/SecondsClock.h"

int ShotTimeStatus(CheckSwitches& switches, const OriginalFile& original, bool testMode, const Clock& clock) {
  int status = 0;
  if (switches.automaticCheck || switches.forcedCheck) {
    const int64_t fileInterval = original.ProbeSecondsInterval();
    const int64_t interval = testMode ? kTestModeProbeSeconds : fileInterval;
    if (NowSeconds(clock) >= AddSeconds(original.ProbeSecondsLast(), interval)) status = 1;
    if (fileInterval == 0 && status == 1) status = 2;
    if (fileInterval == -1) status = 0;
    if (switches.forcedCheck) status = 1;
  }
  switches.forcedCheck = false;
  return status;
}
