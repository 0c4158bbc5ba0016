// The X agent's state between its one-second ticks: the busy flag, the quit countdown, the tick
// count that holds the first check back, the requests the control messages leave for the next
// tick, and the controller that asked for replies. Pure: the window (stub/win32/RolesAgent.cpp)
// feeds it ticks and messages and acts on what it answers.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "agent/DueCheck.h"
#include "agent/OverrideList.h"
#include "agent/TestMode.h"
#include "agent/UpdateSettings.h"
#include "platform/Clock.h"

// Control messages of the X agent's window.
inline constexpr unsigned kShutDownMsg = 1123;  // wParam: quit countdown
inline constexpr unsigned kLocalMsg = 1124;     // wParam: controller window, lParam: its message
inline constexpr unsigned kAgentMsg = 1125;     // wParam: command code, lParam: argument

// Reply codes posted to a registered controller.
inline constexpr int32_t kReplyWindow = 50;
inline constexpr int32_t kReplyCommandMsg = 51;
inline constexpr int32_t kReplyLoopEnded = 43;

// What the plain agent hands the X copy on its command line: " /TRANSIENTx=" + the override list
// when "/TRANSIENT=" has one, then " /SleepX=" + the "/DELAY=" value when there is one.
std::string XCopySwitches(std::string_view transient, std::string_view delay);
// "/WM_MSG=" value "window:message" as the two numbers of message 1124 (0 where missing).
struct LocalMsgArgs {
  int64_t window = 0;
  int64_t message = 0;
};
LocalMsgArgs ParseWmMsg(std::string_view value);

// What a tick runs inside its busy flag: the check (status 1 or 2) and the information file's
// fetch alone.
class CheckRunner {
 public:
  virtual ~CheckRunner() = default;
  virtual void Check(int status, bool manual) = 0;
  virtual void JustDownloadInfoFile() = 0;
};

class AgentCycle {
 public:
  AgentCycle(OriginalFile& original, const InfoFile& info, OverrideList& overrides, TestMode& testMode,
             const Clock& clock)
      : original_(original), info_(info), overrides_(overrides), testMode_(testMode), clock_(clock) {}

  struct TickResult {
    bool handled = false;  // false: a tick was still running (busy)
    bool quit = false;     // the countdown reached 0: end the message loop
    int shotStatus = -1;   // ShotTimeStatus when the count allowed asking, else -1
    bool justDownloadInfo = false;
  };
  // One tick of timer 1; a due check runs through runner, while the busy flag turns further
  // ticks away (without a runner it is only told in the result).
  TickResult Tick(CheckRunner* runner = nullptr);

  // "/SleepX=" n >= 0: the first tick that may check is n + 1.
  void SetSleep(int64_t n) {
    if (n >= 0) timerCount_ = int32_t(-n);
  }
  // Message 1123.
  void ShutDown(int32_t countdown) { quitCountdown_ = countdown; }
  // Message 1124: the controller's window and message for replies.
  void Register(uintptr_t window, uint32_t message) {
    replyWindow_ = window;
    replyMessage_ = message;
  }
  bool HasController() const { return replyWindow_ != 0 && replyMessage_ != 0; }
  uintptr_t ReplyWindow() const { return replyWindow_; }
  uint32_t ReplyMessage() const { return replyMessage_; }
  // Message 1125: the command's result.
  int32_t Command(int32_t code, int32_t argument);

  int32_t TimerCount() const { return timerCount_; }
  int32_t QuitCountdown() const { return quitCountdown_; }
  int32_t ManualMode() const { return manualMode_; }
  bool ForcedCheck() const { return switches_.forcedCheck; }
  bool AutomaticCheck() const { return switches_.automaticCheck; }
  bool JustDownloadInfoRequested() const { return justDownloadInfo_; }
  int32_t Activity() const { return activity_; }
  void SetActivity(int32_t activity) { activity_ = activity; }

 private:
  OriginalFile& original_;
  const InfoFile& info_;
  OverrideList& overrides_;
  TestMode& testMode_;
  const Clock& clock_;
  CheckSwitches switches_;
  bool busy_ = false;
  int32_t timerCount_ = -3;
  int32_t quitCountdown_ = -1;
  int32_t manualMode_ = 0;
  bool justDownloadInfo_ = false;
  int32_t activity_ = 0;
  uintptr_t replyWindow_ = 0;
  uint32_t replyMessage_ = 0;
};
