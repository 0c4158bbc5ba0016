// String, number and date helpers.
#include "util/Utils.h"

#include <cstdio>

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string LogTimestamp(const DateTime& dt) {
  char buf[32];
  char d = LocaleDateSeparator(), t = LocaleTimeSeparator();
  std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d %02d%c%02d%c%02d", dt.day, d, dt.month, d, dt.year % 100, dt.hour,
                t, dt.minute, t, dt.second);
  return buf;
}
