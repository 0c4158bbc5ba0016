// The package reader: trailer location, checksum, meta blocks, tokens and flags.
#include "pack/PackX.h"

#include <algorithm>
#include <vector>

#include "env/LangRes0.h"
#include "pack/PackFile.h"
#include "util/Files.h"
#include "util/Utils.h"
#include "util/VSUB.h"

namespace {
// Reads one meta block (u32 length + bytes) at pos; false when it does not fit in the file, so
// that a damaged length never makes the reader allocate or read past the end.
bool ReadMetaBlock(PackFile& file, int64_t& pos, std::string& block) {
  uint32_t n = 0;
  if (!file.ReadU32At(pos, n) || int64_t(n) > file.Size() - pos - 4) return false;
  std::string bytes(n, '\0');
  if (n && file.Read(bytes.data(), n) != n) return false;
  block = std::move(bytes);
  pos += int64_t(n) + 4;
  return true;
}
}  // namespace

bool IsStubExecutable(PackFile& file) {
  char head[kPeSignatureOffset + 2];
  return file.ReadAt(0, head, sizeof head) && HasStubSignature({head, sizeof head});
}

bool IsStubExecutable(std::string_view path) {
  PackFile file(path);
  return IsStubExecutable(file);
}

uint64_t ReadPackageEnd(PackFile& file) {
  uint32_t high = 0, low = 0;
  if (!file.ReadU32At(kPackageEndHighOffset, high) || !file.ReadU32At(kPackageEndLowOffset, low)) return 0;
  return uint64_t(high) << 32 | low;
}

bool ReadTrailer(PackFile& file, TPackTrailer& trailer) {
  if (!file.IsOpen()) return false;
  const bool exe = IsStubExecutable(file);
  int64_t end = file.Size();
  if (exe) {
    uint64_t mark = ReadPackageEnd(file);
    if (mark > 0) {
      if (mark > uint64_t(end)) return false;
      end = int64_t(mark);
    }
  }
  uint32_t stored = 0;
  if (end < 4 || !file.ReadU32At(end - 4, stored)) return false;
  // The length is signed in the format; anything below 4 or reaching before the file start is
  // not a trailer, and the record must never take more than its 74 bytes.
  const int64_t length = int32_t(stored);
  if (length < 4 || length > end) return false;
  const int64_t n = std::min<int64_t>(kTrailerSize, length);
  TPackTrailer read = trailer;
  if (!file.ReadAt(end - length, read.bytes.data(), size_t(n - 4))) return false;
  trailer = read;
  trailer.SetLength(uint32_t(n));
  if (trailer.MetaBlockCount() == 0) trailer.SetMetaBlockCount(2);
  return true;
}

bool ReadTrailer(std::string_view path, TPackTrailer& trailer) {
  PackFile file(path);
  return ReadTrailer(file, trailer);
}

uint32_t ComputePackageChecksum(std::string_view path, int64_t trailerLength) {
  PackFile file(path);
  if (!file.IsOpen()) return 0;
  return PackageChecksum(file.Size(), file, trailerLength);
}

uint32_t GetClusterSize(std::string_view path) { return QueryClusterSize(path); }

double RequiredSpaceForCluster(const TPackTrailer& trailer, uint32_t clusterSize) {
  double result = trailer.Space(0);
  for (int i = 1; i < kSpaceTableEntries; ++i)
    if (clusterSize >= (256u << i)) result = trailer.Space(i);
  return result;
}

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The token's bytes after the -50 shift and hex reading; false on a character that is no digit.
bool TokenBytes(std::string_view scrambled, std::vector<uint8_t>& bytes) {
  std::string shifted(scrambled);
  for (char& c : shifted) c = char(uint8_t(c) - 50);
  for (size_t i = 0; i < shifted.size(); i += 2) {
    int value = 0;
    for (size_t j = i; j < std::min(i + 2, shifted.size()); ++j) {
      int d = HexDigit(shifted[j]);
      if (d < 0) return false;
      value = value * 16 + d;
    }
    bytes.push_back(uint8_t(value));
  }
  return true;
}
}  // namespace

std::string DescrambleToken(std::string_view scrambled) {
  const std::string failed = IntToStr(RandomInRange(99998, 0));
  std::vector<uint8_t> b;  // b[0] is B[1]
  if (!TokenBytes(scrambled, b)) return failed;
  const size_t len = b.size();
  if (len <= 4) return failed;
  uint8_t check = 0;
  for (size_t i = 0; i < len; ++i)
    if (i != len - 2) check = uint8_t(check + b[i]);
  if (check != b[len - 2]) return failed;
  const uint8_t key = b[0] ^ b[len - 1];
  for (size_t i = 1; i + 1 < len; ++i) b[i] ^= key;
  const int64_t a = b[1], c = b[2];
  const int64_t count = int64_t(len) - a - c - 4;
  // A token that decodes to nothing would match every other such token.
  if (count <= 0) return failed;
  return std::string(reinterpret_cast<const char*>(b.data()) + a + 3, size_t(count));
}

TInformHeader ParseInformHeader(std::string_view text) {
  const std::string plain = ScrambleText(text, false, false);
  std::string_view rest = plain;
  // Cuts off the next "|"-ended field; a missing "|" empties the field and everything after it.
  auto nextField = [&rest]() {
    size_t bar = rest.find('|');
    if (bar == std::string_view::npos) {
      rest = {};
      return std::string_view{};
    }
    std::string_view field = rest.substr(0, bar);
    rest.remove_prefix(bar + 1);
    return field;
  };
  nextField();
  std::string token(nextField());
  nextField();
  nextField();
  return {DescrambleToken(token), std::string(rest)};
}

TGFileInfo::TGFileInfo(std::string_view path) {
  PackFile file(path);
  if (!file.IsOpen()) return;
  ReadTrailer(file, trailer_);
  if (trailer_.Magic() != kPackMagic) return;
  int64_t pos = trailer_.FirstBlockOffset();
  if (ReadMetaBlock(file, pos, language_) && ReadMetaBlock(file, pos, update_) && trailer_.MetaBlockCount() >= 3)
    ReadMetaBlock(file, pos, web_);
  trailer_.SetFirstBlockOffset(uint32_t(pos));
}

double TGFileInfo::GetRequiredSpace(std::string_view path) const {
  return RequiredSpaceForCluster(trailer_, GetClusterSize(path));
}

std::string TGFileInfo::GetInfoUrl() const { return SUB::Get(update_, 0); }
std::string TGFileInfo::GetInfoFileName() const { return ExtractFileName(SUB::Get(update_, 1)); }

std::string TGFileInfo::GetOriginalFileName() const { return FileNameStem(SUB::Get(update_, 1), true) + ".original"; }

std::string TGFileInfo::GetAgentExeName() const { return SUB::Get(update_, 2); }

std::string TGFileInfo::GetUpdateToken(bool descramble) const {
  std::string token = SUB::Get(update_, 3);
  return descramble ? DescrambleToken(token) : token;
}

bool TGFileInfo::GetHideFlag() const { return SUB::Get(update_, 4) == "1"; }
std::string TGFileInfo::GetPublicKey() const { return SUB::Get(update_, 5); }
std::string TGFileInfo::GetWebUrl() const { return SUB::Get(web_, 0); }
std::string TGFileInfo::GetWebSetupName() const { return SUB::Get(web_, 1); }
bool TGFileInfo::GetWebAlwaysDownload() const { return SUB::Get(web_, 2) == "1"; }

std::string TGFileInfo::GetWebToken(bool descramble) const {
  std::string token = SUB::Get(web_, 3);
  return descramble ? DescrambleToken(token) : token;
}

std::string TGFileInfo::GetWebSize() const { return SUB::Get(web_, 4); }

std::string TGFileInfo::GetLangString(std::string_view key, std::string_view def) const {
  return LookupLangString(language_, key, def);
}

int TGFileInfo::GetCharset() const { return int(StrToInt64Def(GetLangString("Charset", "0"), 0)); }
int TGFileInfo::GetFontSize() const { return int(StrToInt64Def(GetLangString("FontSize", "8"), 8)); }
std::string TGFileInfo::GetFontName() const { return GetLangString("FontName", "Tahoma"); }
