// The seam where the auto-update agent plugs into start-up: what the plain agent and the X agent
// do inside DoRunStubWin. The agent copy, its control messages and the update cycle are built
// separately; until then these do nothing but say so on the debug channel.
#pragma once

// Plain agent: start (or restart) the "X_" copy.
void CreateAndRun_X_Exe();
// Plain agent, after its role (also when another instance ran): forward the control switches to
// the X copy. xWasRunning: whether the X copy's window existed before this process acted.
void HandleParamOK(bool xWasRunning);
// X agent: the test-mode check before its window runs (force: read afresh).
void CheckTestMode(bool force);
// X agent: one tick of the update cycle (timer 1 of the stub window).
void AgentTimerTick();
