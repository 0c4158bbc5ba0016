// One check of the agent ("shot"): the check-now question, the fetch of the information file, the
// decision, and then the announcement shown or the update performed, with the report of a check
// the user asked for. Also the fetch of the information file alone (JustDownloadInfoFile).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "agent/AutoInform.h"
#include "agent/OverrideList.h"
#include "agent/TestMode.h"
#include "agent/UpdateHost.h"
#include "agent/UpdateSettings.h"
#include "platform/Clock.h"

// The agent as the check sees it.
struct AgentPlace {
  std::string folder;   // with its trailing backslash
  std::string exeName;  // the plain agent's file name, started by the restart
  std::string infoUrl;  // the own package's update address: where the information file lies
};

class UpdateShot {
 public:
  UpdateShot(OriginalFile& original, const InfoFile& info, const OverrideList& overrides, TestMode& testMode,
             const Clock& clock, AgentPlace place, UpdateHost& host, InformUi& informUi,
             std::function<int32_t()> quitCountdown)
      : original_(original),
        info_(info),
        overrides_(overrides),
        testMode_(testMode),
        clock_(clock),
        place_(std::move(place)),
        host_(host),
        informUi_(informUi),
        quitCountdown_(std::move(quitCountdown)) {}

  // A due check of the given status (1 or 2): the check-now question when it is asked for, then
  // PerformShot unless the user said no.
  void Run(int status, bool manual);
  void PerformShot(bool manual);
  void JustDownloadInfoFile();

 private:
  bool FetchInfoFile(bool testOn, bool manual, std::string& error);
  // The inform file named by the information file (kind 3), fetched under the check's test mode
  // and read back, with the activity and progress 41 around the fetch.
  InformFetch FetchInform(bool manual);

  OriginalFile& original_;
  const InfoFile& info_;
  const OverrideList& overrides_;
  TestMode& testMode_;
  const Clock& clock_;
  AgentPlace place_;
  UpdateHost& host_;
  InformUi& informUi_;
  std::function<int32_t()> quitCountdown_;
};
