// The pumped waits' portable rules.
#include "util/MessagePump.h"

#include "platform/System.h"
#include "util/Utils.h"

int WaitSlice(int slice, int64_t ms) {
  if (slice != 0) return slice;
  return int(Clamp64(ms / 10, 1, 25));
}

bool PumpMessagesIfDue(int64_t intervalMs) {
  static int64_t last = INT64_MIN / 2;
  const int64_t now = TickMs();
  if (now - last < intervalMs) return false;
  PumpMessages(0);
  last = now;
  return true;
}

void WaitPumping(int slice, int64_t ms) {
  slice = WaitSlice(slice, ms);
  const int64_t deadline = TickMs() + ms;
  // The last slice is cut to what is left, so that the wait ends on time rather than up to a
  // slice late.
  for (;;) {
    const int64_t left = deadline - TickMs();
    PumpMessages(int(left < slice ? (left > 0 ? left : 0) : slice));
    if (TickMs() >= deadline) return;
  }
}
