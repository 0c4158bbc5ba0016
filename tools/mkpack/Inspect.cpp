// mkpack inspect: walks a package file the way the extraction does (trailer, meta blocks, entry
// blocks, continued parts) and prints what it finds. The trailer, the checksum, the stub check and
// the part names are the format's own; the walk is the tool's, so that it can report what it meets.
#include "Inspect.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pack/PackX.h"
#include "util/Files.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

uint32_t U32(const std::string& s, size_t at) {
  if (at + 4 > s.size()) return 0;
  auto b = reinterpret_cast<const unsigned char*>(s.data() + at);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t(b[3]) << 24);
}

class Reader {
 public:
  explicit Reader(const std::string& path) : f_(std::fopen(path.c_str(), "rb")) {
    if (f_ && fseeko(f_.get(), 0, SEEK_END) == 0) size_ = ftello(f_.get());
  }
  bool Ok() const { return f_ && size_ >= 0; }
  int64_t Size() const { return size_; }
  std::string Read(int64_t at, int64_t n) {
    std::string out;
    if (at < 0 || n <= 0 || at >= size_ || fseeko(f_.get(), off_t(at), SEEK_SET) != 0) return out;
    out.resize(size_t(std::min(n, size_ - at)));
    out.resize(std::fread(out.data(), 1, out.size(), f_.get()));
    return out;
  }

 private:
  std::unique_ptr<std::FILE, FileCloser> f_;
  int64_t size_ = -1;
};

// An entry's header lies in its first bytes; the rest is only counted.
constexpr size_t kHeadKept = 65537;

// Inflates a zlib stream keeping its first kHeadKept bytes in head and counting all of them in
// total, so a stream that inflates to gigabytes costs no memory. False on a damaged stream.
bool InflateHead(const std::string& in, std::string& head, int64_t& total, std::string& error) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return error = "inflateInit failed", false;
  std::vector<char> buf(65536);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = uInt(in.size());
  head.clear();
  total = 0;
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buf.data());
    z.avail_out = uInt(buf.size());
    rc = inflate(&z, Z_NO_FLUSH);
    const size_t got = buf.size() - z.avail_out;
    if (head.size() < kHeadKept) head.append(buf.data(), std::min(got, kHeadKept - head.size()));
    total += int64_t(got);
  }
  inflateEnd(&z);
  if (rc != Z_STREAM_END) return error = z.msg ? z.msg : "truncated zlib stream", false;
  return true;
}

std::string DosText(uint32_t dos) {
  if (!dos) return "(no stamp)";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", (dos >> 25) + 1980, (dos >> 21) & 15,
                (dos >> 16) & 31, (dos >> 11) & 31, (dos >> 5) & 63, (dos & 31) * 2);
  return buf;
}

// The items of a token list whose first character is its delimiter.
std::vector<std::string> Tokens(const std::string& list) {
  std::vector<std::string> out;
  if (list.size() < 2 || list.back() != list.front()) return out;
  size_t start = 1;
  for (size_t i = 1; i < list.size(); ++i)
    if (list[i] == list[0]) {
      out.push_back(list.substr(start, i - start));
      start = i + 1;
    }
  return out;
}

std::string Printable(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c >= 32 && c != 127) {
      out += char(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

void PrintLanguages(const std::string& block) {
  std::printf("language block: %zu bytes", block.size());
  auto languages = Tokens(block);
  std::printf(", %zu language(s)\n", languages.size());
  for (const auto& lang : languages) {
    auto items = Tokens(lang);
    if (items.empty()) continue;
    std::printf("  [%s]\n", Printable(items[0]).c_str());
    for (size_t i = 1; i < items.size(); ++i) std::printf("    %s\n", Printable(items[i]).c_str());
  }
}

void PrintList(const char* title, const std::string& block, const char* const names[6], int tokenAt) {
  std::printf("%s: %zu bytes\n", title, block.size());
  auto items = Tokens(block);
  for (size_t i = 0; i < items.size(); ++i) {
    std::printf("  %-16s %s\n", i < 5 || (i == 5 && names[5]) ? names[i] : "(extra)", Printable(items[i]).c_str());
    if (int(i) == tokenAt)
      std::printf("  %-16s %s%s\n", "token (clear)", Printable(DescrambleToken(items[i])).c_str(),
                  items[i].size() == 40 ? "" : " (not a 40-letter token: a random text, it matches nothing)");
  }
}

struct Walk {
  int part = 1;
  int64_t blockIndex = 0;
  int metaBlocks = 2;
  bool healthy = true;
  // Consecutive pieces of one file are shown as one line.
  std::string lastName, previousName;
  int64_t lastSize = 0, lastBlocks = 0;
  uint32_t lastStamp = 0;
  int files = 0;
  bool relaunch = false;

  void FlushEntry() {
    if (lastName.empty()) return;
    std::printf("  %-40s %12lld  %s%s\n", Printable(lastName).c_str(), static_cast<long long>(lastSize),
                DosText(lastStamp).c_str(),
                lastBlocks > 1 ? (" (" + std::to_string(lastBlocks) + " pieces)").c_str() : "");
    previousName = lastName;
    lastName.clear();
  }
  void Entry(const std::string& name, uint32_t stamp, int64_t size) {
    if (name != lastName) {
      FlushEntry();
      lastName = name;
      lastStamp = stamp;
      lastSize = 0;
      lastBlocks = 0;
      if (name != previousName) ++files;  // a file continued on the next part counts once
    }
    lastSize += size;
    ++lastBlocks;
  }
};

// One file of the package; returns whether a further part follows.
bool InspectFile(const std::string& path, Walk& walk) {
  Reader r(path);
  std::printf("== %s (part %d)\n", path.c_str(), walk.part);
  if (!r.Ok()) {
    std::printf("cannot read the file\n");
    walk.healthy = false;
    return false;
  }
  const std::string head = r.Read(0, 512);
  const bool exe = HasStubSignature(head);
  const uint64_t mark = exe ? ReadPackageEndFromImage(head) : 0;
  int64_t end = mark ? int64_t(mark) : r.Size();
  std::printf("file size %lld, %s, package end mark %llu\n", static_cast<long long>(r.Size()),
              exe ? "executable package" : "part file", static_cast<unsigned long long>(mark));
  int64_t trailerLen = int32_t(U32(r.Read(end - 4, 4), 0));
  if (end > r.Size() || trailerLen < 4 || trailerLen > end) {
    std::printf("no readable trailer (length field %lld)\n", static_cast<long long>(trailerLen));
    walk.healthy = false;
    return false;
  }
  // Every field as the file holds it: a short trailer reads as zeros past its end.
  TPackTrailer t;
  const std::string held = r.Read(end - trailerLen, std::min<int64_t>(trailerLen, kTrailerSize) - 4);
  std::copy(held.begin(), held.end(), t.bytes.begin());
  bool magicOk = t.Magic() == kPackMagic;
  int meta = t.MetaBlockCount() ? t.MetaBlockCount() : 2;
  uint32_t stored = t.Checksum(), computed = ComputePackageChecksum(path, trailerLen);
  bool sumOk = ChecksumAccepted(stored, computed);
  std::printf("trailer: length %lld, magic %s, meta blocks %d, first block %u, entry count %u\n",
              static_cast<long long>(trailerLen), magicOk ? "ok" : "WRONG", meta, t.FirstBlockOffset(), t.EntryCount());
  std::printf("checksum: stored %u, computed %u: %s\n", stored, computed,
              stored == kChecksumDisabled || computed == kChecksumDisabled ? "check off"
              : sumOk                                                      ? "holds"
                                                                           : "DOES NOT HOLD");
  std::printf("space table:");
  for (int i = 0; i < kSpaceTableEntries; ++i) std::printf(" %u", t.Space(i));
  uint8_t opt = t.Options();
  std::printf("\noptions 0x%02X:%s%s%s%s%s\n", opt, opt & kOptionConfirmTempExtract ? " confirm-temp-extract" : "",
              opt & kOptionContinued ? " continued" : "", opt & kOptionSpanRelaunch ? " span-relaunch" : "",
              opt & kOptionSecondaryBar ? " secondary-bar" : "", opt & kOptionAgentLog ? " agent-log" : "");
  std::printf("flags: web-setup %d, confirm-download %d, install-agent %d, auto-update-agent %d\n",
              t.WebSetupFlag(), t.ConfirmDownloadFlag(), t.InstallAgentFlag(), t.AutoUpdateFlag());
  walk.healthy &= magicOk && sumOk;
  if (!magicOk) return opt & kOptionContinued;
  if (walk.part == 1) walk.metaBlocks = meta;

  if (walk.part == 1) walk.relaunch = opt & kOptionSpanRelaunch;
  int64_t pos = t.FirstBlockOffset();
  bool entriesShown = false;
  static const char* const kUpdateNames[6] = {"info URL", "info file", "agent exe", "token", "hide", "public key"};
  static const char* const kWebNames[6] = {"URL", "setup name", "always download", "token", "size", nullptr};
  while (end - pos > kTrailerSize) {
    int32_t len = int32_t(U32(r.Read(pos, 4), 0));
    int64_t n = len < 0 ? -int64_t(len) : len;
    if (pos + 4 + n > end) {
      std::printf("block %lld at %lld runs past the end of the package\n", static_cast<long long>(walk.blockIndex),
                  static_cast<long long>(pos));
      walk.healthy = false;
      break;
    }
    std::string block = r.Read(pos + 4, n);
    pos += 4 + n;
    ++walk.blockIndex;
    if (walk.blockIndex == 1) PrintLanguages(block);
    if (walk.blockIndex == 2) PrintList("update block", block, kUpdateNames, 3);
    if (walk.blockIndex == 3 && walk.metaBlocks >= 3) PrintList("web block", block, kWebNames, 3);
    if (walk.blockIndex <= walk.metaBlocks) continue;
    if (!entriesShown) std::printf("entries:\n");
    entriesShown = true;
    std::string head, error;
    int64_t total = int64_t(block.size());
    if (len > 0 && !InflateHead(block, head, total, error)) {
      std::printf("  block %lld: damaged zlib stream (%s)\n", static_cast<long long>(walk.blockIndex), error.c_str());
      walk.healthy = false;
      continue;
    }
    if (len <= 0) head = block.substr(0, kHeadKept);
    size_t zero = head.find('\0');
    if (zero == 0 || zero == head.npos) continue;
    auto header = Tokens(head.substr(0, zero));
    std::string name = header.empty() ? "" : header[0];
    uint32_t stamp = header.size() > 1 ? uint32_t(std::strtoul(header[1].c_str(), nullptr, 10)) : 0;
    walk.Entry(name, stamp, total - int64_t(zero) - 1);
  }
  walk.FlushEntry();
  return opt & kOptionContinued;
}

int InspectSet(const std::string& path, Walk& walk) {
  std::string current = path;
  while (InspectFile(current, walk)) {
    current = PartFilePath(path, ++walk.part);
    if (!FileExists(current)) {
      std::printf("next part %s is missing\n", current.c_str());
      walk.healthy = false;
      break;
    }
  }
  std::printf("%d file(s); %s\n", walk.files, walk.healthy ? "package sound" : "PACKAGE DAMAGED");
  return walk.healthy ? 0 : 1;
}

}  // namespace

int RunInspect(const std::string& path) {
  if (!FileExists(path)) {
    std::fprintf(stderr, "mkpack: %s does not exist\n", path.c_str());
    return 2;
  }
  Walk walk;
  int code = InspectSet(path, walk);
  // The relaunched copy of a span-relaunch setup reads the set from the started file's name + ".001".
  if (walk.relaunch && FileExists(path + ".001")) {
    std::printf("\nspan relaunch: the relaunched copy reads %s.001\n", path.c_str());
    Walk set;
    code = std::max(code, InspectSet(path + ".001", set));
  }
  return code;
}
