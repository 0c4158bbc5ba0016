// Detached signatures of published files. A vendor's key (ECDSA P-256) signs, for each file, a
// short statement that binds the file's lower-case name, its size and its SHA-256; the signature file
// ("<file>.sig", beside it) is a text of five lines:
//
//   Velkit signature 1
//   File: setup.exe
//   Size: 1048576
//   SHA-256: <64 lower-case hex digits>
//   ECDSA-P256: <128 lower-case hex digits: r and s, 32 bytes each>
//
// The statement is the first four lines, each ended by LF. Lines may end in CR LF; no other text
// is allowed. The public key is the 130 hex digits of the uncompressed point (04, X, Y).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "util/Sha256.h"

inline constexpr char kSignatureSuffix[] = ".sig";
// A signature file is never larger than this; a larger one is refused unread.
inline constexpr int64_t kSignatureFileLimit = 1024;

using EcPublicKey = std::array<uint8_t, 64>;  // X and Y
using EcSignature = std::array<uint8_t, 64>;  // r and s

struct SignatureFile {
  std::string name;  // lower case
  int64_t size = 0;
  Sha256Digest hash{};
  EcSignature signature{};
};

// False for anything but the exact form above.
bool ParseSignatureFile(std::string_view text, SignatureFile& out);
// The statement that the signature covers.
std::string SignedStatement(std::string_view name, int64_t size, const Sha256Digest& hash);
// The whole signature file for a statement and its signature.
std::string FormatSignatureFile(const SignatureFile& sig);
// "04" + 128 hex digits; false for any other text.
bool ParsePublicKey(std::string_view hex, EcPublicKey& key);
std::string FormatPublicKey(const EcPublicKey& key);
// Lower-case hex of bytes, and back (false on odd length or a non-hex digit).
std::string HexOf(const uint8_t* data, size_t size);
bool BytesOfHex(std::string_view hex, uint8_t* out, size_t size);

enum class SignatureResult {
  kOk,
  kMissing,       // no signature file
  kMalformed,     // not a signature file of this form
  kOtherFile,     // signs another file name
  kWrongContent,  // the file's size or hash differs from what was signed
  kBadSignature,  // not made by the key
  kBadKey,        // the product's key is not a valid key
  kNoVerifier,    // the system offers no ECDSA verification
};
// The log text of a result ("signature OK", "signature missing", ...).
std::string SignatureResultText(SignatureResult result);

// Verifies the ECDSA P-256 signature of a SHA-256 digest with a public key; the platform's.
struct EcdsaVerifier {
  virtual ~EcdsaVerifier() = default;
  virtual bool Available() = 0;
  // false also for a key the system does not take.
  virtual bool Verify(const EcPublicKey& key, const Sha256Digest& digest, const EcSignature& signature) = 0;
};

// Checks a signature file's text against the file it should sign: its name (any case; only the
// file-name part counts), size and hash, then the signature over the statement with the key.
SignatureResult CheckSignature(std::string_view signatureText, std::string_view fileName, int64_t fileSize,
                               const Sha256Digest& fileHash, std::string_view publicKeyHex, EcdsaVerifier& verifier);
// The same for a file on disk and its signature file beside it (path + ".sig"); fileName is the name
// the file was fetched under.
SignatureResult CheckSignedFile(std::string_view path, std::string_view fileName, std::string_view publicKeyHex,
                                EcdsaVerifier& verifier);
