// File operations on Win32.
#include <windows.h>

#include "platform/win32/Handles.h"
#include "util/Files.h"

bool AppendText(std::string_view path, std::string_view text) {
  std::string p(path);
  FileHandle f(CreateFileA(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  SetFilePointer(f.get(), 0, nullptr, FILE_END);
  DWORD written = 0;
  return WriteFile(f.get(), text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
}
