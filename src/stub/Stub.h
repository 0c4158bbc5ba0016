// The stub's main routine and the one context of its process: built once by the entry from the
// process's inputs (own path, command line, the package appended to the own file) and handed down
// to the role that runs, which returns the process's exit code.
#pragma once
#include <string>
#include <string_view>

#include "pack/PackX.h"
#include "stub/Roles.h"

struct ProcessContext {
  std::string ownPath;    // full path of the running executable
  std::string cmdLine;    // the raw command line, program path included
  std::string cmdParams;  // the parameter part (GetCmdParams)
  TGFileInfo ownPackage;  // read once, alive for the whole run
  RoleInputs roleInputs;
  StubRole role = StubRole::PlainStub;
  std::string windowClass;  // one stub window of this class per setup file or agent
  std::string workFolder;   // the setup work folder's name; made only by the role that uses it
  bool hidden = false;      // "/hide" or the package's hide flag: a silent run

  // A switch of this process's command line (see CmdLine.h).
  std::string Param(std::string_view name) const;
  bool HasParam(std::string_view name) const;
};

// Everything the process knows at its start, from its own path and raw command line.
ProcessContext MakeProcessContext(std::string ownPath, std::string rawCmdLine);

// Runs the whole process: start lines, context, role, end lines. Returns the exit code.
int RunStub();
// Picks the role and runs it (Win32); the process's exit code.
int DoRunStubWin(const ProcessContext& context);
