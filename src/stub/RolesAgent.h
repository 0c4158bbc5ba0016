// The auto-update agent's roles at start-up: the plain agent makes and addresses its "X_" copy,
// the X agent runs the update cycle in its hidden window.
#pragma once

struct ProcessContext;

// Plain agent: starts (or, with "/_ZZ=99", replaces) the "X_" copy. Returns xWasRunning.
bool CreateAndRun_X_Exe(const ProcessContext& context, bool xWasRunning);
// Plain agent, after its role (also when another instance ran): forwards the control switches to
// the X copy. xWasRunning: whether the X copy's window existed before this process acted. True
// when a message was posted.
bool HandleParamOK(const ProcessContext& context, bool xWasRunning);
// X agent: its window with the once-a-second cycle until it is told to quit; the exit code.
int RunXAgent(const ProcessContext& context);
