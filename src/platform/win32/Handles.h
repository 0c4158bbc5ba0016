// RAII wrappers for Win32 handles: move-only, each with its own invalid value, so that no early
// return needs a hand-written close.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <utility>

// Traits supply the handle type, its invalid value and how to close it.
template <typename Traits>
class UniqueHandle {
  using T = typename Traits::Type;
  static T Invalid() { return Traits::Invalid(); }


 public:
  UniqueHandle() = default;
  explicit UniqueHandle(T h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, Invalid()));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  T get() const { return h_; }
  explicit operator bool() const { return h_ != Invalid(); }
  T release() { return std::exchange(h_, Invalid()); }
  void reset(T h = Invalid()) {
    if (h_ != Invalid()) Traits::Close(h_);
    h_ = h;
  }

 private:
  T h_ = Invalid();
};

#define VELKIT_HANDLE_TRAITS(Name, HandleType, InvalidValue, CloseCall)  \
  struct Name {                                                          \
    using Type = HandleType;                                             \
    static Type Invalid() { return InvalidValue; }                       \
    static void Close(Type h) { CloseCall(h); }                          \
  }

VELKIT_HANDLE_TRAITS(KernelTraits, HANDLE, nullptr, ::CloseHandle);
VELKIT_HANDLE_TRAITS(FileTraits, HANDLE, INVALID_HANDLE_VALUE, ::CloseHandle);
VELKIT_HANDLE_TRAITS(FindTraits, HANDLE, INVALID_HANDLE_VALUE, ::FindClose);
VELKIT_HANDLE_TRAITS(RegKeyTraits, HKEY, nullptr, ::RegCloseKey);
VELKIT_HANDLE_TRAITS(ModuleTraits, HMODULE, nullptr, ::FreeLibrary);
VELKIT_HANDLE_TRAITS(GdiTraits, HGDIOBJ, nullptr, ::DeleteObject);
VELKIT_HANDLE_TRAITS(AtomTraits, ATOM, ATOM(0), ::GlobalDeleteAtom);
VELKIT_HANDLE_TRAITS(InternetTraits, HINTERNET, nullptr, ::InternetCloseHandle);
#undef VELKIT_HANDLE_TRAITS

// Kernel objects whose failure value is NULL (processes, threads, events).
using KernelHandle = UniqueHandle<KernelTraits>;
// Files, whose failure value is INVALID_HANDLE_VALUE.
using FileHandle = UniqueHandle<FileTraits>;
using FindHandle = UniqueHandle<FindTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using ModuleHandle = UniqueHandle<ModuleTraits>;
using GdiObject = UniqueHandle<GdiTraits>;
using GlobalAtom = UniqueHandle<AtomTraits>;
using InternetHandle = UniqueHandle<InternetTraits>;
