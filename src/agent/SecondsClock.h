// The agent's seconds clock: whole seconds of local time since 1899-12-30 00:00 (NowSeconds of
// Utils), and the readable companion text written beside every stored seconds value.
#pragma once
#include <cstdint>
#include <string>

#include "platform/Clock.h"

// The seconds clock at the clock's local time.
int64_t NowSeconds(const Clock& clock);
// The date-time a seconds value stands for (the inverse of DateTimeToSeconds).
DateTime SecondsToDateTime(int64_t seconds);
// "06-DEC-2026 14:05:09" for 4005727509: the text of a "__" companion key.
std::string SecondsCompanionText(int64_t seconds);
// A time plus an interval, wrapping as the machine's signed 64-bit addition does instead of
// overflowing into undefined behaviour: both come from files a person may have edited.
inline int64_t AddSeconds(int64_t time, int64_t interval) { return int64_t(uint64_t(time) + uint64_t(interval)); }
