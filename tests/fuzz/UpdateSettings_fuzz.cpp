// libFuzzer target over what a fetched information file can steer: the input is one INI file that
// stands for both settings files (their sections do not overlap), read through InfoFile and
// OriginalFile as the agent reads them, then judged by the whole check (GetOkToPerformAU, the due
// rule, what a check records) and turned into what the update road would say and do. Section
// [Fuzz] steers the machine: Manual, TestMode, Connected, LocalSize and HttpSize (-1: none).
// Checked: every text keeps the length limit, every decision is one of its codes with its text,
// what a check records reads back as written, and a fetched file's name never leaves its folder.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FakeEnvironment.h"
#include "FuzzIni.h"
#include "agent/DueCheck.h"
#include "agent/InformLayout.h"
#include "agent/SecondsClock.h"
#include "agent/UpdateChoices.h"
#include "agent/UpdateDecision.h"
#include "agent/UpdateSettings.h"
#include "net/HttpTransfer.h"

namespace {
// Both files are one: the text is laid into the store once.
constexpr std::string_view kFile = "C:\\App\\App.info";

struct Sizes : UpdateFileSizes {
  int64_t local = -1, http = -1;
  bool connected = false;
  std::optional<int64_t> LocalFileSize(std::string_view) const override {
    return local < 0 ? std::nullopt : std::optional<int64_t>(local);
  }
  bool Connected() const override { return connected; }
  int64_t HttpFileSize(std::string_view) const override { return http; }
};

void CheckText(const std::string& text) {
  FuzzCheck(text.size() <= kSettingsTextLimit, "a settings text over the limit");
}

// The file-name part holds no delimiter, so the fetched file lands in the folder it is meant for.
void CheckFileName(const std::string& name) {
  FuzzCheck(name.find_first_of("\\/:") == std::string::npos, "a file name with a path in it");
}

void ReadEverything(const OriginalFile& original, const InfoFile& info) {
  for (const std::string& text : {info.DownloadURL_UPDATE(), info.NameOfUpdateFile(),
                                  info.ShutDownMethod(),     info.RunningProcess(),
                                  info.ProgramName(),        info.ValidVersions(),
                                  info.DownloadURL_INFORM(), info.NameOfInformFile(),
                                  original.ProgramName(),    original.TargetDir(),
                                  original.SharedDir(),      original.AuxiliaryDir(),
                                  original.StartUpLink(),    original.CheckforNewUpdateLink(),
                                  original.BtnText(),        original.Error(),
                                  original.Confirm(),        original.Attention(),
                                  original.FontName(),       original.PublicKey()})
    CheckText(text);
  (void)info.SizeOfUpdateFile();
  (void)info.SizeOfInformFile();
  (void)info.RequestConfirmationBeforeDownloadForce();
  (void)info.RequestConfirmationBeforeInstallForce();
  (void)info.RemoveStartUpShortcut();
  (void)info.RemoveCheckForNewUpdateShortcut();
  for (int number = 0; number <= 40; ++number) (void)AutoUpdateText(original, info, number, "App.exe");
  // The inform dialog's geometry and fonts from the file's sizes and the box settings.
  (void)InformWindowRect({0, 0, 1024, 768}, info.AutoInformW(), info.AutoInformH());
  (void)InformDialogFonts(original.FontName(), original.FontSize(), original.CharSet(), 96);
}

void WalkTheRoad(OriginalFile& original, const InfoFile& info, bool manual, bool testMode, const Clock& clock) {
  for (bool fetched : {false, true}) {
    (void)DownloadQuestion(original, info, manual);
    (void)InstallQuestion(original, info, fetched, manual);
    (void)FinishMessage(original, info, fetched, manual, !fetched);
  }
  const std::string source = FetchSource(info.DownloadURL_UPDATE(), testMode, "C:\\Test");
  for (const std::string& name : {info.NameOfUpdateFile(), info.NameOfInformFile()}) {
    CheckFileName(ExtractFileName(name));
    const std::string web = FetchWebLocation(source, name), local = FetchLocalLocation(source, name);
    (void)IsFolderLocation(web);
    (void)TellsFetchFailure("failed", local, info);
    (void)FetchFailureText(original, false, web);
    (void)SplitUserUrl(CompleteUrl(web));
    (void)UrlFileName(web);
  }
  CheckFileName(UpdateFileName(info));
  const UpdateRun run = PlanUpdateRun("C:\\App\\", info);
  FuzzCheck(run.setupFile == "C:\\App\\" + UpdateFileName(info), "the update setup outside the agent folder");
  const ShutDownMethod method = ParseShutDownMethod(info.ShutDownMethod());
  FuzzCheck(method == ShutDownMethod::WaitOnly || ShutDownMethodText(method) == info.ShutDownMethod(),
            "a shut-down method that is not its text");
  (void)WaitsForProgramEnd(method);
  for (int64_t waited : {0, 1, 3600}) (void)ShutDownWaitGivesUp(waited, info.ShutDownTimeout());
  (void)CloseRequestText(original, info, info.RunningProcess());
  (void)CheckNowQuestionText(original, source, testMode);
  CheckSwitches switches;
  const int status = ShotTimeStatus(switches, original, testMode, clock);
  FuzzCheck(status >= 0 && status <= 2, "a due status out of range");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  MemoryIniStore ini;
  LoadIniText(ini, kFile, text);
  SettingsFile steer(ini, std::string(kFile));
  const bool manual = steer.Flag("Fuzz", "Manual"), testMode = steer.Flag("Fuzz", "TestMode");
  Sizes sizes;
  sizes.connected = steer.Flag("Fuzz", "Connected");
  sizes.local = steer.Int64("Fuzz", "LocalSize", -1);
  sizes.http = steer.Int64("Fuzz", "HttpSize", -1);

  OverrideList overrides;
  overrides.ReadText(steer.Text("Fuzz", "Overrides", ""));
  OriginalFile original(ini, std::string(kFile));
  const InfoFile info(ini, std::string(kFile), overrides);
  FakeClock clock;
  ReadEverything(original, info);

  const InfoFetch fetch = JudgeInfoFetch({}, text, info.DownloadURL_UPDATE());
  const TestSource test{testMode, "C:\\Test"};
  const Decision decision = GetOkToPerformAU(fetch.fetched, original, info, manual, test, clock, sizes);
  FuzzCheck(decision.code >= kDecisionNotFetched && decision.code <= kDecisionOk, "a decision code out of range");
  FuzzCheck(decision.text == DecisionText(decision.code) && !decision.text.empty(), "a decision without its text");
  FuzzCheck(decision.sizeCheck.has_value() == (decision.code >= kDecisionSizeError), "a size check out of turn");
  (void)decision.LogLine();
  (void)ManualModeReport(original, testMode, sizes.connected, "offline", fetch.error, decision, true);
  (void)ChooseShotAction(decision, info);
  (void)AsksCheckNow(1, manual, overrides);

  WalkTheRoad(original, info, manual, testMode, clock);

  // What a check records reads back as it was written.
  RecordCheckTime(original, clock);
  FuzzCheck(original.ProbeSecondsLast() == NowSeconds(clock), "the check time does not read back");
  if (decision.Ok()) {
    RecordAcceptedAnnouncement(original, info, clock);
    FuzzCheck(original.Stamp() == info.Stamp(), "the accepted stamp does not read back");
    FuzzCheck(original.ReAskSecondsLast() == NowSeconds(clock), "the re-ask time does not read back");
  }
  return 0;
}
