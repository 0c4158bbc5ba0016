// SHA-256 (FIPS 180-4). Blocks go through the processor's SHA extensions where it has them (asked
// once at run time), else through the portable rounds; both give the same digest.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
 public:
  Sha256();
  void Update(std::string_view data);
  Sha256Digest Final();

  // For tests and the benchmark: false sends every block through the portable rounds.
  static void UseHardware(bool on);
  static bool HardwareAvailable();

 private:
  void Blocks(const uint8_t* data, size_t count);
  uint32_t state_[8];
  uint8_t buffer_[64];
  size_t buffered_ = 0;
  uint64_t length_ = 0;
};

Sha256Digest Sha256Of(std::string_view data);
// The digest of a whole file, read in large pieces; false when it cannot be read to its end.
bool Sha256OfFile(std::string_view path, Sha256Digest& digest, int64_t* size = nullptr);
std::string DigestHex(const Sha256Digest& digest);
