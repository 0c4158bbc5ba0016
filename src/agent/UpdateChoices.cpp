// The choices of an update run.
#include "agent/UpdateChoices.h"

#include "util/Utils.h"

// --- fetching

std::string FetchSource(std::string_view source, bool testMode, std::string_view testFolder) {
  return std::string(testMode ? testFolder : source);
}

std::string FetchLocalLocation(std::string_view folder, std::string_view name) {
  return std::string(folder) + "\\" + ExtractFileName(name);
}

std::string FetchWebLocation(std::string_view folder, std::string_view name) {
  return std::string(folder) + "/" + ExtractFileName(name);
}

int FetchStatusTextNumber(FetchKind kind) {
  switch (kind) {
    case FetchKind::Info:
      return 31;
    case FetchKind::Update:
      return 32;
    case FetchKind::Inform:
      return 33;
  }
  return 31;
}

bool FetchIsVisible(FetchKind kind, const InfoFile& info, bool manual) {
  return kind == FetchKind::Update && info.RequestConfirmationBeforeDownload() && !manual;
}

bool TellsFetchFailure(std::string_view error, std::string_view location, const InfoFile& info) {
  return !error.empty() && location.size() > 2 && info.RequestConfirmationBeforeDownload();
}

bool IsFolderLocation(std::string_view location) {
  return (location.size() >= 2 && location[1] == ':') || location.substr(0, 2) == "\\\\";
}

std::string FetchFailureText(const OriginalFile& original, bool aborted, std::string_view location) {
  if (aborted) return original.AutoUpdate("s3", "File Download Aborted!");
  if (IsFolderLocation(location)) return original.AutoUpdate("s4", "File not Found!") + "<P><P>" + std::string(location);
  return original.AutoUpdate("s5", "Unable to Download File!") + "<P><P>" + std::string(location);
}

// --- the questions

UpdateMessage DownloadQuestion(const OriginalFile& original, const InfoFile& info, bool manual) {
  const bool forced = info.RequestConfirmationBeforeDownloadForce();
  const bool install = info.RequestConfirmationBeforeInstall();
  const char* second = forced ? (install ? "s19" : "s18") : (install ? "s13" : "s12");
  UpdateMessage message;
  message.text =
      ReplaceText(original.AutoUpdate("s11", "") + original.AutoUpdate(second, ""), "PROG_NAME", info.ProgramName());
  if (!info.RequestConfirmationBeforeDownload() || manual) return message;
  message.kind = forced ? AskKind::Notice : AskKind::Question;
  message.ownerMode = forced ? 2 : 0;
  return message;
}

UpdateMessage InstallQuestion(const OriginalFile& original, const InfoFile& info, bool fetched, bool manual) {
  const bool forced = info.RequestConfirmationBeforeInstallForce();
  UpdateMessage message;
  message.text = ReplaceText(original.AutoUpdate(forced ? "s20" : "s14", ""), "PROG_NAME", info.ProgramName());
  if (!fetched || !info.RequestConfirmationBeforeInstall() || manual) return message;
  message.kind = forced ? AskKind::Notice : AskKind::Question;
  message.ownerMode = forced ? 2 : 0;
  return message;
}

// --- shut-down

namespace {
struct MethodText {
  ShutDownMethod method;
  std::string_view text;
};
constexpr MethodText kMethods[] = {
    {ShutDownMethod::MessageBox, "Issue a Message Box"},
    {ShutDownMethod::Close, "Using WM_CLOSE"},
    {ShutDownMethod::Quit, "Using WM_QUIT"},
    {ShutDownMethod::Terminate, "Using Terminate Process"},
    {ShutDownMethod::DontShutDown, "Don't Shut Down"},
};
}  // namespace

ShutDownMethod ParseShutDownMethod(std::string_view text) {
  for (const MethodText& m : kMethods)
    if (m.text == text) return m.method;
  return ShutDownMethod::WaitOnly;
}

std::string_view ShutDownMethodText(ShutDownMethod method) {
  for (const MethodText& m : kMethods)
    if (m.method == method) return m.text;
  return {};
}

bool WaitsForProgramEnd(ShutDownMethod method) { return method != ShutDownMethod::DontShutDown; }

bool ShutDownWaitGivesUp(int64_t waitedSeconds, int32_t limitSeconds) {
  return limitSeconds > 0 && waitedSeconds >= limitSeconds;
}

std::string CloseRequestText(const OriginalFile& original, const InfoFile& info, std::string_view programPath) {
  return AutoUpdateText(original, info, 15, ExtractFileName(programPath));
}

bool RestartsProgram(bool restartProcess, bool wasRunning, bool runsNow) {
  return restartProcess && wasRunning && !runsNow;
}

bool StartsProgramAgain(bool restart, bool answer, bool programExists) { return restart && answer && programExists; }

// --- the update run

std::string UpdateFileName(const InfoFile& info) { return ExtractFileName(info.NameOfUpdateFile()); }

UpdateRun PlanUpdateRun(std::string_view agentFolderWithBackslash, const InfoFile& info) {
  UpdateRun run;
  run.setupFile = std::string(agentFolderWithBackslash) + UpdateFileName(info);
  run.infoSwitch = "/OriginalInfoFile=\"" + info.File().Path() + "\"";
  run.foreground = !info.BackgroundUpdate();
  return run;
}

UpdateMessage FinishMessage(const OriginalFile& original, const InfoFile& info, bool result, bool manual,
                            bool restart) {
  UpdateMessage message;
  message.ownerMode = 1;
  message.text = ReplaceText(original.AutoUpdate("s16", ""), "PROG_NAME", info.ProgramName());
  if (restart) message.text += original.AutoUpdate("s17", "");
  if (!result || !(info.InformFinish() || manual)) return message;
  message.kind = restart ? AskKind::Question : AskKind::Notice;
  return message;
}

// --- restart of the agent

bool RestartsAgent(int32_t quitCountdown) { return quitCountdown <= 0; }

std::string RestartAgentCommand(std::string_view agentFolderWithBackslash, std::string_view agentExeName,
                                const OverrideList& overrides) {
  return QuotedProgram(std::string(agentFolderWithBackslash) + std::string(agentExeName)) +
         " /_ZZ=99 /WAIT=10 /TRANSIENT=" + overrides.ToText();
}
