// The stub's main routine: start lines, own package, role decision, end lines, exit code.
#pragma once

// Runs the whole process and returns its exit code.
int RunStub();
