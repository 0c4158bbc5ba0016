// Waiting without blocking the thread's windows: every wait of the program dispatches the calling
// thread's messages. The slice rules are portable; the dispatch itself is Win32 (the host build
// has no queue and only sleeps).
#pragma once
#include <cstdint>

// Dispatches every pending message of the calling thread, then sleeps ms.
void PumpMessages(int ms);
// Dispatches every pending message when intervalMs have passed since the last dispatch through
// here; true when it did. For loops that would otherwise look at the queue thousands of times a
// second: every look costs a round trip to the window system under Wine, and the windows repaint
// just as well at a hundred dispatches a second.
inline constexpr int64_t kPumpIntervalMs = 10;
bool PumpMessagesIfDue(int64_t intervalMs = kPumpIntervalMs);
// The pump slice of a wait: a given slice as it is; 0 means ms / 10, limited to 1..25.
int WaitSlice(int slice, int64_t ms);
// Pumps messages in slices until ms milliseconds have passed.
void WaitPumping(int slice, int64_t ms);
