// pefix: moves the PE header of a linked executable to file offset 256.
//
// The package format keeps the bytes 248..255 of the DOS header area for the package end mark
// and recognises an executable package by "PE" at exactly offset 256. The GNU linker puts the
// PE signature right after its DOS stub (usually at 128), so after linking we move the NT
// headers and the section table up to 256 and point e_lfanew at them. The headers' area
// (SizeOfHeaders) is large enough in practice; if it is not, the tool fails loudly.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {
constexpr uint32_t kTarget = 256;

uint32_t Get32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}
uint16_t Get16(const std::vector<unsigned char>& b, size_t at) { return uint16_t(b[at] | (b[at + 1] << 8)); }
void Put32(std::vector<unsigned char>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (unsigned char)(v >> (8 * i));
}
int Fail(const char* path, const char* why) {
  std::fprintf(stderr, "pefix: %s: %s\n", path, why);
  return 1;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || !std::strcmp(argv[1], "--help")) {
    std::fprintf(argc == 2 ? stdout : stderr, "usage: pefix FILE.exe\nMoves the PE header to offset 256.\n");
    return argc == 2 ? 0 : 2;
  }
  const char* path = argv[1];
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), {});
  if (b.size() < 1024 || b[0] != 'M' || b[1] != 'Z') return Fail(path, "not an MZ executable");
  uint32_t peAt = Get32(b, 0x3C);
  if (peAt == kTarget) return 0;
  if (peAt + 24 > b.size() || std::memcmp(&b[peAt], "PE\0\0", 4) != 0) return Fail(path, "no PE signature");
  uint16_t sections = Get16(b, peAt + 6);
  uint16_t optSize = Get16(b, peAt + 20);
  uint32_t headersLen = 4 + 20 + optSize + 40u * sections;
  uint32_t sizeOfHeaders = Get32(b, peAt + 24 + 60);
  if (peAt > kTarget) return Fail(path, "PE header already lies past offset 256");
  if (kTarget + headersLen > sizeOfHeaders) return Fail(path, "no room in the header area");
  // Nothing else may live between the old and new end of the headers.
  for (uint32_t i = peAt + headersLen; i < kTarget + headersLen; ++i)
    if (b[i] != 0) return Fail(path, "header area after the section table is not free");
  std::vector<unsigned char> headers(b.begin() + peAt, b.begin() + peAt + headersLen);
  std::fill(b.begin() + peAt, b.begin() + peAt + headersLen, 0);
  std::copy(headers.begin(), headers.end(), b.begin() + kTarget);
  Put32(b, 0x3C, kTarget);
  Put32(b, kTarget + 24 + 64, 0);  // CheckSum: no longer valid; 0 means "not set", as the linker writes it
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  return out ? 0 : Fail(path, "cannot write");
}
