// The signature file's form, the signed statement and the checks around the platform's verifier.
#include "util/Signature.h"

#include "util/Files.h"

namespace {
constexpr std::string_view kHeader = "Velkit signature 1";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

// The next line without its LF (and a CR before it); false when no LF ends it.
bool NextLine(std::string_view& text, std::string_view& line) {
  const size_t lf = text.find('\n');
  if (lf == std::string_view::npos) return false;
  line = text.substr(0, lf);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  text.remove_prefix(lf + 1);
  return true;
}

bool Field(std::string_view& text, std::string_view key, std::string_view& value) {
  std::string_view line;
  if (!NextLine(text, line) || line.substr(0, key.size()) != key) return false;
  value = line.substr(key.size());
  return true;
}

bool Decimal(std::string_view s, int64_t& out) {
  if (s.empty() || s.size() > 15) return false;
  out = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

std::string FileNamePart(std::string_view path) {
  const size_t cut = path.find_last_of("\\/:");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}
}  // namespace

std::string HexOf(const uint8_t* data, size_t size) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out += kHex[data[i] >> 4];
    out += kHex[data[i] & 15];
  }
  return out;
}

bool BytesOfHex(std::string_view hex, uint8_t* out, size_t size) {
  if (hex.size() != size * 2) return false;
  for (size_t i = 0; i < size; ++i) {
    const int hi = HexDigit(hex[2 * i]), lo = HexDigit(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i] = uint8_t(hi << 4 | lo);
  }
  return true;
}

bool ParseSignatureFile(std::string_view text, SignatureFile& out) {
  if (int64_t(text.size()) > kSignatureFileLimit) return false;
  std::string_view line, name, size, hash, sig;
  if (!NextLine(text, line) || line != kHeader) return false;
  if (!Field(text, "File: ", name) || !Field(text, "Size: ", size) || !Field(text, "SHA-256: ", hash) ||
      !Field(text, "ECDSA-P256: ", sig) || !text.empty()) {
    return false;
  }
  // A name is one file name: no folder, no control character.
  if (name.empty() || name.find_first_of("\\/:") != std::string_view::npos) return false;
  for (char c : name)
    if (uint8_t(c) < 32) return false;
  SignatureFile parsed;
  parsed.name = Lower(name);
  if (!Decimal(size, parsed.size) || !BytesOfHex(hash, parsed.hash.data(), parsed.hash.size()) ||
      !BytesOfHex(sig, parsed.signature.data(), parsed.signature.size())) {
    return false;
  }
  out = parsed;
  return true;
}

std::string SignedStatement(std::string_view name, int64_t size, const Sha256Digest& hash) {
  return std::string(kHeader) + "\nFile: " + Lower(name) + "\nSize: " + std::to_string(size) +
         "\nSHA-256: " + DigestHex(hash) + "\n";
}

std::string FormatSignatureFile(const SignatureFile& sig) {
  return SignedStatement(sig.name, sig.size, sig.hash) + "ECDSA-P256: " +
         HexOf(sig.signature.data(), sig.signature.size()) + "\n";
}

bool ParsePublicKey(std::string_view hex, EcPublicKey& key) {
  if (hex.size() != 130 || hex.substr(0, 2) != "04") return false;
  return BytesOfHex(hex.substr(2), key.data(), key.size());
}

std::string FormatPublicKey(const EcPublicKey& key) { return "04" + HexOf(key.data(), key.size()); }

std::string SignatureResultText(SignatureResult result) {
  switch (result) {
    case SignatureResult::kOk: return "signature OK";
    case SignatureResult::kMissing: return "signature missing";
    case SignatureResult::kMalformed: return "signature file malformed";
    case SignatureResult::kOtherFile: return "signature is for another file";
    case SignatureResult::kWrongContent: return "file differs from the signed one";
    case SignatureResult::kBadSignature: return "signature not made by the product's key";
    case SignatureResult::kBadKey: return "the product's public key is not valid";
    case SignatureResult::kNoVerifier: return "the system cannot verify signatures (no CNG)";
  }
  return "signature not checked";
}

SignatureResult CheckSignature(std::string_view signatureText, std::string_view fileName, int64_t fileSize,
                               const Sha256Digest& fileHash, std::string_view publicKeyHex, EcdsaVerifier& verifier) {
  EcPublicKey key;
  if (!ParsePublicKey(publicKeyHex, key)) return SignatureResult::kBadKey;
  if (!verifier.Available()) return SignatureResult::kNoVerifier;
  SignatureFile sig;
  if (!ParseSignatureFile(signatureText, sig)) return SignatureResult::kMalformed;
  if (sig.name != Lower(FileNamePart(fileName))) return SignatureResult::kOtherFile;
  if (sig.size != fileSize || sig.hash != fileHash) return SignatureResult::kWrongContent;
  if (!verifier.Verify(key, Sha256Of(SignedStatement(sig.name, sig.size, sig.hash)), sig.signature)) {
    return SignatureResult::kBadSignature;
  }
  return SignatureResult::kOk;
}

SignatureResult CheckSignedFile(std::string_view path, std::string_view fileName, std::string_view publicKeyHex,
                                EcdsaVerifier& verifier) {
  EcPublicKey key;
  if (!ParsePublicKey(publicKeyHex, key)) return SignatureResult::kBadKey;
  if (!verifier.Available()) return SignatureResult::kNoVerifier;
  const std::string sigPath = std::string(path) + kSignatureSuffix;
  if (!FileExists(sigPath)) return SignatureResult::kMissing;
  if (GetFileSizeByName(sigPath) > kSignatureFileLimit) return SignatureResult::kMalformed;
  const std::string text = ReadFileRange(sigPath);
  // The cheap checks first: a malformed or foreign signature is refused without reading the file.
  SignatureFile sig;
  if (!ParseSignatureFile(text, sig)) return SignatureResult::kMalformed;
  Sha256Digest hash{};
  int64_t size = 0;
  if (!Sha256OfFile(path, hash, &size)) return SignatureResult::kWrongContent;
  return CheckSignature(text, fileName, size, hash, publicKeyHex, verifier);
}
