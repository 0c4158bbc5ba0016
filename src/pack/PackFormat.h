// The package format's numbers, one name each: the trailer's size, magic and field offsets, the
// option bits, the checksum's rules and the end mark's place in the stub. The reader (PackX), the
// extraction (UnPack) and the builder (PackWriter, mkpack) all take them from here; the tests'
// hand-laid byte fixtures stay the independent check of what they mean.
#pragma once
#include <cstdint>

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
