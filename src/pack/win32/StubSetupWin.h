// The process starts and waits of the setup run, shared with the span-disk relaunch.
#pragma once
#include <windows.h>

#include <string_view>

#include "platform/win32/Handles.h"

// Starts the command line (program and arguments in one text) with the given show state; no
// handle inheritance, the caller's environment and folder. The process handle, empty on failure.
KernelHandle RunProcess(std::string_view commandLine, int showState);
// Waits until the process has ended, dispatching the thread's messages as they arrive.
void WaitForProcess(HANDLE process);
