// Placeholders of the agent's start-up seam (see RolesAgent.h): the agent roles are recognised
// and bracketed by their log lines, but do no work yet.
#include "stub/RolesAgent.h"

#include "stub/StubWin.h"
#include "util/VDebug.h"

void CreateAndRun_X_Exe() { DebugLn("CreateAndRun_X_Exe: the agent copy is not part of this build"); }
void HandleParamOK(bool) { DebugLn("HandleParamOK: agent control switches are not part of this build"); }
void CheckTestMode(bool) {}
// Without the update cycle an X agent has nothing to wait for: it ends on its first tick instead
// of lingering as an invisible process.
void AgentTimerTick() {
  DebugLn("AgentTimerTick: the update cycle is not part of this build; the agent ends");
  DestroyMainWindow();
}
