// The update road's host on Win32.
#include "agent/win32/AgentUpdateHost.h"

#include "agent/InformFile.h"
#include "agent/ReleaseKey.h"
#include "agent/win32/InformDialog.h"
#include "env/Macros.h"
#include "net/HttpClient.h"
#include "pack/PackX.h"
#include "platform/System.h"
#include "setup/SetupFolders.h"
#include "setup/SetupHost.h"
#include "setup/StubSetup.h"
#include "setup/WebSetup.h"
#include "ui/VMsgBox.h"
#include "ui/VProgBar.h"
#include "util/Files.h"
#include "util/MessagePump.h"
#include "util/Process.h"
#include "util/SignatureCheck.h"
#include "util/Utils.h"
#include "util/VDebug.h"
#include "util/win32/StartProcess.h"

namespace {
std::string Pid() { return IntToStr(CurrentProcessId()); }
}  // namespace

// --- sizes

std::optional<int64_t> AgentUpdateHost::LocalFileSize(std::string_view path) const {
  if (!FileExists(path)) return std::nullopt;
  return GetFileSizeByName(path);
}

bool AgentUpdateHost::Connected() const {
  std::string reason;
  return p_.client.Connected(reason);
}

int64_t AgentUpdateHost::HttpFileSize(std::string_view url) const { return p_.client.FileSize(url); }

// --- fetching

FetchResult AgentUpdateHost::Fetch(FetchKind kind, FetchOrder order, bool manual) {
  const OriginalFile& o = p_.original;
  p_.setup.SetStatusText(AutoUpdateText(o, p_.info, FetchStatusTextNumber(kind)), o.FontName(), o.CharSet(),
                         o.FontSize());
  order.key = AgentReleaseKey(p_.own, p_.original);
  order.expectedToken = p_.own.GetUpdateToken(true);
  TProgBar bar(&p_.setup.Bars());
  order.owner = manual ? uintptr_t(p_.window()) : 0;
  order.progress = &bar;
  order.cancel = &p_.setup.DownloadCancel();
  order.settle = [] { ::WaitPumping(0, 500); };
  const FetchResult result = VerifiedFetch(order, p_.client, SystemEcdsaVerifier());
  // Why it was refused, in the agent's log beside the refusal itself.
  if (result.refusal == Refusal::Signature)
    WriteStubLog("Signature: " + SignatureResultText(result.signature) + " (" + order.location + ")");
  return result;
}

std::string AgentUpdateHost::ReadFetchedFile(std::string_view target) { return ReadFileRange(target); }

void AgentUpdateHost::DeleteAgentFile(std::string_view target) { DeleteFileByName(target); }

bool AgentUpdateHost::CheckConnection(std::string& reason) { return p_.client.Connected(reason); }

// --- boxes and the window

bool AgentUpdateHost::Ask(const UpdateMessage& m) {
  const OriginalFile& o = p_.original;
  switch (m.kind) {
    case AskKind::None:
      return true;
    case AskKind::Notice:
      AttentionMsg(m.ownerMode, m.text, o.Attention(), o.BtnText(), o.CharSet());
      return true;
    case AskKind::Error:
      ErrorMsg(m.ownerMode, m.text, o.Error(), o.BtnText(), o.CharSet());
      return true;
    case AskKind::Question:
      return ConfirmMsg(m.ownerMode, m.text, o.Confirm(), o.BtnText(), o.CharSet());
  }
  return true;
}

void AgentUpdateHost::ShowAgentWindow(bool show) {
  if (HWND window = p_.window()) ::ShowWindow(window, show ? SW_SHOW : SW_HIDE);
}

void AgentUpdateHost::WaitPumping(int ms) { ::WaitPumping(0, ms); }

// --- the program

std::string AgentUpdateHost::ProgramPath(std::string_view runningProcess) {
  Macros macros(p_.env, p_.clock);
  macros.SetInstallFolders(p_.original.TargetDir(), p_.original.SharedDir(), p_.original.AuxiliaryDir());
  return macros.ExpandMacros(runningProcess, "\\", true, true, true);
}

bool AgentUpdateHost::ProgramRuns(std::string_view programPath) {
  return !Trim(programPath).empty() && IsProcessRunning(programPath);
}

bool AgentUpdateHost::ProgramExists(std::string_view programPath) {
  return !Trim(programPath).empty() && FileExists(Trim(programPath));
}

void AgentUpdateHost::ShutDownProgram(ShutDownMethod method, std::string_view programPath) {
  switch (method) {
    case ShutDownMethod::Close:
      CloseProcessWindow(programPath, false);
      break;
    case ShutDownMethod::Quit:
      QuitProcessWindow(programPath, false);
      break;
    case ShutDownMethod::Terminate:
      TerminateProcessByPath(programPath, false);
      break;
    case ShutDownMethod::MessageBox:
    case ShutDownMethod::DontShutDown:
    case ShutDownMethod::WaitOnly:
      break;
  }
}

int64_t AgentUpdateHost::Seconds() { return p_.clock.TickMs() / 1000; }

void AgentUpdateHost::WaitABit() { ::WaitPumping(0, 1000); }

bool AgentUpdateHost::StartProgram(std::string_view programPath) {
  // Quoted, so that a path with blanks starts the program it names and nothing shorter.
  const std::string command = QuotedProgram(Trim(programPath));
  DebugLn(Pid() + " start program " + command);
  return bool(RunProcess(command, SW_SHOWNORMAL));
}

// --- the update run

bool AgentUpdateHost::RunUpdateSetup(const UpdateRun& run) {
  SetupRequest request;
  request.packageFile = run.setupFile;
  request.folder = SetupWorkFolderOf(p_.ownPath);
  request.agentName = p_.own.GetAgentExeName();
  request.extraSwitches = run.infoSwitch;
  request.ownPath = p_.ownPath;
  request.autoUpdateProg = true;
  request.foreground = run.foreground;
  request.infoFile = p_.info.File().Path();
  request.originalFile = p_.original.File().Path();
  // The key of the setup as it was verified, before the run.
  const std::string setupKey = TGFileInfo(run.setupFile).GetPublicKey();
  PrepareWorkFolder(request.folder);
  const SetupOutcome outcome = RunSetupPackage(request, p_.setup);
  RemoveFolderTree(request.folder, true);
  DebugLn(Pid() + " update run: " + SetupCauseName(outcome.cause) + " exit " + IntToStr(outcome.exitCode) +
          (outcome.completed ? " completed" : ""));
  const bool done = outcome.cause == SetupCause::EngineRan && outcome.completed;
  // The setup was verified with the key in use, so a new key it carries is the vendor's from now on.
  if (done && AdoptRotatedKey(p_.original, AgentReleaseKey(p_.own, p_.original), setupKey))
    DebugLn(Pid() + " release key: the update setup's from now on");
  return done;
}

// --- the agent

bool AgentUpdateHost::StartAgent(std::string_view commandLine) { return bool(RunProcess(commandLine, SW_HIDE)); }

void AgentUpdateHost::EndAgent() {
  if (HWND window = p_.window()) PostMessageA(window, WM_DESTROY, 0, 0);
}

void AgentUpdateHost::Notify(int code, int argument) { p_.notify(code, argument); }

void AgentUpdateHost::SetCurrentActivity(int activity) { p_.cycle.SetActivity(activity); }

// --- inform

bool AgentUpdateHost::RunDialog(const InformDialogRequest& request) { return RunInformDialog(p_.window(), request); }

void AgentUpdateHost::OpenAddress(std::string_view address) { OpenInformAddress(address); }
