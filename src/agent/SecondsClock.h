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
