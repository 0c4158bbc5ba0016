// Key pairs (ECDSA P-256) and detached signatures with OpenSSL's library. Verification goes through
// the same check as the product's (util/Signature), with the host build's verifier.
#include "Signing.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <memory>

#include "util/Files.h"
#include "util/SignatureCheck.h"

namespace {
using PKey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

int Fail(int code, const std::string& text) {
  std::fprintf(stderr, "mkpack: %s\n", text.c_str());
  return code;
}

std::string PublicHexOf(EVP_PKEY* key) {
  unsigned char point[65];
  size_t len = 0;
  if (EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point, &len) <= 0 || len != 65 ||
      point[0] != 4) {
    return {};
  }
  return HexOf(point, len);
}

PKey LoadPrivateKey(const std::string& path, std::string& error) {
  PKey key(nullptr, EVP_PKEY_free);
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot read the private key " + path;
    return key;
  }
  key.reset(PEM_read_PrivateKey(f, nullptr, nullptr, nullptr));
  std::fclose(f);
  char group[32] = {};
  if (!key || EVP_PKEY_get_utf8_string_param(key.get(), OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, nullptr) <= 0 ||
      std::string(group) != "prime256v1") {
    error = path + " is not an ECDSA P-256 private key (make one with mkpack keygen)";
    key.reset();
  }
  return key;
}

// r and s of an ECDSA signature of digest, 32 bytes each.
bool SignDigest(EVP_PKEY* key, const Sha256Digest& digest, EcSignature& out) {
  std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(EVP_PKEY_CTX_new(key, nullptr), EVP_PKEY_CTX_free);
  unsigned char der[80];
  size_t derLen = sizeof der;
  if (!ctx || EVP_PKEY_sign_init(ctx.get()) <= 0 ||
      EVP_PKEY_sign(ctx.get(), der, &derLen, digest.data(), digest.size()) <= 0) {
    return false;
  }
  const unsigned char* p = der;
  ECDSA_SIG* sig = d2i_ECDSA_SIG(nullptr, &p, long(derLen));
  if (!sig) return false;
  const BIGNUM *r = nullptr, *s = nullptr;
  ECDSA_SIG_get0(sig, &r, &s);
  const bool ok = BN_bn2binpad(r, out.data(), 32) == 32 && BN_bn2binpad(s, out.data() + 32, 32) == 32;
  ECDSA_SIG_free(sig);
  return ok;
}

bool WantsHelp(const std::vector<std::string>& args) {
  for (const auto& a : args)
    if (a == "--help" || a == "-h") return true;
  return false;
}

std::string FileNameOf(const std::string& path) {
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}
}  // namespace

std::string LoadPublicKeyFile(const std::string& path, std::string& hex) {
  if (!FileExists(path)) return "the public key " + path + " does not exist";
  std::string text = ReadFileRange(path, 4096);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  EcPublicKey key;
  if (!ParsePublicKey(text, key)) return path + " is not a public key (one line of 130 hex digits, as keygen writes)";
  hex = FormatPublicKey(key);
  return {};
}

std::string SignFile(const std::string& privateKeyPath, const std::string& path, const std::string& publishedPath) {
  const std::string published = publishedPath.empty() ? path : publishedPath;
  std::string error;
  PKey key = LoadPrivateKey(privateKeyPath, error);
  if (!key) return error;
  SignatureFile sig;
  sig.name = FileNameOf(published);
  if (!Sha256OfFile(path, sig.hash, &sig.size)) return "cannot read " + path;
  const std::string statement = SignedStatement(sig.name, sig.size, sig.hash);
  if (!ParseSignatureFile(statement + "ECDSA-P256: " + std::string(128, '0') + "\n", sig))
    return "the file name of " + path + " cannot be signed (a control character in it?)";
  if (!SignDigest(key.get(), Sha256Of(statement), sig.signature)) return "signing " + path + " failed";
  const std::string sigPath = published + kSignatureSuffix;
  if (!WriteFileData(sigPath, FormatSignatureFile(sig))) return "cannot write " + sigPath;
  return {};
}

int RunKeygen(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::puts("usage: mkpack keygen PRIVATE.pem PUBLIC.key\n"
              "makes a vendor key pair (ECDSA P-256): the private key as PEM (keep it secret, give it to\n"
              "sign, release, inform and build --private-key) and the public key as one line of hex (give it\n"
              "to build --public-key). Existing files are not overwritten.");
    return 0;
  }
  if (args.size() != 2) return Fail(2, "keygen needs the private key file and the public key file");
  for (const auto& path : args)
    if (FileExists(path)) return Fail(2, path + " exists; keygen overwrites no key");
  PKey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"), EVP_PKEY_free);
  if (!key) return Fail(1, "the key pair could not be made");
  const std::string hex = PublicHexOf(key.get());
  FILE* f = std::fopen(args[0].c_str(), "wb");
  if (!f) return Fail(1, "cannot write " + args[0]);
  const bool ok = PEM_write_PrivateKey(f, key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
  if (std::fclose(f) != 0 || !ok || hex.empty()) {
    DeleteFileByName(args[0]);
    return Fail(1, "cannot write " + args[0]);
  }
  if (!WriteFileData(args[1], hex + "\n")) {
    DeleteFileByName(args[0]);
    return Fail(1, "cannot write " + args[1]);
  }
  std::printf("%s  private key\n%s  public key %s\n", args[0].c_str(), args[1].c_str(), hex.c_str());
  return 0;
}

int RunSign(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::puts("usage: mkpack sign PRIVATE.pem FILE...\n"
              "writes FILE.sig beside each file: its lower-case name, size and SHA-256, signed with the key.");
    return 0;
  }
  if (args.size() < 2) return Fail(2, "sign needs the private key file and at least one file");
  for (size_t i = 1; i < args.size(); ++i) {
    if (auto e = SignFile(args[0], args[i]); !e.empty()) return Fail(1, e);
    std::printf("%s%s\n", args[i].c_str(), kSignatureSuffix);
  }
  return 0;
}

int RunVerify(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::puts("usage: mkpack verify PUBLIC.key FILE [--name NAME]\n"
              "checks FILE.sig as the product does: signed by the key, for this file name (or NAME, the\n"
              "name the file is published under), size and content. Exit 0 when it holds, 1 when not.");
    return 0;
  }
  std::vector<std::string> plain;
  std::string name;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--name" && i + 1 < args.size())
      name = args[++i];
    else if (args[i].rfind("--", 0) == 0)
      return Fail(2, "unknown option " + args[i]);
    else
      plain.push_back(args[i]);
  }
  if (plain.size() != 2) return Fail(2, "verify needs the public key file and one file");
  std::string hex;
  if (auto e = LoadPublicKeyFile(plain[0], hex); !e.empty()) return Fail(2, e);
  if (!FileExists(plain[1])) return Fail(2, plain[1] + " does not exist");
  const SignatureResult result =
      CheckSignedFile(plain[1], name.empty() ? FileNameOf(plain[1]) : name, hex, SystemEcdsaVerifier());
  std::printf("%s: %s\n", plain[1].c_str(), SignatureResultText(result).c_str());
  return result == SignatureResult::kOk ? 0 : 1;
}
