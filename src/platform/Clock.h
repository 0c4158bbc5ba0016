// The two clocks that rules over time ask for, behind one small interface so that those rules can
// be run from tables: the local date and time, and a monotonic millisecond counter.
#pragma once
#include <cstdint>

#include "platform/System.h"

class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime LocalNow() const = 0;
  // Milliseconds that only ever grow (no wrap within a process's life).
  virtual int64_t TickMs() const = 0;
};

// The process's real clocks (LocalNow and TickMs of System.h).
const Clock& SystemClock();
