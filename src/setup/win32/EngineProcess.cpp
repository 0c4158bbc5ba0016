// The engine's process: Win32 calls only.
#include "setup/win32/EngineProcess.h"

#include <windows.h>

#include "platform/System.h"
#include "util/Process.h"
#include "util/win32/StartProcess.h"

bool EngineProcess::AddGlobalAtom(const std::string& name, int64_t& error) {
  if (GlobalAddAtomA(name.c_str()) != 0) return true;
  error = int64_t(GetLastError());
  return false;
}

bool EngineProcess::Start(const std::string& command, bool show, std::string& systemError) {
  process_ = RunProcess(command, show ? SW_SHOW : SW_HIDE);
  if (!process_) systemError = LastErrorText();
  return bool(process_);
}

int EngineProcess::WaitForExit() {
  WaitForProcess(process_.get());
  DWORD code = 0;
  const int exitCode = process_ && GetExitCodeProcess(process_.get(), &code) ? int(code) : 0;
  process_.reset();
  return exitCode;
}

void EngineProcess::WaitWhileWindowExists(const std::string& windowClass) { ::WaitWhileWindowExists(windowClass, ""); }

uint16_t EngineProcess::FindGlobalAtom(const std::string& name) { return GlobalFindAtomA(name.c_str()); }

void EngineProcess::DeleteGlobalAtom(uint16_t atom) { GlobalDeleteAtom(atom); }
