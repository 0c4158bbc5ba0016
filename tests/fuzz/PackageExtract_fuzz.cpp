// libFuzzer target over package reading and extraction. The input is one package file (or two part
// files) in a private temporary folder; the reader's queries, the checksum and ExtractPackage run
// on it, and afterwards nothing may exist in that folder besides the inputs and the output folder,
// which is emptied for the next run.
//
// Input: byte 0 = mode, bytes 1..2 = split offset (little-endian), then the file bytes.
//   mode bit 0: store 1234 as the checksum, so that damaged blocks get past the check
//   mode bit 1: split the bytes into Setup.exe and Setup.exe.002 at the offset
//   mode bit 2: start from Setup.exe.001 instead (the relaunched copy's name)
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "pack/PackX.h"
#include "pack/UnPack.h"
#include "pack/ZLibOpen.h"
#include "util/Files.h"

namespace fs = std::filesystem;

namespace {

// The stub window's part, without windows or waits; every disk question is cancelled.
struct QuietUI : ExtractUI {
  void Reset(int, int, int) override {}
  void Step(std::string_view) override {}
  void PumpMessages() override {}
  void WaitPumping(int) override {}
  void EnableAutoPlayCancel() override {}
  bool ConfirmNextDisk(int) override { return false; }
  void ShowError(std::string_view) override {}
};

const fs::path& Root() {
  // Under $TMPDIR: tests/fuzz/run points it at a folder it removes, since libFuzzer ends the
  // process without running exit handlers.
  static const fs::path root = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/velkit-fuzz-XXXXXX";
    if (!mkdtemp(tmpl.data())) std::abort();
    return fs::path(tmpl);
  }();
  return root;
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// Stores 1234 in the checksum field of the trailer the reader would find.
void DisableChecksum(std::string& file) {
  auto u32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(file[at + i]);
    return v;
  };
  size_t end = file.size();
  if (end >= 512 && file.compare(0, 2, "MZ") == 0 && file.compare(256, 2, "PE") == 0 && u32(252) != 0)
    end = std::min<size_t>(end, u32(252));
  if (end < 4) return;
  const size_t len = u32(end - 4);
  if (len < 20 || len > end) return;
  const size_t at = end - len + 16;
  const uint32_t off = 1234;
  for (int i = 0; i < 4; ++i) file[at + i] = char(off >> (8 * i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t mode = data[0];
  const size_t split = data[1] | size_t(data[2]) << 8;
  std::string bytes(reinterpret_cast<const char*>(data) + 3, size - 3);
  std::string second;
  if ((mode & 2) && split < bytes.size()) {
    second = bytes.substr(split);
    bytes.resize(split);
    if (mode & 1) DisableChecksum(second);
  }
  if (mode & 1) DisableChecksum(bytes);

  const fs::path& root = Root();
  const std::string first = (root / ((mode & 4) ? "Setup.exe.001" : "Setup.exe")).string();
  const fs::path out = root / "out";
  WriteBytes(first, bytes);
  if (!second.empty()) WriteBytes(root / "Setup.exe.002", second);

  TGFileInfo info(first);
  (void)info.GetRequiredSpace(first);
  (void)info.GetOriginalFileName();
  (void)info.GetUpdateToken(true);
  (void)info.GetWebToken(true);
  (void)info.GetWebSize();
  (void)info.GetLangString("s0", "x");
  (void)info.GetFontName();
  TPackTrailer trailer;
  if (ReadTrailer(first, trailer)) (void)ComputePackageChecksum(first, trailer.Length());

  QuietUI ui;
  ResetSaveFailureCount();
  // A damaged compressed block ends the extraction as DamagedEntry; nothing may escape it.
  ExtractPackage(first, out.string(), "Agent.exe", ui, false);

  // Nothing may land beside the inputs: only the output folder may have appeared.
  for (const auto& entry : fs::directory_iterator(root)) {
    const std::string name = entry.path().filename().string();
    if (name != "out" && name != "Setup.exe" && name != "Setup.exe.001" && name != "Setup.exe.002") {
      std::fprintf(stderr, "extraction wrote outside its folder: %s\n", name.c_str());
      std::abort();
    }
  }
  fs::remove_all(out);
  fs::remove(first);
  fs::remove(root / "Setup.exe.002");
  return 0;
}
