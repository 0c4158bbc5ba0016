// Placeholders of the agent's start-up seam (see RolesAgent.h): the agent roles are recognised
// and bracketed by their log lines, but do no work yet.
#include "stub/RolesAgent.h"

#include "util/VDebug.h"

void CreateAndRun_X_Exe() { DebugLn("CreateAndRun_X_Exe: the agent copy is not part of this build"); }
void HandleParamOK(bool) { DebugLn("HandleParamOK: agent control switches are not part of this build"); }
void CheckTestMode(bool) {}
void AgentTimerTick() {}
