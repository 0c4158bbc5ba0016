// Read-only package file access over the C runtime, shared by the reader and the extraction.
#include "pack/PackFile.h"

#include <algorithm>
#include <utility>

PackFile::PackFile(std::string_view path) : file_(OpenFileShared(path)) {
  if (file_ && SeekFile64(file_, 0, SEEK_END)) size_ = std::max<int64_t>(0, TellFile64(file_));
}

PackFile::~PackFile() { Close(); }

PackFile::PackFile(PackFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      pos_(std::exchange(other.pos_, -1)) {}

PackFile& PackFile::operator=(PackFile&& other) noexcept {
  if (this != &other) {
    Close();
    file_ = std::exchange(other.file_, nullptr);
    size_ = std::exchange(other.size_, 0);
    pos_ = std::exchange(other.pos_, -1);
  }
  return *this;
}

void PackFile::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  size_ = 0;
  pos_ = -1;
}

bool PackFile::Seek(int64_t offset) {
  if (!file_ || offset < 0) return false;
  if (offset == pos_) return true;
  pos_ = SeekFile64(file_, offset, SEEK_SET) ? offset : -1;
  return pos_ >= 0;
}

size_t PackFile::Read(void* buffer, size_t count) {
  if (!file_ || count == 0) return 0;
  const size_t got = std::fread(buffer, 1, count, file_);
  // After a short read the stream may stand anywhere (an error) or past the end.
  pos_ = got == count && pos_ >= 0 ? pos_ + int64_t(got) : -1;
  return got;
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
