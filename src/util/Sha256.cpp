// SHA-256: the portable rounds and, on x86, the rounds with the SHA extensions (the block routine is
// chosen once, from CPUID).
#include "util/Sha256.h"

#include <cstring>
#include <memory>

#include "util/Files.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define VELKIT_SHA_X86 1
#endif

namespace {
constexpr uint32_t kK[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void PortableBlocks(uint32_t* s, const uint8_t* p, size_t count) {
  for (; count > 0; --count, p += 64) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
      w[i] = uint32_t(p[4 * i]) << 24 | uint32_t(p[4 * i + 1]) << 16 | uint32_t(p[4 * i + 2]) << 8 | p[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
      const uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = s[0], b = s[1], c = s[2], d = s[3], e = s[4], f = s[5], g = s[6], h = s[7];
    for (int i = 0; i < 64; ++i) {
      const uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kK[i] + w[i];
      const uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    s[0] += a;
    s[1] += b;
    s[2] += c;
    s[3] += d;
    s[4] += e;
    s[5] += f;
    s[6] += g;
    s[7] += h;
  }
}

#ifdef VELKIT_SHA_X86
bool CpuHasSha() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool ssse3 = (c & (1u << 9)) != 0, sse41 = (c & (1u << 19)) != 0;
  if (!ssse3 || !sse41 || __get_cpuid_max(0, nullptr) < 7) return false;
  __cpuid_count(7, 0, a, b, c, d);
  return (b & (1u << 29)) != 0;
}

// Four rounds with the message words m (already in big-endian order) and round constants from k.
#define VELKIT_SHA_ROUNDS4(m, k)                                   \
  do {                                                             \
    __m128i t = _mm_add_epi32(m, _mm_loadu_si128((const __m128i*)(k))); \
    cdgh = _mm_sha256rnds2_epu32(cdgh, abef, t);                   \
    t = _mm_shuffle_epi32(t, 0x0E);                                \
    abef = _mm_sha256rnds2_epu32(abef, cdgh, t);                   \
  } while (0)

__attribute__((target("sha,sse4.1,ssse3"))) void ShaNiBlocks(uint32_t* s, const uint8_t* p, size_t count) {
  const __m128i swap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  // The state as the instructions want it: ABEF and CDGH.
  __m128i t = _mm_loadu_si128((const __m128i*)&s[0]);  // DCBA
  __m128i cdgh = _mm_loadu_si128((const __m128i*)&s[4]);  // HGFE
  t = _mm_shuffle_epi32(t, 0xB1);          // CDAB
  cdgh = _mm_shuffle_epi32(cdgh, 0x1B);    // EFGH
  __m128i abef = _mm_alignr_epi8(t, cdgh, 8);   // ABEF
  cdgh = _mm_blend_epi16(cdgh, t, 0xF0);        // CDGH

  for (; count > 0; --count, p += 64) {
    const __m128i abefSave = abef, cdghSave = cdgh;
    __m128i m0 = _mm_shuffle_epi8(_mm_loadu_si128((const __m128i*)(p + 0)), swap);
    __m128i m1 = _mm_shuffle_epi8(_mm_loadu_si128((const __m128i*)(p + 16)), swap);
    __m128i m2 = _mm_shuffle_epi8(_mm_loadu_si128((const __m128i*)(p + 32)), swap);
    __m128i m3 = _mm_shuffle_epi8(_mm_loadu_si128((const __m128i*)(p + 48)), swap);
    VELKIT_SHA_ROUNDS4(m0, &kK[0]);
    VELKIT_SHA_ROUNDS4(m1, &kK[4]);
    VELKIT_SHA_ROUNDS4(m2, &kK[8]);
    VELKIT_SHA_ROUNDS4(m3, &kK[12]);
    // Rounds 16..63: each group of four words comes from the four before it.
    for (int i = 16; i < 64; i += 16) {
      m0 = _mm_sha256msg2_epu32(_mm_add_epi32(_mm_sha256msg1_epu32(m0, m1), _mm_alignr_epi8(m3, m2, 4)), m3);
      VELKIT_SHA_ROUNDS4(m0, &kK[i]);
      m1 = _mm_sha256msg2_epu32(_mm_add_epi32(_mm_sha256msg1_epu32(m1, m2), _mm_alignr_epi8(m0, m3, 4)), m0);
      VELKIT_SHA_ROUNDS4(m1, &kK[i + 4]);
      m2 = _mm_sha256msg2_epu32(_mm_add_epi32(_mm_sha256msg1_epu32(m2, m3), _mm_alignr_epi8(m1, m0, 4)), m1);
      VELKIT_SHA_ROUNDS4(m2, &kK[i + 8]);
      m3 = _mm_sha256msg2_epu32(_mm_add_epi32(_mm_sha256msg1_epu32(m3, m0), _mm_alignr_epi8(m2, m1, 4)), m2);
      VELKIT_SHA_ROUNDS4(m3, &kK[i + 12]);
    }
    abef = _mm_add_epi32(abef, abefSave);
    cdgh = _mm_add_epi32(cdgh, cdghSave);
  }

  t = _mm_shuffle_epi32(abef, 0x1B);     // FEBA
  cdgh = _mm_shuffle_epi32(cdgh, 0xB1);  // DCHG
  abef = _mm_blend_epi16(t, cdgh, 0xF0); // DCBA
  cdgh = _mm_alignr_epi8(cdgh, t, 8);    // HGFE
  _mm_storeu_si128((__m128i*)&s[0], abef);
  _mm_storeu_si128((__m128i*)&s[4], cdgh);
}
#undef VELKIT_SHA_ROUNDS4
#endif

using BlockFn = void (*)(uint32_t*, const uint8_t*, size_t);

BlockFn BestBlocks() {
#ifdef VELKIT_SHA_X86
  if (CpuHasSha()) return ShaNiBlocks;
#endif
  return PortableBlocks;
}

BlockFn& Chosen() {
  static BlockFn fn = BestBlocks();
  return fn;
}
}  // namespace

Sha256::Sha256()
    : state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::UseHardware(bool on) { Chosen() = on ? BestBlocks() : PortableBlocks; }
bool Sha256::HardwareAvailable() { return BestBlocks() != PortableBlocks; }

void Sha256::Blocks(const uint8_t* data, size_t count) { Chosen()(state_, data, count); }

void Sha256::Update(std::string_view data) {
  auto p = reinterpret_cast<const uint8_t*>(data.data());
  size_t n = data.size();
  length_ += n;
  if (buffered_ > 0) {
    const size_t take = n < 64 - buffered_ ? n : 64 - buffered_;
    std::memcpy(buffer_ + buffered_, p, take);
    buffered_ += take;
    p += take;
    n -= take;
    if (buffered_ < 64) return;
    Blocks(buffer_, 1);
    buffered_ = 0;
  }
  if (n >= 64) {
    Blocks(p, n / 64);
    p += n / 64 * 64;
    n %= 64;
  }
  std::memcpy(buffer_, p, n);
  buffered_ = n;
}

Sha256Digest Sha256::Final() {
  const uint64_t bits = length_ * 8;
  uint8_t pad[72] = {0x80};
  const size_t padLen = (buffered_ < 56 ? 56 : 120) - buffered_;
  for (int i = 0; i < 8; ++i) pad[padLen + i] = uint8_t(bits >> (56 - 8 * i));
  Update(std::string_view(reinterpret_cast<const char*>(pad), padLen + 8));
  Sha256Digest out;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 4; ++j) out[4 * i + j] = uint8_t(state_[i] >> (24 - 8 * j));
  return out;
}

Sha256Digest Sha256Of(std::string_view data) {
  Sha256 h;
  h.Update(data);
  return h.Final();
}

bool Sha256OfFile(std::string_view path, Sha256Digest& digest, int64_t* size) {
  // One open, one reused buffer small enough to stay in the processor's cache while it is hashed.
  constexpr int64_t kPiece = 256 * 1024;
  InputFile file;
  const bool opened = file.Open(path);
  if (size) *size = file.Size();
  if (!opened) return false;
  std::unique_ptr<char[]> buffer(new char[kPiece]);
  Sha256 h;
  for (int64_t left = file.Size(); left > 0;) {
    const int64_t got = file.Read(buffer.get(), left < kPiece ? left : kPiece);
    if (got <= 0) return false;  // an error, or the file shrank while read
    h.Update(std::string_view(buffer.get(), size_t(got)));
    left -= got;
  }
  digest = h.Final();
  return true;
}

std::string DigestHex(const Sha256Digest& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : digest) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}
