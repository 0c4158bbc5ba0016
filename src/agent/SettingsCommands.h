// The agent commands (message 1125) that read or write the settings files and the overrides:
// 4 VersionOriginal, 5 VersionNew; 8..11 read and 12..15 write ProbeSecondsInterval,
// ReAskSecondsInterval, ProbeSecondsLast, ReAskSecondsLast; 20..25 set override 0..5.
#pragma once
#include <cstdint>
#include <optional>

#include "agent/OverrideList.h"
#include "agent/UpdateSettings.h"

// The command's result (a read value's low 32 bits, 0 after a write); nullopt for a code that is
// not a settings command. A write takes the argument sign-extended to 64 bits; an override the
// argument's low byte.
std::optional<int32_t> RunSettingsCommand(OriginalFile& original, const InfoFile& info, OverrideList& overrides,
                                          int32_t code, int32_t argument);
