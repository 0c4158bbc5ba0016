// Win32 pieces of package file access.
#include "pack/PackFile.h"

#include <windows.h>

// The C runtime's fopen opens with full sharing (_SH_DENYNO), which lets the stub read its own
// running image and lets others write a part file while it is read.
std::FILE* OpenFileShared(std::string_view path) { return std::fopen(std::string(path).c_str(), "rb"); }

bool SeekFile64(std::FILE* file, int64_t offset, int whence) { return fseeko64(file, offset, whence) == 0; }
int64_t TellFile64(std::FILE* file) { return ftello64(file); }

uint32_t QueryClusterSize(std::string_view path) {
  std::string root(path.substr(0, 3));
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) return 0;
  return sectorsPerCluster * bytesPerSector;
}
