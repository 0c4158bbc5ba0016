// The engine's start and waits, and the completion atom it deletes to report success.
#include "setup/win32/EngineProcess.h"

#include <windows.h>

#include "platform/System.h"
#include "util/MessagePump.h"
#include "util/Process.h"
#include "util/Utils.h"
#include "util/VDebug.h"
#include "util/win32/StartProcess.h"

EngineRun RunEngineProcess(const EngineStart& start, SetupHost& host) {
  // Only an atom that was there for the engine to delete can report a completed installation.
  const bool atomAdded = GlobalAddAtomA(start.atomName.c_str()) != 0;
  if (!atomAdded) DebugLn("Completion atom not added, error " + IntToStr(int64_t(GetLastError())));
  EngineRun run;
  KernelHandle process = RunProcess(start.command, start.show ? SW_SHOW : SW_HIDE);
  run.started = bool(process);
  if (!run.started) run.systemError = LastErrorText();
  host.ShowWindow(false);
  host.WaitPumping(1, 1000);
  WaitForProcess(process.get());
  DWORD code = 0;
  if (process && GetExitCodeProcess(process.get(), &code)) run.exitCode = int(code);
  // The engine's last dialogs may outlive its process (a reboot question left by a child).
  WaitWhileWindowExists(start.dialogClass, "");
  host.WaitPumping(1, 1000);
  ATOM atom = GlobalFindAtomA(start.atomName.c_str());
  run.completed = atomAdded && atom == 0;
  if (atom) GlobalDeleteAtom(atom);
  return run;
}
