// The package format written once: the trailer's size, magic and field offsets and its record,
// the option bits, the checksum, the stub check, the end mark and the part files' names. The
// reader (PackX), the extraction (UnPack), the agent and the builder (PackWriter, mkpack) all take
// them from here; the tests' hand-laid byte fixtures stay the independent check of what they mean.
#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/Utils.h"

inline constexpr uint32_t kPackMagic = 0x4A3B2C1D;
inline constexpr int kTrailerSize = 74;

// Byte offsets of the trailer's fields (u32 fields little-endian).
inline constexpr int kTrailerFormatAt = 0;      // u8, written as 1
inline constexpr int kTrailerMetaCountAt = 1;   // u8, meta blocks before the entries (0 reads as 2)
inline constexpr int kTrailerFirstBlockAt = 4;  // u32, offset of the first meta block
inline constexpr int kTrailerEntryCountAt = 8;  // u32
inline constexpr int kTrailerMagicAt = 12;      // u32, kPackMagic
inline constexpr int kTrailerChecksumAt = 16;   // u32
inline constexpr int kTrailerSpaceAt = 28;      // 9 x u32, the space table
inline constexpr int kTrailerOptionsAt = 65;    // u8, PackOption bits
inline constexpr int kTrailerWebSetupAt = 66;   // u8 flags, each on when not 0
inline constexpr int kTrailerConfirmDownloadAt = 67;
inline constexpr int kTrailerInstallAgentAt = 68;
inline constexpr int kTrailerAutoUpdateAt = 69;
inline constexpr int kTrailerLengthAt = 70;  // u32, the trailer's length, last in the package
inline constexpr int kSpaceTableEntries = 9;

// Option bits, the trailer's byte kTrailerOptionsAt.
enum PackOption : uint8_t {
  kOptionConfirmTempExtract = 1,  // always ask the space question
  kOptionContinued = 2,           // the package goes on in the next part file
  kOptionSpanRelaunch = 4,        // copy the stub to the disk and let the copy read the parts
  kOptionSecondaryBar = 8,        // show the activity bar while extracting
  kOptionAgentLog = 16,           // the agent keeps a log file
};

// A stored or computed checksum of this value turns the check off.
inline constexpr uint32_t kChecksumDisabled = 1234;
// Larger files are not summed: their checksum reads as kChecksumDisabled.
inline constexpr int64_t kChecksumSizeLimit = 52428800;
// Bytes at the start of an executable package that the checksum skips when the end mark is set.
inline constexpr int kChecksumSkippedHeader = 512;

// The package end mark lives in the stub's DOS header area: high half at 248, low half at 252.
inline constexpr int kPackageEndHighOffset = 248;
inline constexpr int kPackageEndLowOffset = 252;
inline constexpr int kPeSignatureOffset = 256;

// The trailer, held byte for byte, with named accessors for its little-endian fields.
struct TPackTrailer {
  std::array<uint8_t, kTrailerSize> bytes{};

  uint8_t FormatByte() const { return bytes[kTrailerFormatAt]; }
  void SetFormatByte(uint8_t v) { bytes[kTrailerFormatAt] = v; }
  uint8_t MetaBlockCount() const { return bytes[kTrailerMetaCountAt]; }
  void SetMetaBlockCount(uint8_t v) { bytes[kTrailerMetaCountAt] = v; }
  uint32_t FirstBlockOffset() const { return U32(kTrailerFirstBlockAt); }
  void SetFirstBlockOffset(uint32_t v) { SetU32(kTrailerFirstBlockAt, v); }
  uint32_t EntryCount() const { return U32(kTrailerEntryCountAt); }
  void SetEntryCount(uint32_t v) { SetU32(kTrailerEntryCountAt, v); }
  uint32_t Magic() const { return U32(kTrailerMagicAt); }
  void SetMagic(uint32_t v) { SetU32(kTrailerMagicAt, v); }
  uint32_t Checksum() const { return U32(kTrailerChecksumAt); }
  void SetChecksum(uint32_t v) { SetU32(kTrailerChecksumAt, v); }
  // Entry 0: exact byte total; entry i (1..8): total in clusters of 256 << i bytes.
  uint32_t Space(int i) const { return U32(kTrailerSpaceAt + 4 * i); }
  void SetSpace(int i, uint32_t v) { SetU32(kTrailerSpaceAt + 4 * i, v); }
  uint8_t Options() const { return bytes[kTrailerOptionsAt]; }
  void SetOptions(uint8_t v) { bytes[kTrailerOptionsAt] = v; }
  bool HasOption(PackOption o) const { return (bytes[kTrailerOptionsAt] & o) != 0; }
  uint8_t WebSetupFlag() const { return bytes[kTrailerWebSetupAt]; }
  void SetWebSetupFlag(uint8_t v) { bytes[kTrailerWebSetupAt] = v; }
  uint8_t ConfirmDownloadFlag() const { return bytes[kTrailerConfirmDownloadAt]; }
  void SetConfirmDownloadFlag(uint8_t v) { bytes[kTrailerConfirmDownloadAt] = v; }
  uint8_t InstallAgentFlag() const { return bytes[kTrailerInstallAgentAt]; }
  void SetInstallAgentFlag(uint8_t v) { bytes[kTrailerInstallAgentAt] = v; }
  uint8_t AutoUpdateFlag() const { return bytes[kTrailerAutoUpdateAt]; }
  void SetAutoUpdateFlag(uint8_t v) { bytes[kTrailerAutoUpdateAt] = v; }
  uint32_t Length() const { return U32(kTrailerLengthAt); }
  void SetLength(uint32_t v) { SetU32(kTrailerLengthAt, v); }

  std::string_view View() const { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }
  void Clear() { bytes.fill(0); }

 private:
  uint32_t U32(int at) const {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
  }
  void SetU32(int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(v >> (8 * i));
  }
};

// "MZ" at offset 0 and "PE" at offset 256 of the first bytes of a file (the header's own pointer
// to the signature is not used).
bool HasStubSignature(std::string_view head);
// (u32 at 248) << 32 | (u32 at 252) of an image's first bytes; 0 when the bytes are not there.
uint64_t ReadPackageEndFromImage(std::string_view image);
// The 8 bytes at kPackageEndHighOffset that mark where the package ends.
std::string PackageEndBytes(uint64_t end);

// The name of part number part (1, 2 ...) of a set named after basePath: basePath + ".001" ...
inline std::string PackPartName(std::string_view basePath, int part) {
  return std::string(basePath) + "." + IntToZeroPad(part, 3);
}
// The path of part number part (2, 3, ...) of the package whose first file is sourcePath:
// Setup.exe and Setup.exe.001 both give Setup.exe.002 for part 2.
inline std::string PartFilePath(std::string_view sourcePath, int part) {
  const bool first = sourcePath.size() >= 4 && sourcePath.substr(sourcePath.size() - 4) == ".001";
  return PackPartName(first ? sourcePath.substr(0, sourcePath.size() - 4) : sourcePath, part);
}

// A little-endian u32.
inline uint32_t LoadLe32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The package checksum over a source of fileSize bytes whose trailer is trailerLength bytes long:
// the 32-bit words before the last two words of the package, from 0 or, when the stub's end mark
// is set, from kChecksumSkippedHeader, plus kChecksumDisabled for every 4096-byte step after which
// more than 4 bytes remain. kChecksumDisabled for sources above kChecksumSizeLimit.
// The source has bool Seek(int64_t offset) and size_t Read(void* buffer, size_t count), which
// falls short only at the end (PackFile has both). A template, so that each source compiles to a
// plain loop; inlined into its one caller in the stub, where every byte counts.
template <class Source>
[[gnu::always_inline]] inline uint32_t PackageChecksum(int64_t fileSize, Source& source, int64_t trailerLength) {
  if (fileSize > kChecksumSizeLimit) return kChecksumDisabled;
  int64_t size = fileSize, at = 0;
  unsigned char head[kPeSignatureOffset + 2];
  if (fileSize >= int64_t(sizeof head) && source.Seek(0) && source.Read(head, sizeof head) == sizeof head &&
      HasStubSignature({reinterpret_cast<const char*>(head), sizeof head})) {
    if (const uint32_t mark = LoadLe32(head + kPackageEndLowOffset); mark != 0) {
      size = mark;
      at = kChecksumSkippedHeader;
    }
  }
  if (!source.Seek(at)) return 0;
  int64_t remaining = size - trailerLength - at;
  uint32_t sum = 0;
  // The sum is defined over reads of 4096 bytes. Reading 64 KiB at a time and walking it in steps
  // of 4096 gives the same chunks with a sixteenth of the calls, since a read falls short only at
  // the end of the source (a buffer that ends on a step boundary is followed by an empty chunk, as
  // the next 4096-byte read would be).
  constexpr size_t kChunk = 4096;
  std::vector<unsigned char> buffer(16 * kChunk);
  size_t filled = 0, used = 0, got;
  // Words stop counting once remaining drops to 4, so reading can stop there too: the bytes after
  // the package end never change the sum.
  do {
    if (used == filled) {
      filled = source.Read(buffer.data(), buffer.size());
      used = 0;
    }
    got = std::min(kChunk, filled - used);
    const unsigned char* chunk = &buffer[used];
    used += got;
    // Word i counts while remaining, once lowered by 4 * (i + 1), stays above 4.
    const size_t words = got / 4;
    const int64_t over = remaining - 8;
    const size_t counted = over <= 0 ? 0 : size_t(std::min<int64_t>(int64_t(words), (over + 3) / 4));
    // Eight running sums the compiler can keep in one vector register; the rest word by word.
    uint32_t lanes[8] = {};
    size_t i = 0;
    for (; i + 8 <= counted; i += 8)
      for (size_t k = 0; k < 8; ++k) lanes[k] += LoadLe32(chunk + 4 * (i + k));
    for (; i < counted; ++i) sum += LoadLe32(chunk + 4 * i);
    for (uint32_t lane : lanes) sum += lane;
    remaining -= int64_t(4 * words);
    if (remaining > 4) sum += kChecksumDisabled;
  } while (got == kChunk && remaining > 4);
  return sum;
}
// The extraction's acceptance rule: equal, or either side is kChecksumDisabled.
bool ChecksumAccepted(uint32_t stored, uint32_t computed);
