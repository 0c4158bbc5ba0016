// Starts a program with an exact command line and returns its exit code. `wine prog args`
// rebuilds a command line from its arguments; tests that need the stub to see one exact text
// write it into a file and run
//   launch.exe <file>
// The file's first line is the command line; an optional second line is the working folder.
// Prints the child's process id on standard output, and once it has ended "exit=" and its whole
// exit code (the launcher's own exit code, as Wine hands it on, keeps only its low 8 bits); exit
// code 255 when the start failed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "../common/Help.h"

constexpr const char* kUsage = R"(usage: launch FILE
Starts the command line on FILE's first line (in the folder on its optional second line), prints
the child's process id and, once it has ended, "exit=" and its exit code; 255 when the start failed.
)";

int main(int argc, char** argv) {
  if (PrintHelpIfAsked(argc, argv, kUsage)) return 0;
  if (argc < 2) return 255;
  FILE* f = std::fopen(argv[1], "rb");
  if (!f) return 255;
  std::string text;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
  std::fclose(f);
  size_t eol = text.find_first_of("\r\n");
  std::string cmd = text.substr(0, eol);
  std::string dir;
  if (eol != std::string::npos) {
    size_t start = text.find_first_not_of("\r\n", eol);
    if (start != std::string::npos) dir = text.substr(start, text.find_first_of("\r\n", start) - start);
  }
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.empty() ? nullptr : dir.c_str(),
                      &si, &pi))
    return 255;
  std::printf("%lu\n", pi.dwProcessId);
  std::fflush(stdout);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 255;
  GetExitCodeProcess(pi.hProcess, &code);
  std::printf("exit=%lu\n", code);
  std::fflush(stdout);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return int(code);
}
