// The seconds clock and its companion text.
#include "agent/SecondsClock.h"

#include "util/Utils.h"

namespace {
constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kDays1899To1970 = 25569;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The civil date of a day count since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *day = int(doy - (153 * mp + 2) / 5 + 1);
  *month = int(mp < 10 ? mp + 3 : mp - 9);
  *year = int(yoe + era * 400 + (*month <= 2));
}
}  // namespace

int64_t NowSeconds(const Clock& clock) { return DateTimeToSeconds(clock.LocalNow()); }

DateTime SecondsToDateTime(int64_t seconds) {
  const int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const int64_t ofDay = seconds - days * kSecondsPerDay;
  DateTime dt;
  CivilFromDays(days - kDays1899To1970, &dt.year, &dt.month, &dt.day);
  dt.hour = int(ofDay / 3600);
  dt.minute = int(ofDay / 60 % 60);
  dt.second = int(ofDay % 60);
  return dt;
}

std::string SecondsCompanionText(int64_t seconds) { return DateTimeToText(SecondsToDateTime(seconds)); }
