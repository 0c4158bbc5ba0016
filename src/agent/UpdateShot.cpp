// One check of the agent and the information file's fetch.
#include "agent/UpdateShot.h"

#include "agent/SecondsClock.h"
#include "agent/UpdateDecision.h"
#include "agent/UpdateRoad.h"
#include "util/IniReg.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {
std::string Pid() { return IntToStr(CurrentProcessId()); }
}  // namespace

void UpdateShot::Run(int status, bool manual) {
  if (AsksCheckNow(status, manual, overrides_)) {
    const bool testOn = testMode_.CheckTestMode(true);
    const std::string source = testOn ? testMode_.Source() : place_.infoUrl;
    if (!host_.Ask({AskKind::Question, 1, CheckNowQuestionText(original_, source, testOn)})) status = 0;
  }
  if (status > 0) PerformShot(manual);
}

bool UpdateShot::FetchInfoFile(bool testOn, bool manual, std::string& error) {
  const std::string path = info_.File().Path();
  return DownloadFileAU(
      host_, original_, info_,
      {FetchKind::Info, place_.infoUrl, ExtractFileName(path), path, testOn, testMode_.Source(), manual}, &error);
}

InformFetch UpdateShot::FetchInform(bool manual) {
  InformFetch fetch;
  if (!BeginAutoInform(info_)) return fetch;
  const std::string name = info_.NameOfInformFile();
  // Stored under its file-name part, so it is read back under that name.
  const std::string target = place_.folder + ExtractFileName(name);
  host_.SetCurrentActivity(2);
  host_.Notify(41, 1);
  fetch.fetched = DownloadFileAU(
      host_, original_, info_,
      {FetchKind::Inform, info_.DownloadURL_UPDATE(), name, target, testMode_.On(), testMode_.Source(), manual});
  host_.Notify(41, 2);
  if (fetch.fetched) fetch.text = host_.ReadFetchedFile(target);
  return fetch;
}

void UpdateShot::PerformShot(bool manual) {
  DebugLn(Pid() + " Fire  " + SecondsCompanionText(NowSeconds(clock_)));
  const bool testOn = testMode_.CheckTestMode(true);
  host_.SetCurrentActivity(1);
  host_.Notify(40, 1);
  std::string fetchError;
  const bool fetched = FetchInfoFile(testOn, manual, fetchError);
  host_.Notify(40, 2);
  RecordCheckTime(original_, clock_);
  const Decision decision =
      GetOkToPerformAU(fetched, original_, info_, manual, {testOn, testMode_.Source()}, clock_, host_);
  LogDecision(decision);

  bool performed = false;
  if (const ShotAction action = ChooseShotAction(decision, info_); action != ShotAction::None) {
    DebugLn(Pid() + " ==== PerformShot-1 ====");
    performed = true;
    if (action == ShotAction::Inform) {
      RecordAcceptedAnnouncement(original_, info_, clock_);
      PerformAutoInform(original_, info_, FetchInform(manual), informUi_);
    } else {
      const UpdateAttempt attempt =
          PerformAutoUpdate(host_, original_, info_, {place_.folder, testOn, testMode_.Source(), manual});
      // A failed fetch or a program that would not end decided nothing: the announcement is
      // offered again at the next due check instead of waiting for the re-ask time.
      if (!attempt.tryAgain) RecordAcceptedAnnouncement(original_, info_, clock_);
      if (attempt.result) ReStartAutoUpdateExe(host_, place_.folder, place_.exeName, overrides_, quitCountdown_());
    }
    DebugLn(Pid() + " ==== PerformShot-2 ====");
  }
  if (!manual) return;
  host_.WaitPumping(1000);
  host_.ShowAgentWindow(false);
  if (performed) return;
  std::string reason;
  const bool connected = host_.CheckConnection(reason);
  DebugLn(Pid() + " TestMode=" + BoolToText(testOn) + " InternetConnected=" + BoolToText(connected));
  const ManualReport report =
      ManualModeReport(original_, testOn, connected, reason, fetchError, decision, IsDeveloperMode());
  host_.Ask({report.box == ReportBox::Error ? AskKind::Error : AskKind::Notice, report.ownerMode, report.text});
}

void UpdateShot::JustDownloadInfoFile() {
  host_.Notify(40, 1);
  std::string error;
  FetchInfoFile(testMode_.CheckTestMode(false), false, error);
  host_.Notify(40, 2);
}
