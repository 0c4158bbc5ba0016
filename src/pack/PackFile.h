// Read-only access to a package file: a move-only owner of an open C stream with 64-bit seeks.
// Opened with full sharing, so a package can be read while others read or write it (the stub
// reads its own running executable).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

class PackFile {
 public:
  PackFile() = default;
  explicit PackFile(std::string_view path);
  ~PackFile();
  PackFile(PackFile&& other) noexcept;
  PackFile& operator=(PackFile&& other) noexcept;
  PackFile(const PackFile&) = delete;
  PackFile& operator=(const PackFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  // Size at the time of opening; 0 when not open.
  int64_t Size() const { return size_; }
  bool Seek(int64_t offset);
  // Bytes read, fewer at the end of the file or on error.
  size_t Read(void* buffer, size_t count);
  // Exactly count bytes at offset; false when they are not all there.
  bool ReadAt(int64_t offset, void* buffer, size_t count);
  // A little-endian u32 at offset; false when the four bytes are not there.
  bool ReadU32At(int64_t offset, uint32_t& value);
  // A little-endian u32 at the current position.
  bool ReadU32(uint32_t& value);
  void Close();

 private:
  std::FILE* file_ = nullptr;
  int64_t size_ = 0;
  // The stream's position when known, else -1: a seek to where the stream already is would throw
  // away the runtime's read buffer (the extraction reads its blocks one after the other).
  int64_t pos_ = -1;
};

// Platform pieces behind PackFile and the drive query of the package reader.
std::FILE* OpenFileShared(std::string_view path);              // nullptr when it cannot be opened for reading
bool SeekFile64(std::FILE* file, int64_t offset, int whence);  // whence: SEEK_SET or SEEK_END
int64_t TellFile64(std::FILE* file);
// Bytes per cluster of the drive that holds path, 0 when it cannot be queried.
uint32_t QueryClusterSize(std::string_view path);
