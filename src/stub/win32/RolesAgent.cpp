// The agent roles on Win32: the plain agent's copy and switch forwarding, and the X agent's
// window, whose timer drives AgentCycle and whose control messages it answers.
#include "stub/RolesAgent.h"

#include <windows.h>

#include "agent/AgentCycle.h"
#include "agent/IniStore.h"
#include "agent/StubGlob.h"
#include "agent/UpdateShot.h"
#include "agent/win32/AgentUpdateHost.h"
#include "env/SystemEnvironment.h"
#include "net/InetHTTP.h"
#include "pack/PackX.h"
#include "platform/System.h"
#include "setup/StubSetup.h"
#include "stub/CmdLine.h"
#include "stub/Stub.h"
#include "stub/StubWin.h"
#include "stub/win32/SetupWindowHost.h"
#include "util/Files.h"
#include "util/MessagePump.h"
#include "util/Process.h"
#include "util/Utils.h"
#include "util/VDebug.h"
#include "util/win32/StartProcess.h"

namespace {
std::string Pid() { return IntToStr(CurrentProcessId()); }

std::string XPath(const ProcessContext& context) {
  return ExtractFileDir(context.ownPath) + "\\X_" + ExtractFileName(context.ownPath);
}

class ShotRunner final : public CheckRunner {
 public:
  explicit ShotRunner(UpdateShot& shot) : shot_(shot) {}
  void Check(int status, bool manual) override { shot_.Run(status, manual); }
  void JustDownloadInfoFile() override {
    DebugLn("-------------- JustDownloadInfoFile ---------------");
    shot_.JustDownloadInfoFile();
  }

 private:
  UpdateShot& shot_;
};

// The X agent's cycle and its check, on RunXAgent's stack while the window runs; the window's
// hooks find them through its options.
struct XAgentRole {
  AgentCycle& cycle;
  CheckRunner& runner;
};
XAgentRole& Role() { return *static_cast<XAgentRole*>(StubWinOptionsInUse().context); }

void PostToController(const AgentCycle& cycle, int32_t code, int32_t argument) {
  if (!cycle.HasController()) return;
  PostMessageA(reinterpret_cast<HWND>(cycle.ReplyWindow()), cycle.ReplyMessage(), WPARAM(uint32_t(code)),
               LPARAM(argument));
}

void OnTick() {
  const AgentCycle::TickResult tick = Role().cycle.Tick(&Role().runner);
  if (!tick.handled || tick.justDownloadInfo) return;
  if (tick.quit) DestroyMainWindow();
}

intptr_t OnControlMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  AgentCycle& cycle = Role().cycle;
  switch (msg) {
    case kShutDownMsg:
      DebugLn(Pid() + " wm_ShutDown " + IntToStr(int32_t(wParam)));
      cycle.ShutDown(int32_t(wParam));
      return 0;
    case kLocalMsg:
      DebugLn(Pid() + " wm_LocalMsg " + IntToStr(int64_t(wParam)) + ":" + IntToStr(int64_t(lParam)));
      cycle.Register(wParam, uint32_t(lParam));
      PostToController(cycle, kReplyWindow, int32_t(MainWindowHandle()));
      PostToController(cycle, kReplyCommandMsg, int32_t(kAgentMsg));
      return 0;
    case kAgentMsg: {
      const int32_t result = cycle.Command(int32_t(wParam), int32_t(lParam));
      DebugLn(Pid() + " wm_AgentMsg " + IntToStr(int32_t(wParam)) + " " + IntToStr(int32_t(lParam)) + " = " +
              IntToStr(result));
      return result;
    }
  }
  return 0;
}
}  // namespace

bool CreateAndRun_X_Exe(const ProcessContext& context, bool xWasRunning) {
  WriteStubLog("CreateAndRun_X_Exe() --- Start");
  const std::string zz = context.Param("/_ZZ=");
  DebugLn(Pid() + " CreateAndRun_X_Exe-1 " + zz);
  const RoleInputs& in = context.roleInputs;
  if (in.autoUpdateProg && !(xWasRunning && zz != "99") && IsPlainAutoUpdateExe(in)) {
    DebugLn(Pid() + " CreateAndRun_X_Exe-2");
    const int64_t wait = ReadParamInt("/WAIT=", 0, context.cmdLine, context.ownPath);
    WriteStubLog("Wait " + IntToStr(wait) + " SEC");
    if (wait > 0) WaitPumping(0, wait * 1000);
    const std::string xPath = XPath(context);
    CopyFileTo(context.ownPath, xPath, true);
    WriteStubLog("Create X_ File ");
    const std::string switches = XCopySwitches(context.Param("/TRANSIENT="), context.Param("/DELAY="));
    const std::string command = QuotedProgram(xPath) + switches;
    WriteStubLog("WinExec: " + command);
    KernelHandle process(RunProcess(command, SW_HIDE));
    if (!process) DebugLn(Pid() + " cannot start " + xPath + ": " + LastErrorText());
    // Switches are forwarded next, so the X copy must be there to take them: a running process
    // is not enough, a message posted before its window exists is lost.
    if (!context.cmdParams.empty()) {
      const std::string xClass = XAgentWindowClass(context.roleInputs.agentExeName);
      const int64_t start = TickMs();
      while (!(IsProcessRunning(xPath) && FindWindowA(xClass.c_str(), nullptr)) && TickMs() - start <= 3000)
        WaitPumping(0, 200);
    }
  }
  WriteStubLog("CreateAndRun_X_Exe() --- End");
  return xWasRunning;
}

bool HandleParamOK(const ProcessContext& context, bool xWasRunning) {
  WriteStubLog("HandleParamOK() --- Start");
  bool posted = false;
  const std::string xPath = XPath(context);
  const bool xExists = FileExists(xPath);
  const int64_t stop = ReadParamInt("/STOP=", -1, context.cmdLine, context.ownPath);
  if (stop >= 0 && xExists) {
    WriteStubLog("PostProcessMessage(wm_ShutDown) to: " + xPath);
    DebugLn(Pid() + " post wm_ShutDown " + IntToStr(stop));
    PostProcessMessage(xPath, true, kShutDownMsg, uintptr_t(stop), 0);
    posted = true;
  }
  if (const std::string v = context.Param("/WM_MSG="); !v.empty() && xExists) {
    const LocalMsgArgs args = ParseWmMsg(v);
    WriteStubLog("PostProcessMessage(wm_LocalMsg) to: " + xPath + " - :" + v + ":");
    PostProcessMessage(xPath, true, kLocalMsg, uintptr_t(args.window), intptr_t(args.message));
    posted = true;
  }
  const int64_t test = ReadParamInt("/TEST=", -1, context.cmdLine, context.ownPath);
  if (test >= 0 && xExists) {
    WriteStubLog("PostProcessMessage(wm_AgentMsg) to: " + xPath + " - AU_PerformUpdateCycle (" + IntToStr(test) + ")");
    PostProcessMessage(xPath, true, kAgentMsg, 31, intptr_t(test));
    if (!xWasRunning && test > 0) PostProcessMessage(xPath, true, kShutDownMsg, 2, 0);
    posted = true;
  }
  // The plain agent's own overrides end with it; the X copy reads the list itself.
  WriteStubLog("HandleParamOK() --- End");
  return posted;
}

int RunXAgent(const ProcessContext& context) {
  IniFileStore ini;
  OverrideList overrides;
  OriginalFile original(ini, OriginalFilePath(context.ownPath, context.ownPackage));
  InfoFile info(ini, InfoFilePath(context.ownPath, context.ownPackage), overrides);
  SystemEnvironment env([&context] { return context.Param("/OriginExe="); });
  TestMode testMode(env, SystemClock());
  AgentCycle agentCycle(original, info, overrides, testMode, SystemClock());
  SetupWindowHost setupHost;
  InetHttpClient client;
  AgentUpdateHost host({context.ownPath, context.ownPackage, original, info, agentCycle, setupHost, env, SystemClock(),
                        client, [] { return reinterpret_cast<HWND>(MainWindowHandle()); },
                        [&agentCycle](int code, int argument) { PostToController(agentCycle, code, argument); }});
  UpdateShot shot(
      original, info, overrides, testMode, SystemClock(),
      {ExtractFileDir(context.ownPath) + "\\", context.ownPackage.GetAgentExeName(), context.ownPackage.GetInfoUrl()},
      host, host, [&agentCycle] { return agentCycle.QuitCountdown(); });
  ShotRunner shotRunner(shot);
  XAgentRole role{agentCycle, shotRunner};
  WriteStubLog("CheckTestMode");
  testMode.CheckTestMode(true);
  // A restart hands the overrides over on the command line; without reading them here they
  // would be lost with the plain agent that passed them on.
  if (const std::string list = context.Param("/TRANSIENTx="); !list.empty()) overrides.ReadText(list);
  agentCycle.SetSleep(ReadParamInt("/SleepX=", -1, context.cmdLine, context.ownPath));
  DebugLn(Pid() + " Overrides=" + overrides.ToText());

  WriteStubLog("WinMain");
  StubWinOptions options = StubWinOptionsFor(context.ownPackage, context.windowClass);
  options.onTimer = OnTick;
  options.onControlMessage = OnControlMessage;
  // No onDestroy: the X agent made no setup work folder, and one of the same name belongs to a
  // setup of the same time stamp.
  options.onLoopEnd = [] { PostToController(Role().cycle, kReplyLoopEnded, 0); };
  options.context = &role;
  const bool ran = StubWin::WinMain(options);
  return ran ? 0 : kExitNoWindow;
}
