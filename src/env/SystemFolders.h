// The Windows-generation folders that macros name besides the shell folders: the 16-bit system
// folder, the fonts folder, and three folders the registry records. No trailing backslash unless
// the registry value carries one.
#pragma once
#include <string>

#include "env/Environment.h"

// The system folder without its last "32" when that folder exists; else the Windows folder's
// "System" when that exists; else the system folder itself.
std::string GetSystem16Dir(const Environment& env);
// The user's registered "Fonts" shell folder when it exists; else the Windows folder's "Fonts".
std::string GetFontDir(const Environment& env);
// "ProgramFilesDir" and "CommonFilesDir" of the machine's CurrentVersion key; empty when missing.
std::string GetProgramFilesDir(const Environment& env);
std::string GetCommonFilesDir(const Environment& env);
// The user's registered "Start Menu" shell folder; empty when missing.
std::string GetStartMenuDir(const Environment& env);
