// Starting a program and waiting for it on Win32 (the setup run's engine, the span-disk copy).
#pragma once
#include <windows.h>

#include <string_view>

#include "platform/win32/Handles.h"

// Starts the command line (program and arguments in one text) with the given show state; no
// handle inheritance, the caller's environment and folder. The process handle, empty on failure
// (GetLastError tells why).
KernelHandle RunProcess(std::string_view commandLine, int showState);
// Waits until the process has ended, dispatching the thread's messages as they arrive.
void WaitForProcess(HANDLE process);
