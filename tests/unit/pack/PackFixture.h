// Package bytes for the tests, laid out by hand from the format's rules (little-endian fields at
// fixed offsets, length-prefixed blocks, the word sum for the checksum), independently of the
// reader's own trailer record, so that reader and builder cannot drift together unnoticed.
#pragma once
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fixture {

inline void PutU32(std::string& bytes, size_t at, uint32_t v) {
  if (bytes.size() < at + 4) bytes.resize(at + 4, '\0');
  for (int i = 0; i < 4; ++i) bytes[at + i] = char(v >> (8 * i));
}

inline std::string U32(uint32_t v) {
  std::string s;
  PutU32(s, 0, v);
  return s;
}

inline uint32_t GetU32(std::string_view bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(bytes[at + i]);
  return v;
}

// A stand-in stub image: "MZ", the end mark slots at 248/252 zero, "PE" at 256.
inline std::string StubImage(size_t size = 700) {
  std::string image(size, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[256] = 'P';
  image[257] = 'E';
  for (size_t i = 300; i < size; ++i) image[i] = char(i * 7 + 3);
  return image;
}

inline std::string Block(std::string_view content) { return U32(uint32_t(content.size())) + std::string(content); }

// "|" name "|" stamp "|" 0x00 data
inline std::string Entry(std::string_view name, std::string_view stamp, std::string_view data) {
  return "|" + std::string(name) + "|" + std::string(stamp) + "|" + std::string(1, '\0') + std::string(data);
}

inline std::string Deflate(std::string_view data, int level = 6) {
  uLongf size = compressBound(uLong(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
            uLong(data.size()), level);
  out.resize(size);
  return out;
}

inline std::string CompressedBlock(std::string_view entry) {
  std::string z = Deflate(entry);
  return U32(uint32_t(z.size())) + z;
}

// Stored: the negated length, then the raw entry.
inline std::string StoredBlock(std::string_view entry) {
  return U32(uint32_t(-int32_t(entry.size()))) + std::string(entry);
}

// One language: 0x01 name 0x01 key=value 0x01 ... ; a block wraps them in 0x02.
inline std::string Language(std::string_view name, std::vector<std::string> pairs) {
  std::string item = "\x01" + std::string(name) + "\x01";
  for (auto& p : pairs) item += p + "\x01";
  return item;
}
inline std::string LanguageBlock(std::vector<std::string> languages) {
  std::string block = "\x02";
  for (auto& l : languages) block += l + "\x02";
  return block;
}

struct TrailerFields {
  uint8_t metaCount = 2;
  uint32_t firstBlock = 0;
  uint32_t entryCount = 0;
  uint32_t magic = 0x4A3B2C1D;
  uint32_t checksum = 0;
  uint32_t space[9] = {};
  uint8_t options = 0;
  uint8_t web = 0, confirmDownload = 0, installAgent = 0, autoUpdate = 0;
  uint32_t length = 74;
};

inline std::string TrailerBytes(const TrailerFields& f) {
  std::string t(74, '\0');
  t[0] = 1;
  t[1] = char(f.metaCount);
  PutU32(t, 4, f.firstBlock);
  PutU32(t, 8, f.entryCount);
  PutU32(t, 12, f.magic);
  PutU32(t, 16, f.checksum);
  for (int i = 0; i < 9; ++i) PutU32(t, 28 + 4 * i, f.space[i]);
  t[65] = char(f.options);
  t[66] = char(f.web);
  t[67] = char(f.confirmDownload);
  t[68] = char(f.installAgent);
  t[69] = char(f.autoUpdate);
  PutU32(t, 70, f.length);
  return t;
}

// The checksum by its closed form: every little-endian word from the start (from 512 when the end
// mark is set) whose offset o has o + 8 < E, E being where the trailer starts, plus 1234 for each
// full 4096-byte read after which the counted-down rest still exceeds 4.
inline uint32_t Checksum(std::string_view file, bool markSet, size_t trailerLength = 74) {
  const size_t packageEnd = markSet ? GetU32(file, 252) : file.size();
  const int64_t e = int64_t(packageEnd) - int64_t(trailerLength);
  const size_t start = markSet ? 512 : 0;
  uint32_t sum = 0;
  for (size_t o = start; o + 4 <= file.size() && int64_t(o) + 8 < e; o += 4) sum += GetU32(file, o);
  for (size_t j = 1; start + 4096 * j <= file.size(); ++j)
    if (e - int64_t(start) - int64_t(4096 * j) > 4) sum += 1234;
  return sum;
}

struct Package {
  std::string stub;  // empty: a part file
  bool mark = true;  // write the end mark (stub only)
  std::string language =
      "\x02\x01"
      "English\x01s0=Setup\x01\x02";
  std::string update = "|http://h/u|App.info|AU.exe|token|0|";
  std::string web;                  // written when fields.metaCount == 3
  bool withMeta = true;             // part files after the first carry no meta blocks
  std::vector<std::string> blocks;  // entry blocks, length prefix included
  TrailerFields fields;
  bool checksum = true;  // false: keep fields.checksum as given
};

// The file bytes of a package laid out as the format says.
inline std::string Build(Package p) {
  std::string out = p.stub;
  p.fields.firstBlock = uint32_t(out.size());
  if (p.withMeta) {
    out += Block(p.language) + Block(p.update);
    if (p.fields.metaCount >= 3) out += Block(p.web);
  }
  for (auto& b : p.blocks) out += b;
  out += TrailerBytes(p.fields);
  const bool markSet = !p.stub.empty() && p.mark;
  if (markSet) PutU32(out, 252, uint32_t(out.size()));
  if (p.checksum) PutU32(out, out.size() - 74 + 16, Checksum(out, markSet));
  return out;
}

// A fresh folder below the system temporary folder, removed with everything in it.
struct TempDir {
  std::filesystem::path path;
  TempDir() {
    // Every test runs in its own process under CTest, so the process id keeps the folders apart.
    static int counter = 0;
    auto base = std::filesystem::temp_directory_path();
    do {
      path = base / ("velkit_pack_" + std::to_string(getpid()) + "_" + std::to_string(++counter));
    } while (!std::filesystem::create_directory(path));
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string Write(const std::string& name, std::string_view bytes) const {
    auto file = path / name;
    std::ofstream(file, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return file.string();
  }
  std::string File(const std::string& name) const { return (path / name).string(); }
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace fixture
