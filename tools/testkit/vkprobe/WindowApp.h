// vkprobe's window programs (see WindowApp.cpp).
#pragma once
#include <cstdint>

// Runs the sample application until it is closed or quit; its exit code.
int RunWindowApp(const char* infoFile, bool withDialog);
// Creates a "VkProbePump" window and waits ms milliseconds with WaitPumping.
int RunPumpedWait(int64_t ms);
// Sends WM_APP with wParam to the window of that class and prints its answer; 1 when none came.
int SendToWindow(const char* windowClass, unsigned long wParam);
