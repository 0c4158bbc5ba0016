// Entry point of stub.exe: turns the process's inputs into one call and ends with its result.
#include <windows.h>

#include "stub/Stub.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunStub(); }

// libstdc++'s default terminate handler prints a demangled type name, which drags the whole
// demangler into a static build. The stub has nobody to print to, so end the process plainly.
namespace __gnu_cxx {
void __verbose_terminate_handler() { ExitProcess(255); }
}  // namespace __gnu_cxx
