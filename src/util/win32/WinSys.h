// Window-system helpers of the Win32 layer: run-time library lookups, the start-up preload, the
// AutoPlay cancel message, placement and sizes, window texts and shell starts.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

// Loads the library (it stays loaded) and looks the entry up; nullptr when either is missing.
FARPROC LoadProc(const char* library, const char* entry, HMODULE* module = nullptr);
// LoadProc typed as the entry's real signature.
template <typename Function>
Function LoadProcAs(const char* library, const char* entry) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(LoadProc(library, entry)));
}
// Loads the libraries the program's windows rely on, before any window exists, with the system's
// "file not found" box suppressed. Each program calls it first thing; later calls do nothing.
void PreloadSystemLibraries();
// With on, registers "QueryCancelAutoPlay" and keeps its id; off forgets it (0).
void EnableAutoPlayCancel(bool on);
UINT AutoPlayCancelMessage();
// Top-left corner that centres a width x height box in the desktop's work area.
POINT CenterInWorkArea(int width, int height);
int PointsToPixels(int points);
std::string GetWindowTextStr(HWND wnd);
// ShellExecute with the default verb; true when the system reports success.
bool ShellOpen(std::string_view file, std::string_view parameters, int showCommand);
