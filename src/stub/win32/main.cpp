// Entry point of stub.exe: turns the process's inputs into one call and ends with its result.
#include <windows.h>

#include "stub/Stub.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunStub(); }

// libstdc++'s default terminate handler prints a demangled type name, which drags the whole
// demangler into a static build. The stub has nobody to print to, so end the process plainly.
namespace __gnu_cxx {
void __verbose_terminate_handler() { ExitProcess(255); }
}  // namespace __gnu_cxx

// The container helpers of libstdc++ report misuse (a length beyond max_size, an index out of
// range, a failed allocation) through these. The library's own versions build std::logic_error
// and friends, which pulls in the reference-counted string, its locale-aware formatting and the
// whole stdexcept family: about 80 KB of a stub that never catches them. Nothing in the stub
// recovers from such a fault, so each ends the process as an uncaught exception would.
namespace std {
[[noreturn]] void __throw_bad_alloc() { ExitProcess(255); }
[[noreturn]] void __throw_bad_array_new_length() { ExitProcess(255); }
[[noreturn]] void __throw_length_error(const char*) { ExitProcess(255); }
[[noreturn]] void __throw_logic_error(const char*) { ExitProcess(255); }
[[noreturn]] void __throw_out_of_range(const char*) { ExitProcess(255); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { ExitProcess(255); }
[[noreturn]] void __throw_invalid_argument(const char*) { ExitProcess(255); }
[[noreturn]] void __throw_bad_function_call() { ExitProcess(255); }
[[noreturn]] void __throw_system_error(int) { ExitProcess(255); }
[[noreturn]] void __throw_runtime_error(const char*) { ExitProcess(255); }
}  // namespace std
