// vkprobe's sample application (see WindowApp.cpp).
#pragma once

// Runs the sample application until it is closed or quit; its exit code.
int RunWindowApp(const char* infoFile, bool withDialog);
