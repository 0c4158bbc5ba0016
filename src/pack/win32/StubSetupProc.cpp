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
  if (!process) return;
  // The handle, not the exit code, says whether the process has ended: an engine may well end
  // with 259, the value of STILL_ACTIVE. Each message that arrives meanwhile is dispatched at once.
  while (MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) PumpMessages(0);
}
