// The package builder. See PackWriter.h; the byte layout is spelled out here on purpose rather
// than taken from the reader.
#include "pack/PackWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

namespace {

constexpr size_t kEndMarkAt = kPackageEndHighOffset;  // u32 high half, then u32 low half
constexpr size_t kChecksumChunk = 4096;
constexpr int64_t kNoLimit = std::numeric_limits<int64_t>::max();

void PutU32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}
void AppendU32(std::string& s, uint32_t v) {
  s.append(4, '\0');
  PutU32(s, s.size() - 4, v);
}
uint32_t GetU32(const char* p) {
  auto b = reinterpret_cast<const unsigned char*>(p);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t(b[3]) << 24);
}
std::string Block(std::string_view content) {
  std::string out;
  AppendU32(out, uint32_t(content.size()));
  out.append(content);
  return out;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr OpenFile(const std::string& path, const char* mode) { return FilePtr(std::fopen(path.c_str(), mode)); }

// 64-bit positions: the 32-bit Windows runtime's fseek stops at 2 GB.
bool SeekTo(std::FILE* f, int64_t pos, int whence = SEEK_SET) {
#ifdef _WIN32
  return _fseeki64(f, pos, whence) == 0;
#else
  return fseeko(f, off_t(pos), whence) == 0;
#endif
}
int64_t FileSize(std::FILE* f) {
  if (!SeekTo(f, 0, SEEK_END)) return -1;
#ifdef _WIN32
  return _ftelli64(f);
#else
  return int64_t(ftello(f));
#endif
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

bool HasAnyOf(std::string_view text, std::string_view chars) { return text.find_first_of(chars) != text.npos; }

// --- validation

std::string CheckEntryName(std::string_view name) {
  using namespace std::string_view_literals;
  if (name.empty()) return "empty file name";
  std::string quoted = "\"" + std::string(name) + "\"";
  if (HasAnyOf(name, "|*\0\r\n"sv)) return "file name " + quoted + " holds a character the package cannot carry";
  if (name.front() == '\\' || name.front() == '/' || name.find(':') != name.npos)
    return "file name " + quoted + " is not relative";
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('\\', start);
    if (end == name.npos) end = name.size();
    std::string_view part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..")
      return "file name " + quoted + " has an empty, \".\" or \"..\" folder";
    start = end + 1;
  }
  return {};
}

std::string CheckListValue(std::string_view what, std::string_view value, std::string_view banned) {
  if (HasAnyOf(value, banned)) return std::string(what) + " holds a character the package cannot carry";
  return {};
}

bool SameNameCI(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto low = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
           return low(x) == low(y);
         });
}

std::string ValidateJob(const PackJob& job, std::string_view outPath) {
  using namespace std::string_view_literals;
  if (!IsPackStub(job.stub)) return "the stub is not an executable with its PE signature at offset 256";
  if (GetU32(job.stub.data() + kEndMarkAt) || GetU32(job.stub.data() + kEndMarkAt + 4))
    return "the stub already carries a package (its end mark is set)";
  if (job.stub.size() > 0xFFFFFFFFu) return "the stub is too large";
  if (outPath.empty()) return "no output file";
  if (job.level < 0 || job.level > 9) return "compression level must be 0..9";
  std::vector<std::string_view> names;
  if (!job.engine.name.empty()) {
    if (auto e = CheckEntryName(job.engine.name); !e.empty()) return e;
    if (HasAnyOf(job.engineArgs, "|\0\r\n"sv)) return "the engine switches hold a character the package cannot carry";
    names.push_back(job.engine.name);
  }
  for (const auto& f : job.files) {
    if (auto e = CheckEntryName(f.name); !e.empty()) return e;
    names.push_back(f.name);
  }
  // Names that differ only in case are one file on the target system.
  std::vector<std::string_view> sorted = names;
  std::sort(sorted.begin(), sorted.end(), [](std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(uint8_t(x)) < std::tolower(uint8_t(y));
    });
  });
  for (size_t i = 1; i < sorted.size(); ++i)
    if (SameNameCI(sorted[i - 1], sorted[i])) return "the file name \"" + std::string(sorted[i]) + "\" occurs twice";
  for (const auto& lang : job.languages) {
    if (lang.name.empty() || HasAnyOf(lang.name, "\x01\x02\0"sv)) return "a language has an empty or unusable name";
    for (const auto& [key, value] : lang.items) {
      if (key.empty() || HasAnyOf(key, "=\x01\x02\0"sv))
        return "language " + lang.name + ": key \"" + key + "\" is empty or holds a character it cannot carry";
      if (HasAnyOf(value, "\x01\x02\0"sv))
        return "language " + lang.name + ": the value of " + key + " holds a character it cannot carry";
    }
  }
  using Field = std::pair<const char*, const std::string*>;
  const auto& u = job.update;
  const Field updateFields[] = {{"the update URL", &u.infoUrl},
                                {"the update information file", &u.infoFile},
                                {"the agent name", &u.agentExe},
                                {"the update token", &u.token}};
  for (const auto& [what, value] : updateFields)
    if (auto e = CheckListValue(what, *value, "|\0"sv); !e.empty()) return e;
  if (u.token.size() > 15) return "the update token is longer than 15 characters";
  if (job.layout == PackLayout::Web) {
    const auto& w = job.web;
    const Field webFields[] = {
        {"the web URL", &w.url}, {"the web setup name", &w.setupName}, {"the web token", &w.token}};
    for (const auto& [what, value] : webFields)
      if (auto e = CheckListValue(what, *value, "|\0"sv); !e.empty()) return e;
    if (w.token.size() > 15) return "the web token is longer than 15 characters";
    if (w.token.empty()) return "a web setup needs a token (an empty one matches nothing)";
    if (w.setupName.empty() || HasAnyOf(w.setupName, "\\/:"sv)) return "the web setup name must be a plain file name";
  }
  if ((job.layout == PackLayout::Span || job.layout == PackLayout::SpanRelaunch) && job.partSize <= 0)
    return "a part set needs a part size";
  return {};
}

// --- one output file

class OutFile {
 public:
  // A file of the package: with stub (an executable package) or without (a later part file).
  std::string Open(const std::string& path, std::string_view stub, std::string_view meta) {
    path_ = path;
    tmp_ = path + ".mkpack-tmp";
    file_ = OpenFile(tmp_, "w+b");
    if (!file_) return "cannot create " + tmp_;
    exe_ = !stub.empty();
    firstBlock_ = uint32_t(stub.size());
    size_ = 0;
    entries_ = 0;
    if (auto e = Write(stub); !e.empty()) return e;
    return Write(meta);
  }
  std::string Write(std::string_view bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
      return "cannot write " + tmp_;
    size_ += int64_t(bytes.size());
    return {};
  }
  std::string AddEntryBlock(std::string_view block) {
    ++entries_;
    return Write(block);
  }
  // Overwrites bytes already written (the web block's size field).
  std::string Patch(int64_t at, std::string_view bytes) {
    if (!SeekTo(file_.get(), at) || std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size() ||
        !SeekTo(file_.get(), 0, SEEK_END))
      return "cannot write " + tmp_;
    return {};
  }
  // Trailer, end mark and checksum; closes the file.
  std::string Finish(PackTrailerFields fields, bool checksum) {
    fields.firstBlock = firstBlock_;
    fields.checksum = 0;
    int64_t trailerAt = size_;
    if (auto e = Write(BuildTrailer(fields)); !e.empty()) return e;
    if (exe_) {
      std::string mark(8, '\0');
      PutU32(mark, 0, uint32_t(uint64_t(size_) >> 32));
      PutU32(mark, 4, uint32_t(size_));
      if (auto e = Patch(kEndMarkAt, mark); !e.empty()) return e;
    }
    uint32_t sum = kChecksumDisabled;
    if (checksum) {
      if (std::fflush(file_.get()) != 0) return "cannot write " + tmp_;
      std::FILE* f = file_.get();
      sum = PackChecksum(size_, [f](int64_t at, char* buf, size_t n) -> size_t {
        return SeekTo(f, at) ? std::fread(buf, 1, n, f) : 0;
      });
    }
    std::string sumBytes(4, '\0');
    PutU32(sumBytes, 0, sum);
    if (auto e = Patch(trailerAt + kTrailerChecksumAt, sumBytes); !e.empty()) return e;
    if (std::fclose(file_.release()) != 0) return "cannot write " + tmp_;
    return {};
  }
  int64_t Size() const { return size_; }
  int Entries() const { return entries_; }
  const std::string& TempPath() const { return tmp_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_, tmp_;
  FilePtr file_;
  bool exe_ = false;
  uint32_t firstBlock_ = 0;
  int64_t size_ = 0;
  int entries_ = 0;
};

// Collects the written files under temporary names; they replace the real names only at the end.
class OutputSet {
 public:
  ~OutputSet() {
    for (const auto& [tmp, path] : done_) std::remove(tmp.c_str());
    if (current_) std::remove(current_->TempPath().c_str());
  }
  OutFile& Start() {
    if (current_) Abandon();
    current_ = std::make_unique<OutFile>();
    return *current_;
  }
  std::string Finish(const PackTrailerFields& fields, bool checksum) {
    auto e = current_->Finish(fields, checksum);
    if (e.empty()) done_.emplace_back(current_->TempPath(), current_->Path());
    current_.reset();
    return e;
  }
  std::string Commit(std::vector<std::string>* written) {
    for (const auto& [tmp, path] : done_) {
#ifdef _WIN32
      std::remove(path.c_str());  // the runtime's rename does not replace an existing file there
#endif
      if (std::rename(tmp.c_str(), path.c_str()) != 0) return "cannot rename " + tmp + " to " + path;
      if (written) written->push_back(path);
    }
    done_.clear();
    return {};
  }

 private:
  void Abandon() {
    std::remove(current_->TempPath().c_str());
    current_.reset();
  }
  std::vector<std::pair<std::string, std::string>> done_;
  std::unique_ptr<OutFile> current_;
};

// --- entries across parts

struct Item {
  const PackFileSource* src;
  std::string name;  // as stored
  int64_t size;
};

// The chain of files the entry blocks go into: the first one (an executable package), then part
// files named after base when a part is full.
class PartChain {
 public:
  PartChain(OutputSet& out, const PackJob& job, PackTrailerFields fields, std::string base, int64_t limit)
      : out_(out), job_(job), fields_(fields), base_(std::move(base)), limit_(limit) {}

  std::string OpenFirst(const std::string& path, std::string_view meta) {
    part_ = 1;
    file_ = &out_.Start();
    return file_->Open(path, job_.stub, meta);
  }
  int64_t Room() const { return limit_ == kNoLimit ? kNoLimit : limit_ - file_->Size() - kTrailerSize; }
  bool HasEntries() const { return file_->Entries() > 0; }
  std::string Add(std::string_view block) { return file_->AddEntryBlock(block); }
  OutFile& Current() { return *file_; }
  std::string Next() {
    if (part_ >= kPackMaxParts) return "more than 999 part files would be needed";
    if (auto e = Close(true); !e.empty()) return e;
    ++part_;
    file_ = &out_.Start();
    return file_->Open(PackPartName(base_, part_), {}, {});
  }
  std::string Close(bool continued) {
    PackTrailerFields f = fields_;
    if (continued) f.options |= kOptionContinued;
    return out_.Finish(f, job_.checksum);
  }

 private:
  OutputSet& out_;
  const PackJob& job_;
  PackTrailerFields fields_;
  std::string base_;
  int64_t limit_;
  int part_ = 0;
  OutFile* file_ = nullptr;
};

std::string ReadPiece(std::FILE* in, const PackFileSource& src, int64_t at, int64_t len, std::string& out) {
  if (src.path.empty()) {
    out.assign(src.data, size_t(at), size_t(len));
    return {};
  }
  out.resize(size_t(len));
  if (!SeekTo(in, at) || std::fread(out.data(), 1, out.size(), in) != out.size())
    return "cannot read " + src.path + " (did it change while packing?)";
  return {};
}

std::string PackItem(PartChain& chain, const Item& item, int level, int64_t& done, int64_t total,
                     const PackProgress& progress) {
  FilePtr in;
  if (!item.src->path.empty() && !(in = OpenFile(item.src->path, "rb"))) return "cannot open " + item.src->path;
  const std::string header = BuildEntryHeader(item.name, item.src->dosTime);
  const int64_t headerLen = int64_t(header.size());
  int64_t at = 0;
  std::string data;
  for (;;) {
    const int64_t left = item.size - at;
    const int64_t room = chain.Room();
    if (room < 4 + headerLen + (left > 0 ? 1 : 0)) {
      if (!chain.HasEntries()) return "the part size is too small to hold a piece of " + item.name;
      if (auto e = chain.Next(); !e.empty()) return e;
      continue;
    }
    if (auto e = ReadPiece(in.get(), *item.src, at, std::min(left, kPackPieceSize), data); !e.empty()) return e;
    std::string block = BuildEntryBlock(header + data, level);
    // Too big for what is left of the part: shrink the piece; stored raw, roomStored bytes
    // always fit, and a compressed block is only chosen when it is smaller.
    for (int tries = 0; int64_t(block.size()) > room; ++tries) {
      const int64_t roomStored = room - 4 - headerLen;
      int64_t guess = int64_t(data.size()) * room / int64_t(block.size()) * 15 / 16;
      guess = tries < 3 ? std::max(guess, roomStored) : roomStored;
      data.resize(size_t(std::min<int64_t>(guess, int64_t(data.size()) - 1)));
      block = BuildEntryBlock(header + data, level);
    }
    if (auto e = chain.Add(block); !e.empty()) return e;
    at += int64_t(data.size());
    done += int64_t(data.size());
    if (progress) progress(done, total, item.name);
    if (at >= item.size) return {};
  }
}

std::string SourceSize(const PackFileSource& src, int64_t& size) {
  if (src.path.empty()) {
    size = int64_t(src.data.size());
    return {};
  }
  FilePtr f = OpenFile(src.path, "rb");
  if (!f || (size = FileSize(f.get())) < 0) return "cannot read " + src.path;
  return {};
}

// A package without update settings still carries a token; a token that decodes to nothing is
// refused by the reader, and a fixed one would tie unrelated packages together.
std::string RandomToken() {
  std::random_device device;
  std::string token;
  for (int i = 0; i < 12; ++i) token += "ABCDEFGHJKLMNPQRSTUVWXYZ23456789"[device() % 32];
  return token;
}

// Part files of an earlier, longer build of the same setup would be copied to disks with the new
// set and confuse whoever reads them; they go. Only the names this writer gives parts are touched.
void RemoveStaleParts(const std::string& outPath, const std::vector<std::string>& written) {
  for (int part = 1; part <= kPackMaxParts; ++part) {
    const std::string name = PackPartName(outPath, part);
    if (std::find(written.begin(), written.end(), name) != written.end()) continue;
    if (std::remove(name.c_str()) != 0 && part > 1) return;
  }
}

std::string FolderOf(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  return cut == path.npos ? std::string() : std::string(path.substr(0, cut + 1));
}

}  // namespace

// --- public pieces

bool IsPackStub(std::string_view image) {
  return image.size() >= 512 && image.substr(0, 2) == "MZ" && image.substr(256, 2) == "PE";
}

std::string PackPartName(std::string_view basePath, int part) {
  char digits[16];
  std::snprintf(digits, sizeof digits, ".%03d", part);
  return std::string(basePath) + digits;
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
  std::string stored;
  AppendU32(stored, uint32_t(-int64_t(entry.size())));
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
  std::string t(kTrailerSize, '\0');
  t[kTrailerFormatAt] = 1;
  t[kTrailerMetaCountAt] = char(f.metaBlocks);
  PutU32(t, kTrailerFirstBlockAt, f.firstBlock);
  PutU32(t, kTrailerEntryCountAt, f.entryCount);
  PutU32(t, kTrailerMagicAt, kPackMagic);
  PutU32(t, kTrailerChecksumAt, f.checksum);
  for (int i = 0; i < kSpaceTableEntries; ++i) PutU32(t, kTrailerSpaceAt + 4 * i, f.space.bytes[i]);
  t[kTrailerOptionsAt] = char(f.options);
  t[kTrailerWebSetupAt] = f.webSetup ? 1 : 0;
  t[kTrailerConfirmDownloadAt] = f.confirmDownload ? 1 : 0;
  t[kTrailerInstallAgentAt] = f.installAgent ? 1 : 0;
  t[kTrailerAutoUpdateAt] = f.autoUpdateAgent ? 1 : 0;
  PutU32(t, kTrailerLengthAt, kTrailerSize);
  return t;
}

uint32_t PackChecksum(int64_t fileSize, const std::function<size_t(int64_t, char*, size_t)>& readAt, int trailerLen) {
  if (fileSize > kChecksumSizeLimit) return kChecksumDisabled;
  char head[512];
  int64_t size = fileSize, at = 0;
  if (fileSize >= 258 && readAt(0, head, 258) == 258 && !std::memcmp(head, "MZ", 2) &&
      !std::memcmp(head + 256, "PE", 2)) {
    if (uint32_t mark = GetU32(head + kEndMarkAt + 4); mark != 0) {
      size = mark;
      at = 512;
    }
  }
  // Words are summed while more than 4 bytes remain after them, and each chunk read while that
  // holds adds 1234: the last two words before the trailer never count.
  int64_t remaining = size - trailerLen - at;
  uint32_t sum = 0;
  char buf[kChecksumChunk];
  for (;;) {
    size_t got = readAt(at, buf, sizeof buf);
    at += int64_t(got);
    for (size_t w = 0; w + 4 <= got; w += 4) {
      remaining -= 4;
      if (remaining > 4) sum += GetU32(buf + w);
    }
    if (remaining > 4) sum += kChecksumDisabled;
    if (got != sizeof buf) return sum;
  }
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

uint32_t PackChecksumOfFile(std::string_view path, int trailerLen) {
  FilePtr f = OpenFile(std::string(path), "rb");
  if (!f) return 0;
  int64_t size = FileSize(f.get());
  if (size < 0) return 0;
  std::FILE* raw = f.get();
  return PackChecksum(
      size,
      [raw](int64_t at, char* buf, size_t n) -> size_t { return SeekTo(raw, at) ? std::fread(buf, 1, n, raw) : 0; },
      trailerLen);
}

// --- the whole package

std::string WritePackage(const PackJob& job, std::string_view outPathView, std::vector<std::string>* written,
                         const PackProgress& progress) {
  const std::string outPath(outPathView);
  if (auto e = ValidateJob(job, outPath); !e.empty()) return e;

  std::vector<Item> items;
  if (!job.engine.name.empty()) items.push_back({&job.engine, job.engine.name + "*" + job.engineArgs, 0});
  for (const auto& f : job.files) items.push_back({&f, f.name, 0});
  PackTrailerFields fields;
  int64_t total = 0;
  for (auto& item : items) {
    if (auto e = SourceSize(*item.src, item.size); !e.empty()) return e;
    fields.space.Add(item.size);
    total += item.size;
  }
  fields.entryCount = uint32_t(items.size());
  fields.options = job.options & (kOptionConfirmTempExtract | kOptionSecondaryBar | kOptionAgentLog);
  fields.confirmDownload = job.confirmDownload;
  fields.installAgent = job.installAgent;
  fields.autoUpdateAgent = job.autoUpdateAgent;

  const bool web = job.layout == PackLayout::Web;
  fields.metaBlocks = web ? 3 : 2;
  PackUpdateSettings update = job.update;
  if (update.token.empty()) update.token = RandomToken();
  const std::string metaHead = Block(BuildLanguageBlock(job.languages)) + Block(BuildUpdateBlock(update, job.seed));
  // The uploaded package of a web setup carries the same web block (the stub compares its token);
  // its size field is fixed-width so that it can be filled in once the file is complete.
  constexpr int kSizeDigits = 12;
  std::string meta = metaHead;
  int64_t sizeFieldAt = -1;
  if (web) {
    const std::string webBlock = BuildWebBlockText(job.web, std::string(kSizeDigits, '0'), job.seed);
    sizeFieldAt = int64_t(job.stub.size() + metaHead.size() + 4 + webBlock.rfind('|', webBlock.size() - 2) + 1);
    meta += Block(webBlock);
  }

  OutputSet out;
  std::string firstPath = outPath;
  int64_t limit = kNoLimit;
  if (job.layout == PackLayout::Span || job.layout == PackLayout::SpanRelaunch) limit = job.partSize;
  if (job.layout == PackLayout::SpanRelaunch) firstPath = PackPartName(outPath, 1);
  if (web) {
    firstPath = FolderOf(outPath) + job.web.setupName;
    if (SameNameCI(firstPath, outPath)) return "the web setup name is the name of the setup file itself";
  }
  if (limit != kNoLimit && int64_t(job.stub.size() + meta.size()) + kTrailerSize >= limit)
    return "the part size is too small for the stub and the settings";

  PartChain chain(out, job, fields, outPath, limit);
  if (auto e = chain.OpenFirst(firstPath, meta); !e.empty()) return e;
  int64_t done = 0;
  for (const auto& item : items)
    if (auto e = PackItem(chain, item, job.level, done, total, progress); !e.empty()) return e;
  int64_t uploadSize = 0;
  if (web) {
    uploadSize = chain.Current().Size() + kTrailerSize;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*lld", kSizeDigits, static_cast<long long>(uploadSize));
    if (auto e = chain.Current().Patch(sizeFieldAt, digits); !e.empty()) return e;
  }
  if (auto e = chain.Close(false); !e.empty()) return e;

  // The file users start when it is not the first package file itself.
  if (job.layout == PackLayout::SpanRelaunch || web) {
    PackTrailerFields head = fields;
    std::string headMeta = metaHead;
    if (web) {
      head.webSetup = true;
      head.entryCount = 0;
      head.space = {};
      headMeta += Block(BuildWebBlock(job.web, uploadSize, job.seed));
    } else {
      head.options |= kOptionSpanRelaunch;
    }
    if (auto e = out.Start().Open(outPath, job.stub, headMeta); !e.empty()) return e;
    if (auto e = out.Finish(head, job.checksum); !e.empty()) return e;
  }
  if (written) written->clear();
  std::vector<std::string> paths;
  if (auto e = out.Commit(&paths); !e.empty()) return e;
  // Setup file first, then the package files in order.
  std::stable_partition(paths.begin(), paths.end(), [&](const std::string& p) { return p == outPath; });
  RemoveStaleParts(outPath, paths);
  if (written) *written = std::move(paths);
  return {};
}
