// Process start and wait of the setup run.
#include "pack/win32/StubSetupWin.h"
#include "util/IniReg.h"

KernelHandle RunProcess(std::string_view commandLine, int showState) {
  std::string command(commandLine);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = WORD(showState);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
  CloseHandle(pi.hThread);
  return KernelHandle(pi.hProcess);
}

void WaitForProcess(HANDLE process) {
  DWORD code = 0;
  while (process && GetExitCodeProcess(process, &code) && code == STILL_ACTIVE) WaitPumping(0, 500);
}
