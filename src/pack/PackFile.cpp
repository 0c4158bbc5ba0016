// Read-only package file access over the C runtime, shared by the reader and the extraction.
#include "pack/PackFile.h"

#include <algorithm>
#include <utility>

PackFile::PackFile(std::string_view path) : file_(OpenFileShared(path)) {
  if (file_ && SeekFile64(file_, 0, SEEK_END)) size_ = std::max<int64_t>(0, TellFile64(file_));
}

PackFile::~PackFile() { Close(); }

PackFile::PackFile(PackFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), size_(std::exchange(other.size_, 0)) {}

PackFile& PackFile::operator=(PackFile&& other) noexcept {
  if (this != &other) {
    Close();
    file_ = std::exchange(other.file_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

void PackFile::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  size_ = 0;
}

bool PackFile::Seek(int64_t offset) { return file_ && offset >= 0 && SeekFile64(file_, offset, SEEK_SET); }

size_t PackFile::Read(void* buffer, size_t count) {
  if (!file_ || count == 0) return 0;
  return std::fread(buffer, 1, count, file_);
}

bool PackFile::ReadAt(int64_t offset, void* buffer, size_t count) {
  return Seek(offset) && Read(buffer, count) == count;
}

bool PackFile::ReadU32(uint32_t& value) {
  unsigned char b[4];
  if (Read(b, 4) != 4) return false;
  value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  return true;
}

bool PackFile::ReadU32At(int64_t offset, uint32_t& value) { return Seek(offset) && ReadU32(value); }
