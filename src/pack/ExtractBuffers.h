// The buffers an extraction reuses for every entry, and the sizes of its reads and writes.
#pragma once
#include <cstddef>
#include <memory>

inline constexpr size_t kReadChunk = 65536;
// A header longer than this without its closing 0x00 is not a header: the entry is skipped.
inline constexpr size_t kMaxHeader = 65536;
// Data collect up to this size before each append to the target.
inline constexpr size_t kWriteChunk = 1048576;
// The write buffer: less than kWriteChunk of data, preceded by less than a chunk of header, always
// leave room for one more chunk.
inline constexpr size_t kWriteBufferSize = kWriteChunk + 2 * kReadChunk;

// The buffers an extraction reuses for every entry.
struct ExtractBuffers {
  std::unique_ptr<char[]> read{new char[kReadChunk]};
  std::unique_ptr<char[]> write{new char[kWriteBufferSize]};
};
