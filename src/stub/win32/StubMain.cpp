// The stub's main routine and its role decision: start lines, own package, which of the four
// roles this process plays, end lines, exit code.
#include <windows.h>

#include "agent/StubGlob.h"
#include "pack/PackFile.h"
#include "pack/PackX.h"
#include "pack/StubSetup.h"
#include "pack/win32/StubSetupWin.h"
#include "platform/System.h"
#include "stub/CmdLine.h"
#include "stub/Roles.h"
#include "stub/RolesAgent.h"
#include "stub/Stub.h"
#include "stub/StubWin.h"
#include "util/Files.h"
#include "util/IniReg.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {
std::string Pid() { return IntToStr(CurrentProcessId()); }

// The stub window with the own package's title and font; onTimer drives the role. Without its
// window the role cannot run, and the exit code says so.
void RunStubWindow(void (*onTimer)()) {
  const TGFileInfo& own = OwnPackage();
  StubWinOptions options;
  options.className = StubWindowClassName();
  options.title = own.GetLangString("s0", "Velkit Installation Suite");
  options.fontName = own.GetFontName();
  options.fontSize = own.GetFontSize();
  options.charset = own.GetCharset();
  options.onTimer = onTimer;
  // The window's end removes the setup work folder (made first if this process had none), unless
  // a setup run still works in it: a close during the extraction cancels it, and the run's end
  // removes the folder.
  options.onDestroy = [] {
    if (!SetupRunInProgress()) RemoveFolderTree(SetupWorkFolder(), false);
  };
  if (!StubWin::WinMain(options)) SetStubExitCode(kExitNoWindow);
}

// The relaunched copy's path, computed without touching the setup work folder: the copy keeps the
// time stamp, so it computes the same folder.
std::string SpanCopyOfOwnFile() {
  const std::string ownPath = OwnExePath();
  return SpanCopyPath(SetupWorkFolderFor(GetTempDir(true), GetFileDosTime(ownPath)), ExtractFileName(ownPath));
}

// Copies the stub to the hard disk and lets the copy run the setup, so that disks can be changed.
// False when the copy or its start failed; the folder then goes again.
bool SpanDiskRelaunch() {
  const std::string ownPath = OwnExePath();
  const std::string folder = SetupWorkFolder();
  const std::string copy = SpanCopyPath(folder, ExtractFileName(ownPath));
  bool started = CopyFileTo(ownPath, copy, true);
  if (!started) {
    DebugLn(Pid() + " ==== SpanDisk relaunch: cannot copy to " + copy + ": " + LastSystemErrorText());
  } else {
    const std::string command = copy + " " + SpanRelaunchArgs(GetCmdParams(), ownPath);
    DebugLn(Pid() + " ==== SpanDisk relaunch >>" + command + "<<");
    KernelHandle process(RunProcess(command, SW_HIDE));
    started = bool(process);
    if (!started) DebugLn(Pid() + " ==== SpanDisk relaunch: cannot start the copy: " + LastSystemErrorText());
  }
  if (!started) RemoveFolderTree(folder, false);
  return started;
}
}  // namespace

void DoRunStubWin() {
  WriteStubLog("DoRunStubWin() --- Start");
  const std::string ownPath = OwnExePath();
  RoleInputs in;
  in.autoUpdateProg = ThisIs_AutoUpdateProg();
  in.wantsSpanRelaunch = OwnPackage().WantsSpanRelaunch();
  in.spanCdLvl = int(ReadParamInt("/SpanCdLvl=", 1));
  in.ownName = ExtractFileName(ownPath);
  in.agentExeName = OwnPackage().GetAgentExeName();
  SetStubWindowClassName(StubWindowClassFor(in.autoUpdateProg, ownPath));

  const bool xWasRunning = FindWindowA(XAgentWindowClass(in.agentExeName).c_str(), nullptr) != nullptr;
  WriteStubLog(std::string("X_ExeIsRunning=") + BoolToText(xWasRunning));
  WriteStubLog(std::string("ThisIs_Plain_AutoUpdate_Exe=") + BoolToText(IsPlainAutoUpdateExe(in)));
  WriteStubLog(std::string("ThisIs_X_AutoUpdate_Exe=") + BoolToText(IsXAutoUpdateExe(in)));

  const StubRole role = DecideRole(in);
  // One window per class: a second start of the same setup file (or agent) does no work. A
  // relaunching setup file has no window of its own; its run is the copy's window, and relaunching
  // again would remake the setup work folder under that run.
  const std::string runningClass = role == StubRole::SpanRelaunch ? SpanCopyOfOwnFile() : StubWindowClassName();
  const bool anotherRuns = FindWindowA(runningClass.c_str(), nullptr) != nullptr;
  DebugLn(Pid() + " ==== Role=" + RoleName(role) + (anotherRuns ? " (another instance runs)" : ""));
  if (!anotherRuns) {
    switch (role) {
      case StubRole::PlainAgent:
        CreateAndRun_X_Exe();
        break;
      case StubRole::XAgent:
        WriteStubLog("CheckTestMode");
        CheckTestMode(true);
        WriteStubLog("WinMain");
        RunStubWindow(AgentTimerTick);
        WriteStubLog("DeleteMySelf");
        DeleteMySelf(false, false);
        break;
      case StubRole::SpanRelaunch:
        if (!SpanDiskRelaunch()) SetStubExitCode(kExitRelaunchFailed);
        break;
      case StubRole::PlainStub:
        RunStubWindow(StartSetupRun);
        if (DeletesItselfAfterRun(in.spanCdLvl)) DeleteMySelf(true, false);
        break;
    }
  }
  if (role == StubRole::PlainAgent) HandleParamOK(xWasRunning);
  WriteStubLog("DoRunStubWin() --- End");
}

int RunStub() {
  const std::string pid = Pid();
  const std::string cmdLine = RawCommandLine();
  const std::string ownPath = OwnExePath();
  DebugLn(pid + " ==== STUB START ====> " + cmdLine + "<");
  OpenOwnPackage();
  SetLogEnabled(ThisIs_AutoUpdateProg() && OwnPackage().IsAgentLogEnabled());
  if (ThisIs_X_AutoUpdate_Exe()) SetLogMarker(" X ");
  WriteStubLog("");
  WriteStubLog("");
  WriteStubLog("=== START === " + ownPath);
  WriteStubLog("CommandLine=" + cmdLine);
  WriteStubLog("Agent Version=" + FileVersionText(""));
  DebugLn(pid + " ==== ThisIs_AutoUpdateProg=" + BoolToText(ThisIs_AutoUpdateProg()));
  DoRunStubWin();
  CloseOwnPackage();
  DebugLn(pid + " ==== STUB END ====> " + cmdLine + "<");
  DebugLn();
  WriteStubLog("=== EXIT === " + ownPath);
  WriteStubLog("");
  return StubExitCode();
}
