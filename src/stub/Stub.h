// The stub's main routine and the process-wide state it sets up: the own package, the role
// predicates, the window class name and the exit code.
#pragma once
#include <string>

class TGFileInfo;

// Runs the whole process: start lines, own package, role, end lines. Returns the exit code.
int RunStub();
// Picks the role and runs it (Win32).
void DoRunStubWin();

// The reader over the running executable's package; opened on first use when RunStub has not
// opened it (tests, tools).
const TGFileInfo& OwnPackage();
// The package's auto-update flag; false when the file carries no package.
bool ThisIs_AutoUpdateProg();
// Own name equals the AU name / "X_" + AU name.
bool ThisIs_Plain_AutoUpdate_Exe();
bool ThisIs_X_AutoUpdate_Exe();
// The class of the stub window, fixed by DoRunStubWin (".AutoUpdate." + own stem, or the own
// path); the single-instance test looks for it.
const std::string& StubWindowClassName();
void SetStubWindowClassName(const std::string& name);
// The process exit code: 0 unless a setup run stored one.
int StubExitCode();
void SetStubExitCode(int code);

// Opens / frees the own package reader (the main routine's steps).
void OpenOwnPackage();
void CloseOwnPackage();
