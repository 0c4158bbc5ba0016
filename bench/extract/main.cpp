// Extraction benchmark: ExtractPackage against the physical limit measured on the same package, a
// plain loop that reads the same blocks, inflates the same zlib streams and writes the same files.
//   bench_extract make DIR          payload (~64 MB: random, text-like, 14 MB of zeros) and DIR/Setup.exe
//   bench_extract extract PKG OUT   ExtractPackage into OUT
//   bench_extract loop PKG OUT      the plain loop into OUT
// bench/extract/run drives it with hyperfine and /usr/bin/time.
#include <sys/stat.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pack/PackWriter.h"
#include "pack/UnPack.h"
#include "pack/ZLibOpen.h"

namespace fs = std::filesystem;

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The benchmark's window: nothing to show, no waits.
struct NoWaitUI : ExtractUI {
  void Reset(int, int, int) override {}
  void Step(std::string_view) override {}
  void PumpMessages() override {}
  void WaitPumping(int) override {}
  void EnableAutoPlayCancel() override {}
  bool ConfirmNextDisk(int) override { return false; }
  void ShowError(std::string_view text) override {
    std::fprintf(stderr, "error: %.*s\n", int(text.size()), text.data());
  }
};

// Writes size bytes made by fill(chunk, offset) to path, 1 MB at a time.
template <class Fill>
void WritePayloadFile(const fs::path& path, int64_t size, Fill fill) {
  fs::create_directories(path.parent_path());
  FilePtr f(std::fopen(path.c_str(), "wb"));
  std::string chunk;
  for (int64_t at = 0; at < size; at += 1 << 20) {
    chunk.assign(size_t(std::min<int64_t>(1 << 20, size - at)), '\0');
    fill(chunk, at);
    std::fwrite(chunk.data(), 1, chunk.size(), f.get());
  }
}

int Make(const fs::path& dir) {
  const fs::path payload = dir / "payload";
  uint64_t x = 88172645463325252ull;
  auto next = [&x] {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    return x;
  };
  auto random = [&](std::string& c, int64_t) {
    for (size_t i = 0; i + 8 <= c.size(); i += 8) {
      uint64_t v = next();
      std::memcpy(&c[i], &v, 8);
    }
  };
  static const char* const kWords[] = {"setup ",  "package ", "extract ", "the ",   "file ",   "agent ", "update ",
                                       "window ", "\r\n",     "version ", "1.2.3 ", "folder ", "of ",    "and "};
  auto text = [&](std::string& c, int64_t) {
    size_t i = 0;
    while (i < c.size()) {
      const char* w = kWords[next() % 14];
      for (; *w && i < c.size(); ++w) c[i++] = *w;
    }
  };
  auto zeros = [](std::string&, int64_t) {};
  for (int i = 0; i < 5; ++i) WritePayloadFile(payload / "bin" / ("r" + std::to_string(i) + ".bin"), 5 << 20, random);
  for (int i = 0; i < 400; ++i)
    WritePayloadFile(payload / "small" / ("s" + std::to_string(i) + ".dat"), 5000 + i * 37, random);
  for (int i = 0; i < 4; ++i) WritePayloadFile(payload / "doc" / ("t" + std::to_string(i) + ".txt"), 5 << 20, text);
  WritePayloadFile(payload / "zeros.img", 14 << 20, zeros);

  PackJob job;
  job.stub.assign(600, '\0');
  job.stub[0] = 'M', job.stub[1] = 'Z', job.stub[256] = 'P', job.stub[257] = 'E';
  job.update.token = "BENCH";
  job.engine = {"Engine.exe", "", "engine", 0};
  for (const auto& e : fs::recursive_directory_iterator(payload)) {
    if (!e.is_regular_file()) continue;
    std::string name = e.path().lexically_relative(payload).generic_string();
    for (char& c : name)
      if (c == '/') c = '\\';
    job.files.push_back({name, e.path().string(), "", 0x5A8B6000});
  }
  std::string error = WritePackage(job, (dir / "Setup.exe").string());
  if (!error.empty()) {
    std::fprintf(stderr, "bench_extract: %s\n", error.c_str());
    return 1;
  }
  int64_t total = 0;
  for (const auto& f : job.files) total += int64_t(fs::file_size(f.path));
  std::printf("payload %.1f MB in %zu files, package %.1f MB\n", double(total) / 1048576, job.files.size(),
              double(fs::file_size(dir / "Setup.exe")) / 1048576);
  return 0;
}

int Extract(const std::string& pkg, const std::string& out) {
  NoWaitUI ui;
  const ExtractResult r = ExtractPackage(pkg, out, "", ui, false);
  return r.end == ExtractEnd::Done && r.markedEntry == "Engine.exe*" ? 0 : 1;
}

uint32_t U32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

// The physical limit: the same reads, the same inflation, the same writes, nothing else.
int Loop(const std::string& pkg, const std::string& out) {
  FilePtr in(std::fopen(pkg.c_str(), "rb"));
  if (!in) return 1;
  std::fseek(in.get(), 0, SEEK_END);
  const long end = std::ftell(in.get());
  unsigned char trailer[74];
  std::fseek(in.get(), end - 74, SEEK_SET);
  if (std::fread(trailer, 1, 74, in.get()) != 74) return 1;
  long pos = long(U32(trailer + 4));
  int meta = trailer[1];
  std::vector<unsigned char> block;
  std::vector<unsigned char> buf(65536);
  std::string name;
  FilePtr outFile;
  for (int index = 0; end - pos > 74; ++index) {
    unsigned char len[4];
    std::fseek(in.get(), pos, SEEK_SET);
    if (std::fread(len, 1, 4, in.get()) != 4) return 1;
    const int32_t l = int32_t(U32(len));
    const size_t n = size_t(l < 0 ? -int64_t(l) : l);
    block.resize(n);
    if (std::fread(block.data(), 1, n, in.get()) != n) return 1;
    pos += long(4 + n);
    if (index < meta) continue;
    // Header up to the first 0x00, then data to the file of that name.
    std::string header;
    bool inHeader = true;
    auto take = [&](const unsigned char* p, size_t k) {
      if (inHeader) {
        const unsigned char* zero = static_cast<const unsigned char*>(std::memchr(p, 0, k));
        header.append(reinterpret_cast<const char*>(p), zero ? size_t(zero - p) : k);
        if (!zero) return;
        inHeader = false;
        std::string entryName = header.substr(1, header.find('|', 1) - 1);
        entryName = entryName.substr(0, entryName.find('*'));
        if (entryName != name || !outFile) {
          name = entryName;
          std::string path = out + "/" + name;
          for (char& c : path)
            if (c == '\\') c = '/';
          fs::create_directories(fs::path(path).parent_path());
          outFile.reset(std::fopen(path.c_str(), "ab"));
        }
        k -= size_t(zero - p) + 1;
        p = zero + 1;
      }
      std::fwrite(p, 1, k, outFile.get());
    };
    if (l <= 0) {
      take(block.data(), n);
      continue;
    }
    z_stream z{};
    inflateInit(&z);
    z.next_in = block.data();
    z.avail_in = uInt(n);
    int rc = Z_OK;
    while (rc == Z_OK) {
      z.next_out = buf.data();
      z.avail_out = uInt(buf.size());
      rc = inflate(&z, Z_NO_FLUSH);
      take(buf.data(), buf.size() - z.avail_out);
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END) return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string cmd = argc > 1 ? argv[1] : "";
  if (cmd == "make" && argc == 3) return Make(argv[2]);
  if (cmd == "extract" && argc == 4) return Extract(argv[2], argv[3]);
  if (cmd == "loop" && argc == 4) return Loop(argv[2], argv[3]);
  const bool help = cmd == "--help" || cmd == "-h";
  std::fputs("usage: bench_extract make DIR | extract PKG OUT | loop PKG OUT\n", help ? stdout : stderr);
  return help ? 0 : 2;
}
