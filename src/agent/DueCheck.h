// Whether an update check is due at this tick (ShotTimeStatus): from the probe interval and the
// time of the last check in the installed-version file, the automatic-check switch and a check
// requested by a control message.
#pragma once
#include <cstdint>

#include "agent/UpdateSettings.h"
#include "platform/Clock.h"

// Process-wide switches of the check cycle.
struct CheckSwitches {
  // Automatic checks; cleared after the one check that a probe interval of 0 allows.
  bool automaticCheck = true;
  // A check was asked for (agent command 31): the next tick checks whatever the interval.
  bool forcedCheck = false;
};

inline constexpr int kTestModeProbeSeconds = 5;

// 0 no check, 1 check due, 2 check due and it is the last automatic one (interval 0). With
// neither switch set nothing is due. The due time is ProbeSecondsLast + the interval (5 seconds
// in test mode), on the seconds clock; an interval of -1 in the file stops automatic checks,
// other negative intervals make every tick due. A forced check is always due, and the request
// is used up by the call.
int ShotTimeStatus(CheckSwitches& switches, const OriginalFile& original, bool testMode, const Clock& clock);
