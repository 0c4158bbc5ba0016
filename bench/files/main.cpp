// bench_files: what the safe write of WriteFileData (a temporary file beside the target, renamed
// over it when complete) costs against writing the target directly, for many small files as an
// extraction makes them and for one large file written in pieces. Page-cache figures: nothing is
// synced, so the numbers compare the calls, not the disk.
//   bench_files [FOLDER]   (default: the system temporary folder)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "util/Files.h"

namespace fs = std::filesystem;

namespace {
// Best of three runs, in seconds.
double Best(const std::function<void()>& run) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    run();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

bool DirectWrite(const std::string& path, const std::string& data, size_t piece) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  for (size_t at = 0; ok && at < data.size(); at += piece)
    ok = write(fd, data.data() + at, std::min(piece, data.size() - at)) > 0;
  return close(fd) == 0 && ok;
}

bool StdioWrite(const std::string& path, const std::string& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::puts("usage: bench_files [FOLDER]   the safe write against a direct one, in FOLDER (default: temp)");
    return 0;
  }
  const fs::path root = fs::path(argc > 1 ? argv[1] : fs::temp_directory_path().string()) / "vk_bench_files";
  fs::remove_all(root);
  fs::create_directories(root);
  const int files = 2000;
  const std::string small(16 * 1024, 'x');
  const std::string large(64 << 20, 'y');

  std::printf("%d files of 16 KB (files per second; higher is better)\n", files);
  auto many = [&](const char* name, const std::function<bool(const std::string&)>& write) {
    double s = Best([&] {
      for (int i = 0; i < files; ++i) write((root / ("f" + std::to_string(i) + ".dat")).string());
    });
    std::printf("  %-34s %10.0f\n", name, files / s);
  };
  many("WriteFileData (temporary + rename)", [&](const std::string& p) { return WriteFileData(p, small); });
  many("open/write/close in place", [&](const std::string& p) { return DirectWrite(p, small, small.size()); });
  many("stdio fopen/fwrite/fclose", [&](const std::string& p) { return StdioWrite(p, small); });

  std::printf("one file of 64 MB (MB per second; higher is better)\n");
  const std::string big = (root / "big.dat").string();
  auto one = [&](const char* name, const std::function<bool()>& write) {
    double s = Best([&] { write(); });
    std::printf("  %-34s %10.0f\n", name, 64 / s);
  };
  one("WriteFileData (1 MB pieces)", [&] { return WriteFileData(big, large); });
  one("one write(2) of 64 MB in place", [&] { return DirectWrite(big, large, large.size()); });
  one("stdio fwrite", [&] { return StdioWrite(big, large); });
  fs::remove_all(root);
  return 0;
}
