// The builder's blocks and the byte rules it applies through the shared format: scrambled tokens,
// the meta blocks, entry headers and blocks, the space table, the trailer and the checksum over a
// written file.
#include "pack/PackWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "pack/PackX.h"

namespace {

void PutU32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}

// Small deterministic generator for the scrambled tokens' random bytes.
class Rng {
 public:
  explicit Rng(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  uint8_t Byte() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return uint8_t(state_ >> 11);
  }

 private:
  uint32_t state_;
};

uint32_t MixSeed(uint32_t seed, std::string_view text) {
  uint32_t h = seed * 2654435761u + 0x811C9DC5u;
  for (char c : text) h = (h ^ uint8_t(c)) * 16777619u;
  return h;
}

}  // namespace

bool IsPackStub(std::string_view image) {
  return image.size() >= size_t(kChecksumSkippedHeader) && HasStubSignature(image);
}

std::string ScrambleToken(std::string_view clear, uint32_t seed) {
  // Byte layout before the hex-and-shift: r1, a, b, a random bytes, the text, b-1 random bytes,
  // check byte, r2; the bytes between r1 and the check byte are xored with r1 ^ r2, and the check
  // byte is the 8-bit sum of all the others as stored. 20 bytes give the 40 letters.
  constexpr size_t kBytes = 20;
  if (clear.size() > kBytes - 5) return {};
  Rng rng(MixSeed(seed, clear));
  const size_t pads = kBytes - 4 - clear.size();  // a + b, b >= 1
  const uint8_t a = uint8_t(rng.Byte() % pads);
  const uint8_t b = uint8_t(pads - a);
  std::string plain;
  plain += char(a);
  plain += char(b);
  for (int i = 0; i < a; ++i) plain += char(rng.Byte());
  plain.append(clear);
  for (int i = 1; i < b; ++i) plain += char(rng.Byte());
  const uint8_t r1 = rng.Byte(), r2 = rng.Byte(), key = r1 ^ r2;
  std::string bytes(1, char(r1));
  for (char c : plain) bytes += char(uint8_t(c) ^ key);
  uint8_t check = r2;
  for (char c : bytes) check = uint8_t(check + uint8_t(c));
  bytes += char(check);
  bytes += char(r2);
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    out += char(kHex[uint8_t(c) >> 4] + 50);
    out += char(kHex[uint8_t(c) & 15] + 50);
  }
  return out;
}

std::string BuildLanguageBlock(const std::vector<PackLanguage>& languages) {
  if (languages.empty()) return {};
  std::string out = "\x02";
  for (const auto& lang : languages) {
    out += '\x01';
    out += lang.name;
    out += '\x01';
    for (const auto& [key, value] : lang.items) out += key + "=" + value + "\x01";
    out += '\x02';
  }
  return out;
}

std::string BuildUpdateBlock(const PackUpdateSettings& u, uint32_t seed) {
  return "|" + u.infoUrl + "|" + u.infoFile + "|" + u.agentExe + "|" + ScrambleToken(u.token, seed) + "|" +
         (u.hide ? "1" : "0") + "|" + (u.publicKey.empty() ? "" : u.publicKey + "|");
}

std::string BuildWebBlockText(const PackWebSettings& w, std::string_view sizeText, uint32_t seed) {
  return "|" + w.url + "|" + w.setupName + "|" + (w.alwaysDownload ? "1" : "0") + "|" + ScrambleToken(w.token, seed) +
         "|" + std::string(sizeText) + "|";
}

std::string BuildWebBlock(const PackWebSettings& web, int64_t setupSize, uint32_t seed) {
  return BuildWebBlockText(web, std::to_string(setupSize), seed);
}

std::string BuildEntryHeader(std::string_view name, uint32_t dosTime) {
  std::string out = "|";
  out += name;
  out += "|" + std::to_string(dosTime) + "|";
  out += '\0';
  return out;
}

std::string BuildMetaBlock(std::string_view content) {
  std::string out(4, '\0');
  PutU32(out, 0, uint32_t(content.size()));
  out.append(content);
  return out;
}

std::string BuildEntryBlock(std::string_view entry, int level) {
  uLongf zlen = compressBound(uLong(entry.size()));
  std::string z(4 + size_t(zlen), '\0');
  int rc = compress2(reinterpret_cast<Bytef*>(z.data() + 4), &zlen, reinterpret_cast<const Bytef*>(entry.data()),
                     uLong(entry.size()), level);
  if (rc == Z_OK && zlen < entry.size()) {
    z.resize(4 + size_t(zlen));
    PutU32(z, 0, uint32_t(zlen));
    return z;
  }
  std::string stored(4, '\0');
  PutU32(stored, 0, uint32_t(-int64_t(entry.size())));
  stored.append(entry);
  return stored;
}

void PackSpaceTable::Add(int64_t fileSize) {
  for (int i = 0; i < 9; ++i) {
    const int64_t cluster = i == 0 ? 1 : int64_t(256) << i;
    const uint64_t rounded = uint64_t((fileSize + cluster - 1) / cluster * cluster);
    const uint64_t sum = uint64_t(bytes[i]) + rounded;
    bytes[i] = sum > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(sum);
  }
}

std::string BuildTrailer(const PackTrailerFields& f) {
  TPackTrailer t;
  t.SetFormatByte(1);
  t.SetMetaBlockCount(f.metaBlocks);
  t.SetFirstBlockOffset(f.firstBlock);
  t.SetEntryCount(f.entryCount);
  t.SetMagic(kPackMagic);
  t.SetChecksum(f.checksum);
  for (int i = 0; i < kSpaceTableEntries; ++i) t.SetSpace(i, f.space.bytes[i]);
  t.SetOptions(f.options);
  t.SetWebSetupFlag(f.webSetup ? 1 : 0);
  t.SetConfirmDownloadFlag(f.confirmDownload ? 1 : 0);
  t.SetInstallAgentFlag(f.installAgent ? 1 : 0);
  t.SetAutoUpdateFlag(f.autoUpdateAgent ? 1 : 0);
  t.SetLength(kTrailerSize);
  return std::string(t.View());
}

uint32_t PackChecksum(int64_t fileSize, const std::function<size_t(int64_t, char*, size_t)>& readAt, int trailerLen) {
  // The callback as a source that reads on from where it stands.
  struct {
    const std::function<size_t(int64_t, char*, size_t)>& readAt;
    int64_t at = 0;
    bool Seek(int64_t offset) { return at = offset, true; }
    size_t Read(void* buffer, size_t count) {
      const size_t got = readAt(at, static_cast<char*>(buffer), count);
      at += int64_t(got);
      return got;
    }
  } source{readAt};
  return PackageChecksum(fileSize, source, trailerLen);
}

uint32_t PackChecksumOfImage(std::string_view image, int trailerLen) {
  return PackChecksum(
      int64_t(image.size()),
      [image](int64_t at, char* buf, size_t n) -> size_t {
        if (at < 0 || uint64_t(at) >= image.size()) return 0;
        size_t got = std::min(n, image.size() - size_t(at));
        std::memcpy(buf, image.data() + at, got);
        return got;
      },
      trailerLen);
}

uint32_t PackChecksumOfFile(std::string_view path, int trailerLen) { return ComputePackageChecksum(path, trailerLen); }
