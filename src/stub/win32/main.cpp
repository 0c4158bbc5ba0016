// Entry point of stub.exe: turns the process's inputs into one call and ends with its result.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "stub/Stub.h"
#include "util/win32/WinSys.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before any window exists, with the system's "file not found" box kept away.
  PreloadSystemLibraries();
  return RunStub();
}

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

// libstdc++'s operator new raises std::bad_alloc, and that one throw alone brings the unwinder and
// its tables into the stub (about 40 KB). A stub that runs out of memory cannot go on either way.
void* operator new(size_t size) {
  if (void* block = std::malloc(size ? size : 1)) return block;
  ExitProcess(255);
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }

// MinGW routes snprintf to its own C99 printf engine, which brings floating-point conversion code
// (about 28 KB) into a static stub. The stub's formats are the plain ones (d, u, lu, x, s, c, .Nf),
// which the system's msvcrt formats the same way, so the stub uses msvcrt's engine behind the C99
// contract: the result is the length the whole text needs, and the buffer always ends in NUL.
// (msvcrt before Vista knows no %ll and %z; stub code uses IntToStr for 64-bit numbers.)
extern "C" int __mingw_vsnprintf(char* buffer, size_t size, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int needed = _vscprintf(format, copy);
  va_end(copy);
  if (size > 0) {
    _vsnprintf(buffer, size, format, args);
    buffer[needed >= 0 && size_t(needed) < size ? size_t(needed) : size - 1] = '\0';
  }
  return needed;
}
