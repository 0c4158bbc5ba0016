// The stub's main routine and its roles on Win32: start lines, the process context, which of the
// four roles this process plays, end lines, exit code.
#include <windows.h>

#include "agent/StubGlob.h"
#include "net/InetHTTP.h"
#include "pack/PackX.h"
#include "platform/System.h"
#include "setup/SetupFolders.h"
#include "setup/StubSetup.h"
#include "setup/WebSetup.h"
#include "stub/Roles.h"
#include "stub/RolesAgent.h"
#include "stub/Stub.h"
#include "stub/StubWin.h"
#include "stub/win32/SetupWindowHost.h"
#include "ui/VMsgBox.h"
#include "util/Files.h"
#include "util/IniReg.h"
#include "util/Utils.h"
#include "util/VDebug.h"
#include "util/win32/StartProcess.h"

namespace {
std::string Pid() { return IntToStr(CurrentProcessId()); }

// The role that runs the stub window: its context, whether its setup run is working, and the exit
// code that run returned. The window's hooks find it as the window's context.
struct WindowRole {
  const ProcessContext& context;
  bool setupRunning = false;
  int exitCode = 0;
};

WindowRole& RoleOfWindow() { return *static_cast<WindowRole*>(StubWinOptionsInUse().context); }

// What the setup run of this process is asked to do.
SetupRequest SetupRequestFor(const ProcessContext& context) {
  const TGFileInfo& own = context.ownPackage;
  SetupRequest request;
  request.packageFile = context.ownPath;
  // A relaunched copy reads the part files of the setup that started it.
  if (std::string firstPart = context.Param("/SpanDiskFName1="); !firstPart.empty()) request.packageFile = firstPart;
  request.folder = context.workFolder;
  request.agentName = own.InstallsAgent() ? own.GetAgentExeName() : std::string();
  request.extraSwitches = context.cmdParams;
  request.ownPath = context.ownPath;
  request.autoUpdateProg = own.IsAutoUpdateAgent();
  request.foreground = !context.hidden;
  request.infoFile = InfoFilePath(context.ownPath, own);
  request.originalFile = OriginalFilePath(context.ownPath, own);
  return request;
}

// The first timer tick of a plain install stub: runs the whole setup once.
SetupOutcome StartSetupRun(WindowRole& role) {
  const ProcessContext& context = role.context;
  StopMainTimer();
  role.setupRunning = true;
  PrepareWorkFolder(context.workFolder);
  SetupWindowHost host;
  const SetupRequest request = SetupRequestFor(context);
  InetHttpClient client;
  const SetupOutcome outcome = context.ownPackage.IsWebSetup()
                                   ? StartWebSetupRun(request, context.ownPackage, host, client)
                                   : RunSetupPackage(request, host);
  RemoveFolderTree(context.workFolder, false);
  role.setupRunning = false;
  PostQuitMessage(0);
  return outcome;
}

// The stub window with the own package's title and font, whose first tick runs the setup; its exit
// code, or the one saying that without its window the role could not run.
int RunStubWindow(const ProcessContext& context) {
  WindowRole role{context};
  StubWinOptions options = StubWinOptionsFor(context.ownPackage, context.windowClass);
  options.context = &role;
  options.onTimer = [] {
    WindowRole& running = RoleOfWindow();
    running.exitCode = StartSetupRun(running).exitCode;
  };
  // The window's end removes the setup work folder, unless a setup run still works in it: a close
  // during the extraction cancels it, and the run's end removes the folder.
  options.onDestroy = [] {
    const WindowRole& running = RoleOfWindow();
    if (!running.setupRunning) RemoveFolderTree(running.context.workFolder, false);
  };
  if (!StubWin::WinMain(options)) role.exitCode = kExitNoWindow;
  return role.exitCode;
}

// Copies the stub to the hard disk and lets the copy run the setup, so that disks can be changed.
// False when the copy or its start failed; the folder then goes again.
bool SpanDiskRelaunch(const ProcessContext& context) {
  PrepareWorkFolder(context.workFolder);
  // The copy keeps the time stamp, so it computes the same setup work folder.
  const std::string copy = SpanCopyPath(context.workFolder, ExtractFileName(context.ownPath));
  bool started = CopyFileTo(context.ownPath, copy, true);
  if (!started) {
    DebugLn(Pid() + " ==== SpanDisk relaunch: cannot copy to " + copy + ": " + LastErrorText());
  } else {
    const std::string command = copy + " " + SpanRelaunchArgs(context.cmdParams, context.ownPath);
    DebugLn(Pid() + " ==== SpanDisk relaunch >>" + command + "<<");
    KernelHandle process(RunProcess(command, SW_HIDE));
    started = bool(process);
    if (!started) DebugLn(Pid() + " ==== SpanDisk relaunch: cannot start the copy: " + LastErrorText());
  }
  if (!started) RemoveFolderTree(context.workFolder, false);
  return started;
}

// The presentation of every box of the process: the own package's captions and buttons.
MsgBoxTexts OwnMsgBoxTexts(const TGFileInfo& own) {
  MsgBoxTexts texts;
  for (std::string& caption : texts.captions) caption = own.GetLangString(caption, caption);
  texts.buttons = own.GetLangString("BtnText", texts.buttons);
  return texts;
}
}  // namespace

int DoRunStubWin(const ProcessContext& context) {
  WriteStubLog("DoRunStubWin() --- Start");
  const RoleInputs& in = context.roleInputs;
  const bool xWasRunning = FindWindowA(XAgentWindowClass(in.agentExeName).c_str(), nullptr) != nullptr;
  WriteStubLog(std::string("X_ExeIsRunning=") + BoolToText(xWasRunning));
  WriteStubLog(std::string("ThisIs_Plain_AutoUpdate_Exe=") + BoolToText(IsPlainAutoUpdateExe(in)));
  WriteStubLog(std::string("ThisIs_X_AutoUpdate_Exe=") + BoolToText(IsXAutoUpdateExe(in)));

  const StubRole role = context.role;
  // One window per class: a second start of the same setup file (or agent) does no work. A
  // relaunching setup file has no window of its own; its run is the copy's window (whose class is
  // the copy's path), and relaunching again would remake the setup work folder under that run.
  const std::string runningClass = role == StubRole::SpanRelaunch
                                       ? SpanCopyPath(context.workFolder, ExtractFileName(context.ownPath))
                                       : context.windowClass;
  const bool anotherRuns = FindWindowA(runningClass.c_str(), nullptr) != nullptr;
  DebugLn(Pid() + " ==== Role=" + RoleName(role) + (anotherRuns ? " (another instance runs)" : ""));
  int exitCode = 0;
  if (!anotherRuns) {
    switch (role) {
      case StubRole::PlainAgent:
        CreateAndRun_X_Exe(context, xWasRunning);
        break;
      case StubRole::XAgent:
        exitCode = RunXAgent(context);
        WriteStubLog("DeleteMySelf");
        DeleteMySelf(false, false);
        break;
      case StubRole::SpanRelaunch:
        if (!SpanDiskRelaunch(context)) exitCode = kExitRelaunchFailed;
        break;
      case StubRole::PlainStub:
        exitCode = RunStubWindow(context);
        if (DeletesItselfAfterRun(in.spanCdLvl)) DeleteMySelf(true, false);
        break;
    }
  }
  if (role == StubRole::PlainAgent) HandleParamOK(context, xWasRunning);
  WriteStubLog("DoRunStubWin() --- End");
  return exitCode;
}

int RunStub() {
  const std::string pid = Pid();
  const ProcessContext context = MakeProcessContext(OwnExePath(), RawCommandLine());
  DebugLn(pid + " ==== STUB START ====> " + context.cmdLine + "<");
  const bool agent = context.roleInputs.autoUpdateProg;
  SetLogEnabled(agent && context.ownPackage.IsAgentLogEnabled());
  if (IsXAutoUpdateExe(context.roleInputs)) SetLogMarker(" X ");
  WriteStubLog("");
  WriteStubLog("");
  WriteStubLog("=== START === " + context.ownPath);
  WriteStubLog("CommandLine=" + context.cmdLine);
  WriteStubLog("Agent Version=" + FileVersionText(""));
  DebugLn(pid + " ==== ThisIs_AutoUpdateProg=" + BoolToText(agent));
  const MsgBoxTexts boxTexts = OwnMsgBoxTexts(context.ownPackage);
  SetMsgBoxTexts(&boxTexts);
  const int exitCode = DoRunStubWin(context);
  SetMsgBoxTexts(nullptr);
  DebugLn(pid + " ==== STUB END ====> " + context.cmdLine + "<");
  DebugLn();
  WriteStubLog("=== EXIT === " + context.ownPath);
  WriteStubLog("");
  return exitCode;
}
