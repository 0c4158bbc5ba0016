// The pumped wait's slices.
#include "util/MessagePump.h"

#include <gtest/gtest.h>

#include "platform/System.h"

TEST(WaitPumping, Slices) {
  struct Case {
    int slice;
    int64_t ms;
    int expected;
  } cases[] = {
      {0, 100, 10}, {0, 5000, 25}, {0, 5, 1}, {0, 0, 1}, {0, 250, 25}, {0, 19, 1}, {7, 5000, 7},
  };
  for (const Case& c : cases) EXPECT_EQ(WaitSlice(c.slice, c.ms), c.expected) << c.slice << "/" << c.ms;
}

// The last slice is cut to what is left; the wait still never ends early.
TEST(WaitPumping, NeverEndsBeforeItsTime) {
  for (int64_t ms : {0, 1, 30, 37}) {
    const int64_t start = TickMs();
    WaitPumping(25, ms);
    EXPECT_GE(TickMs() - start, ms) << ms;
  }
}
