// Win32 side of the helpers that ask the system: the code page's lead bytes and the fixed file
// version of a version resource.
#include <windows.h>

#include <vector>

#include "util/Utils.h"

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

std::string FileVersionText(std::string_view path) {
  const std::string file = path.empty() ? OwnExePath() : std::string(path);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  char root[] = "\\";
  if (!VerQueryValueA(block.data(), root, reinterpret_cast<void**>(&info), &infoSize) || !info ||
      infoSize < sizeof(VS_FIXEDFILEINFO))
    return {};
  char text[64];
  wsprintfA(text, "%d.%d.%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
            HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
  return text;
}
