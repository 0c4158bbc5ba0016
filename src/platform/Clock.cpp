// The real clocks behind the Clock interface.
#include "platform/Clock.h"

namespace {
class RealClock final : public Clock {
 public:
  DateTime LocalNow() const override { return ::LocalNow(); }
  int64_t TickMs() const override { return ::TickMs(); }
};
}  // namespace

const Clock& SystemClock() {
  static const RealClock clock;
  return clock;
}
