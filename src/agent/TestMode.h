// Test mode: a developer points the agent at a local update source for one day, with three
// values of the registry key kTestModeKey: "TestMode" = "1", "TestModeDate" = today as
// 06-DEC-2026, and "TestModeURL" = the source. The values are read afresh when asked to, or when
// more than 30 seconds have passed since the previous call, so test mode ends by itself at the
// first re-read after that day.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "env/Environment.h"
#include "platform/Clock.h"

inline constexpr std::string_view kTestModeKey = "HKEY_CURRENT_USER\\Software\\Corvalen\\Velkit\\AutoUpdate";
inline constexpr int64_t kTestModeRereadMs = 30000;

// On when testMode is exactly "1" and testModeDate is today's date as DateToText writes it
// (two-digit day, upper-case month abbreviation, four-digit year; case counts).
bool TestModeApplies(std::string_view testMode, std::string_view testModeDate, const DateTime& today);

class TestMode {
 public:
  TestMode(const Environment& env, const Clock& clock) : env_(env), clock_(clock) {}

  // Reads the registry when forced or when the last call was more than kTestModeRereadMs ago
  // (every call counts as the last, read or not); returns whether test mode is on.
  bool CheckTestMode(bool force);
  bool On() const { return on_; }
  // "TestModeURL" as last read: the source used instead of the update URL in test mode.
  const std::string& Source() const { return source_; }

 private:
  const Environment& env_;
  const Clock& clock_;
  bool on_ = false;
  std::string source_;
  int64_t lastCallMs_ = 0;
};
