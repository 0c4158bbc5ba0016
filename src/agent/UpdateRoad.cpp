// The update road: DownloadFileAU, PerformAutoUpdate and the agent's restart.
#include "agent/UpdateRoad.h"

#include "util/Utils.h"
#include "util/VDebug.h"

namespace {
std::string Pid() { return IntToStr(CurrentProcessId()); }

void Marker(int n) { DebugLn(Pid() + " ==== PerformAutoUpdate-" + IntToStr(n) + " ===="); }

// A question or notice; a box the host shows waits the pause after it.
bool AskAndPause(UpdateHost& host, const UpdateMessage& message, int pauseMs) {
  if (message.kind == AskKind::None) return true;
  const bool answer = host.Ask(message);
  host.WaitPumping(pauseMs);
  return message.kind == AskKind::Notice || answer;
}

// Shuts the program down by the method and waits for its end. False when the wait gave up.
bool ShutDown(UpdateHost& host, const OriginalFile& original, const InfoFile& info, ShutDownMethod method,
              const std::string& program) {
  if (method == ShutDownMethod::MessageBox) {
    const std::string request = CloseRequestText(original, info, program);
    DebugLn("s1=" + request + "<");
    while (host.ProgramRuns(program)) host.Ask({AskKind::Notice, 0, request});
  }
  Marker(8);
  host.ShutDownProgram(method, program);
  if (!WaitsForProgramEnd(method)) return true;
  const int64_t start = host.Seconds();
  do {
    host.WaitABit();
    if (ShutDownWaitGivesUp(host.Seconds() - start, info.ShutDownTimeout()) && host.ProgramRuns(program)) {
      WriteStubLog("Shut Down Process() - GIVEN UP after " + IntToStr(host.Seconds() - start) + " s");
      return false;
    }
  } while (host.ProgramRuns(program));
  return true;
}
// A fetched file that is not this product's: deleted, and the reason always told.
void Refuse(UpdateHost& host, const std::string& target, const std::string& error) {
  host.DeleteAgentFile(target);
  WriteStubLog("ERROR: " + error);
  host.Ask({AskKind::Error, 0, error});
}

// What the verified fetch is to make sure of, by kind: the update setup, the largest file, resumes
// and is a package with the own update token; an inform file's header names the token; an
// information file carries none, and a server's page in its place is judged by the caller.
FetchOrder OrderFor(const FetchRequest& request, FetchSourceKind source, const std::string& location) {
  FetchOrder order;
  order.source = source;
  order.location = location;
  order.target = request.target;
  order.name = ExtractFileName(request.target);
  order.resumable = order.sweepsPartials = request.kind == FetchKind::Update;
  order.pageIsAnswer = request.kind == FetchKind::Info;
  order.token = request.kind == FetchKind::Update   ? TokenRule::UpdateToken
                : request.kind == FetchKind::Inform ? TokenRule::InformHeader
                                                    : TokenRule::None;
  order.tokenFirst = true;
  return order;
}
}  // namespace

bool DownloadFileAU(UpdateHost& host, const OriginalFile& original, const InfoFile& info, const FetchRequest& request,
                    std::string* errorOut) {
  const std::string folder = FetchSource(request.source, request.testMode, request.testFolder);
  const bool inFolder = IsFolderLocation(folder);
  const std::string location =
      inFolder ? FetchLocalLocation(folder, request.name) : FetchWebLocation(folder, request.name);
  const FetchSourceKind sourceKind =
      request.testMode ? FetchSourceKind::TestFolder : (inFolder ? FetchSourceKind::Folder : FetchSourceKind::Web);
  DebugLn(Pid() + " DownloadFileAU: " + location);
  WriteStubLog(std::string("TestMode=") + BoolToText(request.testMode));
  WriteStubLog("Download START: " + FetchLocalLocation(folder, request.name));
  const bool visible = FetchIsVisible(request.kind, info, request.manual);
  if (visible) host.ShowAgentWindow(true);
  const FetchResult fetched = host.Fetch(request.kind, OrderFor(request, sourceKind, location), request.manual);
  if (visible) host.ShowAgentWindow(false);
  WriteStubLog("Download END:   " + location);
  bool ok = fetched.status == FetchStatus::Done;
  std::string error = fetched.status == FetchStatus::Cancelled ? "abort" : fetched.error;
  if (!ok && error.empty()) error = "failed";
  const bool refused = fetched.status == FetchStatus::Refused;
  if (refused) Refuse(host, request.target, error);

  if (request.kind == FetchKind::Info) {
    if (refused) {
      if (errorOut) *errorOut = error;
      return false;
    }
    // What arrived is the information file, also a server's error page; JudgeInfoFetch says
    // whether it counts as fetched (the fetch checked it unless it is such a page).
    if (!ok) host.DeleteAgentFile(request.target);
    const InfoFetch judged = JudgeInfoFetch(ok ? "" : error, ok ? host.ReadFetchedFile(request.target) : "", location);
    if (errorOut) *errorOut = judged.error;
    return judged.fetched;
  }
  if (!ok && !refused) {
    host.DeleteAgentFile(request.target);
    if (TellsFetchFailure(error, location, info)) {
      const std::string text = FetchFailureText(original, error == "abort", location);
      WriteStubLog("ATTENTION: " + text);
      host.Ask({AskKind::Notice, 0, text});
    }
  }
  if (errorOut) *errorOut = ok ? std::string() : error;
  return ok;
}

UpdateAttempt PerformAutoUpdate(UpdateHost& host, OriginalFile& original, const InfoFile& info,
                                const RoadPlace& place) {
  WriteStubLog("PerformAutoUpdate() - START");
  UpdateAttempt attempt;
  Marker(4);
  const std::string source = info.DownloadURL_UPDATE(), name = info.NameOfUpdateFile();
  if (!source.empty() && !name.empty()) {
    Marker(5);
    if (AskAndPause(host, DownloadQuestion(original, info, place.manual), 500)) {
      Marker(6);
      host.SetCurrentActivity(2);
      host.Notify(41, 1);
      const UpdateRun run = PlanUpdateRun(place.agentFolder, info);
      bool fetched = DownloadFileAU(
          host, original, info,
          {FetchKind::Update, source, name, run.setupFile, place.testMode, place.testFolder, place.manual});
      host.Notify(41, 2);
      attempt.tryAgain = !fetched;
      if (fetched && !AskAndPause(host, InstallQuestion(original, info, fetched, place.manual), 100)) {
        host.DeleteAgentFile(run.setupFile);
        fetched = false;
      }
      if (fetched) {
        Marker(7);
        const std::string program = host.ProgramPath(info.RunningProcess());
        const bool wasRunning = host.ProgramRuns(program);
        const ShutDownMethod method = ParseShutDownMethod(info.ShutDownMethod());
        WriteStubLog("Shut Down Process() - START  (" + program + ")  Method: " + info.ShutDownMethod());
        const bool ended = ShutDown(host, original, info, method, program);
        Marker(9);
        WriteStubLog("Shut Down Process() - END");
        const bool restart = RestartsProgram(info.RestartProcess(), wasRunning, host.ProgramRuns(program));
        if (ended) {
          host.SetCurrentActivity(3);
          host.Notify(42, 1);
          Marker(10);
          attempt.result = host.RunUpdateSetup(run);
          Marker(11);
          host.Notify(42, 2);
          if (attempt.result) original.SetVersionOriginal(info.VersionNew());
        } else {
          attempt.tryAgain = true;
        }
        host.DeleteAgentFile(run.setupFile);
        bool answer = true;
        if (const UpdateMessage finish = FinishMessage(original, info, attempt.result, place.manual, restart);
            finish.kind != AskKind::None)
          answer = host.Ask(finish) || finish.kind == AskKind::Notice;
        Marker(12);
        const bool starts = StartsProgramAgain(restart, answer, host.ProgramExists(program));
        DebugLn(std::string(BoolToText(restart)) + " " + BoolToText(answer) + " >" + program + "<");
        if (starts) host.StartProgram(program);
      }
    }
  }
  Marker(13);
  WriteStubLog(std::string("PerformAutoUpdate() - END    Result=") + BoolToText(attempt.result));
  return attempt;
}

void ReStartAutoUpdateExe(UpdateHost& host, std::string_view agentFolder, std::string_view agentExeName,
                          const OverrideList& overrides, int32_t quitCountdown) {
  WriteStubLog(".. ReStartAutoUpdateExe() - Start");
  if (RestartsAgent(quitCountdown)) {
    const std::string command = RestartAgentCommand(agentFolder, agentExeName, overrides);
    WriteStubLog(".. WinExec - " + command);
    host.StartAgent(command);
    host.WaitPumping(1000);
    WriteStubLog(".. PostMessage(WM_DESTROY)");
    host.EndAgent();
  }
  WriteStubLog(".. ReStartAutoUpdateExe() - End");
}
