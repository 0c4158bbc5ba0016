// The format's byte rules that the reader, the extraction and the builder share.
#include "pack/PackFormat.h"

bool HasStubSignature(std::string_view head) {
  return head.size() >= size_t(kPeSignatureOffset + 2) && head[0] == 'M' && head[1] == 'Z' &&
         head[kPeSignatureOffset] == 'P' && head[kPeSignatureOffset + 1] == 'E';
}

uint64_t ReadPackageEndFromImage(std::string_view image) {
  if (image.size() < size_t(kPackageEndLowOffset + 4)) return 0;
  auto p = reinterpret_cast<const unsigned char*>(image.data());
  return uint64_t(LoadLe32(p + kPackageEndHighOffset)) << 32 | LoadLe32(p + kPackageEndLowOffset);
}

std::string PackageEndBytes(uint64_t end) {
  std::string bytes(8, '\0');
  for (int i = 0; i < 4; ++i) {
    bytes[size_t(i)] = char(uint8_t(end >> (32 + 8 * i)));
    bytes[size_t(4 + i)] = char(uint8_t(end >> (8 * i)));
  }
  return bytes;
}

bool ChecksumAccepted(uint32_t stored, uint32_t computed) {
  return stored == computed || stored == kChecksumDisabled || computed == kChecksumDisabled;
}
