// Host pieces of package file access; a "\" in a path is taken as a folder separator, as in the
// host file layer.
#include "pack/PackFile.h"

#include <sys/statvfs.h>

#include <cerrno>
#include <cstring>

static std::string NativePath(std::string_view path) {
  std::string p(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

std::FILE* OpenFileShared(std::string_view path) { return std::fopen(NativePath(path).c_str(), "rb"); }

bool SeekFile64(std::FILE* file, int64_t offset, int whence) { return fseeko(file, off_t(offset), whence) == 0; }
int64_t TellFile64(std::FILE* file) { return ftello(file); }

uint32_t QueryClusterSize(std::string_view path) {
  struct statvfs info;
  if (statvfs(NativePath(path).c_str(), &info) != 0) return 0;
  return uint32_t(info.f_bsize);
}
