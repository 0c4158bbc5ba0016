// The extraction's dispatching of window messages: at most every kPumpEveryMs, so that the window
// stays alive while the cost per entry stays that of writing a file.
#pragma once
#include <cstdint>

#include "pack/ExtractUI.h"
#include "platform/System.h"

// The window's messages are dispatched at most this often, as the download does: often enough for
// the close box and the bars, while a look at the queue per entry or per chunk (a round trip to
// the window system under Wine) would cost more than writing a small file.
inline constexpr int64_t kPumpEveryMs = 10;

class ExtractPump {
 public:
  explicit ExtractPump(ExtractUI& ui) : ui_(ui) {}
  void IfDue() {
    const int64_t now = TickMs();
    if (now - last_ < kPumpEveryMs) return;
    ui_.PumpMessages();
    last_ = now;
  }

 private:
  ExtractUI& ui_;
  int64_t last_ = INT64_MIN / 2;
};
