// The package builder: lays out install packages byte by byte (stub image, text blocks, one block
// per file piece, trailer, end mark, checksum) as a single setup, a set of part files or a web
// setup. The trailer, the end mark, the checksum and the part names come from the format's one
// place (PackFormat.h), which the reader uses too; the tests' hand-laid byte fixtures pin it down.
// Files are read and compressed piece by piece: memory stays bounded whatever their size.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pack/PackFormat.h"

// Raw bytes per entry block at most: bounds the builder's memory, and each piece costs the
// extraction one more open, write and stamp of its file, so pieces are not made smaller.
inline constexpr int64_t kPackPieceSize = 4194304;
inline constexpr int kPackMaxParts = 999;  // part names carry three digits

// One file to pack: read from path piece by piece, or, when path is empty, taken from data.
struct PackFileSource {
  std::string name;  // relative to the extraction folder, "\" between folders
  std::string path;
  std::string data;
  uint32_t dosTime = 0;  // packed DOS date-time (local); 0 = none
};

struct PackLanguage {
  std::string name;                                        // "English", "Russian" ...
  std::vector<std::pair<std::string, std::string>> items;  // key, value, in order
};

struct PackUpdateSettings {
  std::string infoUrl = "http://localhost";
  std::string infoFile = "Update.info";
  std::string agentExe = "AutoUpdate.exe";
  std::string token;  // in clear, stored scrambled; empty: a random one (nothing else will match it)
  bool hide = false;
  std::string publicKey;  // hex of the vendor's key; empty: releases are not signed
};

struct PackWebSettings {
  std::string url;
  std::string setupName;  // file name of the package to upload, written beside the web stub
  bool alwaysDownload = false;
  std::string token;  // in clear, stored scrambled; required: the stub compares it with the download's
};

enum class PackLayout {
  Single,        // Setup.exe holds everything
  Span,          // Setup.exe is part 1, then Setup.exe.002, .003 ...
  SpanRelaunch,  // Setup.exe (no entries, relaunch bit) + Setup.exe.001, .002 ... (the relaunched copy reads .001)
  Web,           // Setup.exe (web block, no entries) + the package to upload, named by the web block
};

struct PackJob {
  std::string stub;       // the stub executable image: "MZ" at 0, "PE" at 256
  PackFileSource engine;  // stored as name + "*" + engineArgs; no engine when name is empty
  std::string engineArgs;
  std::vector<PackFileSource> files;
  std::vector<PackLanguage> languages;
  PackUpdateSettings update;
  PackWebSettings web;
  uint8_t options = 0;  // bits 0, 3 and 4; bits 1 and 2 follow from the layout
  bool confirmDownload = false;
  bool installAgent = false;
  bool autoUpdateAgent = false;
  PackLayout layout = PackLayout::Single;
  int64_t partSize = 0;  // Span and SpanRelaunch: largest size of each written file
  int level = 6;         // zlib level 0..9
  bool checksum = true;  // false stores the value that disables the check
  uint32_t seed = 1;     // random bytes of the scrambled tokens
};

// doneBytes of totalBytes file bytes packed; name is the file being packed.
using PackProgress = std::function<void(int64_t doneBytes, int64_t totalBytes, std::string_view name)>;

// Writes the package(s) of job; outPath names the setup file that users start. Every file is
// written under a temporary name and renamed only when all are complete. Returns the error text,
// empty on success; written receives the paths written, setup file first.
std::string WritePackage(const PackJob& job, std::string_view outPath, std::vector<std::string>* written = nullptr,
                         const PackProgress& progress = {});

// The job's fault as text, empty when it can be written to outPath.
std::string ValidatePackJob(const PackJob& job, std::string_view outPath);

// --- the pieces of the layout, for the tool and the tests

// 40 lower-case letters that descramble to clear; empty when clear is longer than 15 bytes.
std::string ScrambleToken(std::string_view clear, uint32_t seed);
// 0x02-delimited list of 0x01-delimited languages; empty for none.
std::string BuildLanguageBlock(const std::vector<PackLanguage>& languages);
std::string BuildUpdateBlock(const PackUpdateSettings& update, uint32_t seed);
std::string BuildWebBlock(const PackWebSettings& web, int64_t setupSize, uint32_t seed);
// The web block with its size field given as text (the writer's fixed-width field, filled later).
std::string BuildWebBlockText(const PackWebSettings& web, std::string_view sizeText, uint32_t seed);
// A meta block: u32 length + content.
std::string BuildMetaBlock(std::string_view content);
// "|" name "|" stamp "|" and the 0x00 that ends an entry's header.
std::string BuildEntryHeader(std::string_view name, uint32_t dosTime);
// The block of one entry: signed length + zlib stream, or negated length + the raw entry when
// that is not larger.
std::string BuildEntryBlock(std::string_view entry, int level);

// Bytes needed on a drive: [0] exact total, [i] sizes rounded up to clusters of 256 << i bytes.
struct PackSpaceTable {
  uint32_t bytes[9] = {};
  void Add(int64_t fileSize);  // saturates instead of wrapping
};

struct PackTrailerFields {
  uint8_t metaBlocks = 2;
  uint32_t firstBlock = 0;
  uint32_t entryCount = 0;
  uint32_t checksum = 0;
  PackSpaceTable space;
  uint8_t options = 0;
  bool webSetup = false, confirmDownload = false, installAgent = false, autoUpdateAgent = false;
};
std::string BuildTrailer(const PackTrailerFields& fields);

// The package checksum over a file's bytes (trailer length trailerLen); readAt(offset, buf, n)
// returns the bytes read. kChecksumDisabled for files above kChecksumSizeLimit.
uint32_t PackChecksum(int64_t fileSize, const std::function<size_t(int64_t, char*, size_t)>& readAt,
                      int trailerLen = kTrailerSize);
uint32_t PackChecksumOfImage(std::string_view image, int trailerLen = kTrailerSize);
// 0 when the file cannot be read.
uint32_t PackChecksumOfFile(std::string_view path, int trailerLen = kTrailerSize);

// True when the image can carry a package: "MZ" at 0 and "PE" at 256, at least 512 bytes.
bool IsPackStub(std::string_view image);
