// The settings commands of the agent's control message.
#include "agent/SettingsCommands.h"

namespace {
int32_t Low32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(uint64_t(value))); }
}  // namespace

std::optional<int32_t> RunSettingsCommand(OriginalFile& original, const InfoFile& info, OverrideList& overrides,
                                          int32_t code, int32_t argument) {
  const int64_t value = argument;
  switch (code) {
    case 4:
      return original.VersionOriginal();
    case 5:
      return info.VersionNew();
    case 8:
      return Low32(original.ProbeSecondsInterval());
    case 9:
      return Low32(original.ReAskSecondsInterval());
    case 10:
      return Low32(original.ProbeSecondsLast());
    case 11:
      return Low32(original.ReAskSecondsLast());
    case 12:
      original.SetProbeSecondsInterval(value);
      return 0;
    case 13:
      original.SetReAskSecondsInterval(value);
      return 0;
    case 14:
      original.SetProbeSecondsLast(value);
      return 0;
    case 15:
      original.SetReAskSecondsLast(value);
      return 0;
    case 20:
    case 21:
    case 22:
    case 23:
    case 24:
    case 25:
      overrides.Set(code - 20, uint8_t(uint32_t(argument) & 0xFF));
      return 0;
    default:
      return std::nullopt;
  }
}
