// extractfloor: the floor under the stub's extraction on the platform it runs on. It walks the
// entry blocks of a package with the same static zlib as the stub and writes every entry with the
// system's own calls only (CreateFile, WriteFile, SetFileTime, CloseHandle) into a fresh folder:
// no checksum, no window, no progress, no message queue, and a name's pieces written through one
// open handle. Run under the same Wine as the stub, its time is what the stub's extraction can
// at best come down to.
//   extractfloor PACKAGE FOLDER
// Prints "FloorStart", then "FloorTime: N MS" (from the package's opening to the last file's
// closing, the span the stub's "UnCompressTime" covers) and the number of entry blocks, files and
// bytes written.
#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {
constexpr DWORD kBufferSize = 1 << 20;
// The trailer's last 74 bytes, the end mark in the stub's DOS header (high half at 248, low half
// at 252), and "MZ" ... "PE" at 256 mark an executable package.
constexpr int kTrailerSize = 74;

uint32_t U32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Sequential reads of the package through a 1 MiB buffer.
class Reader {
 public:
  explicit Reader(HANDLE file) : file_(file), buffer_(kBufferSize) {}
  bool Seek(int64_t offset) {
    LARGE_INTEGER at;
    at.QuadPart = offset;
    at_ = filled_ = 0;
    return SetFilePointerEx(file_, at, nullptr, FILE_BEGIN);
  }
  // Up to want bytes at the current position (fewer only at the end of the file).
  size_t Read(void* out, size_t want) {
    size_t done = 0;
    while (done < want) {
      if (at_ == filled_ && !Fill()) break;
      size_t n = std::min(want - done, filled_ - at_);
      memcpy(static_cast<char*>(out) + done, buffer_.data() + at_, n);
      at_ += n;
      done += n;
    }
    return done;
  }

 private:
  bool Fill() {
    DWORD got = 0;
    at_ = filled_ = 0;
    if (!ReadFile(file_, buffer_.data(), kBufferSize, &got, nullptr) || got == 0) return false;
    filled_ = got;
    return true;
  }
  HANDLE file_;
  std::vector<char> buffer_;
  size_t at_ = 0, filled_ = 0;
};

// The target of the current name: one open handle across its pieces, data collected up to 1 MiB
// per WriteFile, the stamp set before the handle closes.
class Writer {
 public:
  explicit Writer(std::string folder) : folder_(std::move(folder)), buffer_(kBufferSize) {}
  ~Writer() { Close(); }

  bool Start(const std::string& name, uint32_t stamp) {
    stamp_ = stamp;
    if (name == name_ && file_ != INVALID_HANDLE_VALUE) return true;
    Close();
    name_ = name;
    const std::string path = folder_ + "\\" + name;
    // Each folder of the tree is made once.
    for (size_t at = path.find('\\', folder_.size() + 1); at != std::string::npos; at = path.find('\\', at + 1)) {
      if (folders_.insert(path.substr(0, at)).second) CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
    file_ = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return false;
    ++files;
    return true;
  }
  // Where inflate writes next, and how much room is left there.
  Bytef* Space() { return reinterpret_cast<Bytef*>(buffer_.data() + used_); }
  uInt Room() const { return uInt(kBufferSize - used_); }
  bool Commit(size_t n) {
    used_ += n;
    return used_ < kBufferSize || Flush();
  }
  bool Close() {
    bool ok = Flush();
    if (file_ != INVALID_HANDLE_VALUE) {
      FILETIME local, utc;
      if (stamp_ && DosDateTimeToFileTime(HIWORD(stamp_), LOWORD(stamp_), &local) &&
          LocalFileTimeToFileTime(&local, &utc))
        SetFileTime(file_, nullptr, nullptr, &utc);
      ok = CloseHandle(file_) && ok;
      file_ = INVALID_HANDLE_VALUE;
    }
    return ok;
  }
  int64_t files = 0, bytes = 0;

 private:
  bool Flush() {
    DWORD written = 0;
    bool ok = used_ == 0 || (WriteFile(file_, buffer_.data(), DWORD(used_), &written, nullptr) && written == used_);
    bytes += int64_t(used_);
    used_ = 0;
    return ok;
  }
  std::string folder_, name_;
  std::set<std::string> folders_;
  std::vector<char> buffer_;
  size_t used_ = 0;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  uint32_t stamp_ = 0;
};

// Header "|name|stamp|..." up to the first 0x00: the name before any "*", and the stamp.
bool ParseHeader(const std::string& header, std::string& name, uint32_t& stamp) {
  if (header.size() < 2) return false;
  const char d = header[0];
  size_t end = header.find(d, 1);
  name = header.substr(1, end == std::string::npos ? std::string::npos : end - 1);
  name = name.substr(0, name.find('*'));
  stamp = end == std::string::npos ? 0 : uint32_t(strtoul(header.c_str() + end + 1, nullptr, 10));
  return !name.empty();
}

// One entry block of n bytes: its header, then its data into the writer. False on a damaged block
// or a failed write.
bool ExtractBlock(Reader& in, int64_t n, bool compressed, Writer& out, std::vector<char>& chunk) {
  z_stream z{};
  if (compressed && inflateInit(&z) != Z_OK) return false;
  std::string header;
  bool inHeader = true, ok = true;
  // Bytes of this block that are data, handed on from wherever they came.
  auto take = [&](const char* p, size_t size) {
    if (inHeader) {
      const char* zero = static_cast<const char*>(memchr(p, 0, size));
      header.append(p, zero ? size_t(zero - p) : size);
      if (!zero) return true;
      inHeader = false;
      std::string name;
      uint32_t stamp = 0;
      if (!ParseHeader(header, name, stamp) || !out.Start(name, stamp)) return false;
      size -= size_t(zero + 1 - p);
      p = zero + 1;
    }
    while (size > 0) {
      size_t n = std::min<size_t>(size, out.Room());
      memcpy(out.Space(), p, n);
      if (!out.Commit(n)) return false;
      p += n;
      size -= n;
    }
    return true;
  };
  int rc = Z_OK;
  while (ok && n > 0 && rc != Z_STREAM_END) {
    size_t got = in.Read(chunk.data(), size_t(std::min<int64_t>(n, int64_t(chunk.size()))));
    if (got == 0) break;
    n -= int64_t(got);
    if (!compressed) {
      ok = take(chunk.data(), got);
      continue;
    }
    z.next_in = reinterpret_cast<Bytef*>(chunk.data());
    z.avail_in = uInt(got);
    do {
      if (inHeader) {
        // The header goes through a small staging area; the data after it straight to the writer.
        char stage[4096];
        z.next_out = reinterpret_cast<Bytef*>(stage);
        z.avail_out = sizeof stage;
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc < 0 && rc != Z_BUF_ERROR) ok = false;
        if (ok) ok = take(stage, sizeof stage - z.avail_out);
      } else {
        z.next_out = out.Space();
        z.avail_out = out.Room();
        const uInt room = z.avail_out;
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc < 0 && rc != Z_BUF_ERROR) ok = false;
        if (ok) ok = out.Commit(room - z.avail_out);
      }
    } while (ok && rc != Z_STREAM_END && (z.avail_in > 0 || z.avail_out == 0));
  }
  if (compressed) inflateEnd(&z);
  return ok && n == 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    const bool help = argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"));
    std::fprintf(help ? stdout : stderr, "usage: extractfloor PACKAGE FOLDER\n");
    return help ? 0 : 2;
  }
  // The first line marks the start of the span for a benchmark that follows the output.
  std::printf("FloorStart\n");
  std::fflush(stdout);
  const double start = NowMs();
  HANDLE package = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (package == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 1;
  }
  LARGE_INTEGER size;
  GetFileSizeEx(package, &size);
  Reader in(package);
  unsigned char head[260] = {};
  in.Read(head, sizeof head);
  int64_t end = size.QuadPart;
  if (head[0] == 'M' && head[1] == 'Z' && head[256] == 'P' && head[257] == 'E') {
    uint64_t mark = uint64_t(U32(head + 248)) << 32 | U32(head + 252);
    if (mark) end = int64_t(mark);
  }
  unsigned char trailer[kTrailerSize];
  in.Seek(end - kTrailerSize);
  if (in.Read(trailer, kTrailerSize) != kTrailerSize) return 1;
  const int metaBlocks = trailer[1] ? trailer[1] : 2;
  int64_t pos = U32(trailer + 4);

  CreateDirectoryA(argv[2], nullptr);
  Writer out(argv[2]);
  std::vector<char> chunk(65536);
  int blocks = 0;
  in.Seek(pos);
  bool ok = true;
  while (ok && end - pos > kTrailerSize) {
    unsigned char length[4];
    if (in.Read(length, 4) != 4) break;
    const int32_t l = int32_t(U32(length));
    const int64_t n = l < 0 ? -int64_t(l) : l;
    pos += n + 4;
    if (++blocks <= metaBlocks) {
      in.Seek(pos);
      continue;
    }
    ok = ExtractBlock(in, n, l > 0, out, chunk);
  }
  ok = out.Close() && ok;
  CloseHandle(package);
  std::printf("FloorTime: %.0f MS\n", NowMs() - start);
  std::printf("entry blocks %d, files %lld, bytes %lld%s\n", blocks - metaBlocks, (long long)out.files,
              (long long)out.bytes, ok ? "" : " (FAILED)");
  return ok ? 0 : 1;
}
