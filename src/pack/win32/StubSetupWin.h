// The process starts and waits of the setup run, shared with the span-disk relaunch.
#pragma once
#include <windows.h>

#include <string_view>

#include "platform/win32/Handles.h"

// Starts the command line (program and arguments in one text) with the given show state; no
// handle inheritance, the caller's environment and folder. The process handle, empty on failure.
KernelHandle RunProcess(std::string_view commandLine, int showState);
// Waits, dispatching messages in 500 ms slices, while the process is still active.
void WaitForProcess(HANDLE process);
