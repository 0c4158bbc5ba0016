// The process-wide critical section behind CriticalSectionLock (platform/System.h), for the Win32
// code that needs the section itself.
#pragma once
#include <windows.h>

// Initialised in place on first use; lives until the process ends.
CRITICAL_SECTION* ProcessCriticalSection();
