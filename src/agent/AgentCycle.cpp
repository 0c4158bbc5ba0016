// The X agent's tick and control commands.
#include "agent/AgentCycle.h"

#include <algorithm>

#include "agent/SettingsCommands.h"
#include "platform/System.h"
#include "ui/VMsgBox.h"
#include "util/Utils.h"
#include "util/VDebug.h"
#include "util/VSUB.h"

std::string XCopySwitches(std::string_view transient, std::string_view delay) {
  std::string switches;
  if (!transient.empty()) switches += " /TRANSIENTx=" + std::string(transient);
  if (!delay.empty()) switches += " /SleepX=" + std::string(delay);
  return switches;
}

LocalMsgArgs ParseWmMsg(std::string_view value) {
  const std::string list = ":" + std::string(value) + ":";
  return {StrToInt64Def(SUB::Get(list, 0), 0), StrToInt64Def(SUB::Get(list, 1), 0)};
}

AgentCycle::TickResult AgentCycle::Tick(CheckRunner* runner) {
  TickResult result;
  if (busy_) return result;
  busy_ = true;
  result.handled = true;
  if (justDownloadInfo_) {
    // Only the information file would be fetched; the tick counts nothing else.
    justDownloadInfo_ = false;
    result.justDownloadInfo = true;
    if (runner) runner->JustDownloadInfoFile();
  } else {
    // Read at every tick, so a setup that changes the installed-version file changes the boxes.
    SetMsgBoxFont(original_.FontName(), original_.FontSize(), original_.CharSet());
    activity_ = 0;
    if (manualMode_ == 2) manualMode_ = 1;
    if (manualMode_ == 1) timerCount_ = 0;
    // 0 quits once: the decrement makes it -1, so no second quit is asked for.
    const std::string pid = IntToStr(CurrentProcessId());
    if (quitCountdown_ == 0) {
      result.quit = true;
      DebugLn(pid + " quit countdown ended: the agent ends");
    }
    if (quitCountdown_ >= 0) --quitCountdown_;
    ++timerCount_;
    DebugLn(pid + " AutoUpdateTimerCount=" + IntToStr(timerCount_));
    if (timerCount_ >= 1) {
      testMode_.CheckTestMode(false);
      result.shotStatus = ShotTimeStatus(switches_, original_, testMode_.On(), clock_);
      DebugLn(pid + " ShotTimeStatus=" + IntToStr(result.shotStatus));
      if (result.shotStatus == 2) switches_.automaticCheck = false;
      if (runner && result.shotStatus > 0) runner->Check(result.shotStatus, manualMode_ == 1);
    }
    if (manualMode_ == 1) manualMode_ = 0;
  }
  activity_ = 0;
  busy_ = false;
  return result;
}

int32_t AgentCycle::Command(int32_t code, int32_t argument) {
  switch (code) {
    case 7:
      return activity_;
    case 30:
      quitCountdown_ = argument;
      return 0;
    case 31:
      switches_.forcedCheck = true;
      timerCount_ = std::max<int32_t>(1, timerCount_);
      if (argument == 2) manualMode_ = 2;
      return 0;
    case 32:
      justDownloadInfo_ = true;
      return 0;
    default:
      return RunSettingsCommand(original_, info_, overrides_, code, argument).value_or(0);
  }
}
