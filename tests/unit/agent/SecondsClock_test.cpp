// The seconds clock's companion text and its inverse.
#include "agent/SecondsClock.h"

#include <gtest/gtest.h>

#include "util/Utils.h"

TEST(SecondsClock, CompanionText) {
  struct Case {
    int64_t seconds;
    const char* text;
  } cases[] = {
      {4005727509, "06-DEC-2026 14:05:09"},
      {0, "30-DEC-1899 00:00:00"},
      {86399, "30-DEC-1899 23:59:59"},
      {86400, "31-DEC-1899 00:00:00"},
      {-1, "29-DEC-1899 23:59:59"},
      {36585LL * 86400 + 43200, "29-FEB-2000 12:00:00"},
      {25569LL * 86400, "01-JAN-1970 00:00:00"},
      {73051LL * 86400 - 1, "31-DEC-2099 23:59:59"},
  };
  for (const auto& c : cases) EXPECT_EQ(SecondsCompanionText(c.seconds), c.text) << c.seconds;
}

TEST(SecondsClock, InverseOfTheClock) {
  for (int64_t s = -200000; s < 5000000000; s += 86400 * 37 + 3607) {
    const DateTime dt = SecondsToDateTime(s);
    ASSERT_EQ(DateTimeToSeconds(dt), s) << s;
  }
  class Fixed : public Clock {
   public:
    DateTime LocalNow() const override { return {2026, 12, 6, 14, 5, 9, 0}; }
    int64_t TickMs() const override { return 0; }
  } clock;
  EXPECT_EQ(NowSeconds(clock), 4005727509);
}
