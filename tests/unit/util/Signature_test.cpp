// The signature file's form and the checks: a vector made by mkpack sign (the host verifier is
// OpenSSL's, the product's is CNG's; both take the same r and s).
#include "util/Signature.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "util/Files.h"
#include "util/SignatureCheck.h"

namespace {
const char kKey[] =
    "049072ef038c76bf19aa96b3534f997c95628151d4707b71ee8a6bfd56ad4769f4ab5325239b2919de950c8b1313a99fc8a069c125ed4147eb"
    "38caaac097ab5903";
const char kOtherKey[] =
    "047027bad28f561c6bdc8ded4f9619716cbaf45d35599f5d9c3d7be5d207aa7ec08e6088809a787addb38fbeff08ec9d3058d65dc66804"
    "9abd296dc86fd30a1bd6";
const char kSig[] =
    "Velkit signature 1\n"
    "File: hello.txt\n"
    "Size: 5\n"
    "SHA-256: 2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824\n"
    "ECDSA-P256: 6b6b18c636a9e6aaeebda13c7e6e7d3e798a18f5c824a546ab16e714f32b36647f62cb3405756abfff406f120b8defeffc01"
    "8b3689e53984847b34e245e5326a\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

struct NoVerifier : EcdsaVerifier {
  bool Available() override { return false; }
  bool Verify(const EcPublicKey&, const Sha256Digest&, const EcSignature&) override { return true; }
};

TEST(SignatureFile, ParsesTheFormAndRoundTrips) {
  SignatureFile sig;
  ASSERT_TRUE(ParseSignatureFile(kSig, sig));
  EXPECT_EQ(sig.name, "hello.txt");
  EXPECT_EQ(sig.size, 5);
  EXPECT_EQ(FormatSignatureFile(sig), kSig);
  // CR LF line ends and an upper-case name read the same.
  SignatureFile crlf;
  ASSERT_TRUE(ParseSignatureFile(Replaced(Replaced(kSig, "\n", "\r\n"), "hello", "HELLO"), crlf));
  EXPECT_EQ(crlf.name, "hello.txt");
}

TEST(SignatureFile, RefusesEverythingElse) {
  const std::string bad[] = {
      "",
      Replaced(kSig, "Velkit signature 1", "Velkit signature 2"),
      Replaced(kSig, "File: hello.txt", "File: ..\\hello.txt"),
      Replaced(kSig, "File: hello.txt", "File: "),
      Replaced(kSig, "Size: 5", "Size: -5"),
      Replaced(kSig, "Size: 5", "Size: 5x"),
      Replaced(kSig, "SHA-256: 2c", "SHA-256: 2"),
      Replaced(kSig, "ECDSA-P256: 6b", "ECDSA-P256: zz"),
      std::string(kSig) + "more\n",
      std::string(kSig).substr(0, sizeof kSig - 2),  // no LF after the last line
      std::string(kSig) + std::string(2000, '\n'),
  };
  for (const std::string& text : bad) {
    SignatureFile sig;
    EXPECT_FALSE(ParseSignatureFile(text, sig)) << text;
  }
}

TEST(SignatureCheck, TheSystemVerifierDecides) {
  const Sha256Digest hash = Sha256Of("hello");
  EcdsaVerifier& v = SystemEcdsaVerifier();
  struct Case {
    std::string sig, name, key;
    int64_t size;
    SignatureResult expected;
  } cases[] = {
      {kSig, "hello.txt", kKey, 5, SignatureResult::kOk},
      {kSig, "Z:\\dl\\HELLO.TXT", kKey, 5, SignatureResult::kOk},  // the name part, any case
      {kSig, "other.txt", kKey, 5, SignatureResult::kOtherFile},
      {kSig, "hello.txt", kKey, 6, SignatureResult::kWrongContent},
      {kSig, "hello.txt", kOtherKey, 5, SignatureResult::kBadSignature},
      {kSig, "hello.txt", "04abc", 5, SignatureResult::kBadKey},
      {Replaced(kSig, "ECDSA-P256: 6b", "ECDSA-P256: 6c"), "hello.txt", kKey, 5, SignatureResult::kBadSignature},
      {"junk", "hello.txt", kKey, 5, SignatureResult::kMalformed},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CheckSignature(c.sig, c.name, c.size, hash, c.key, v), c.expected) << c.name << " " << c.key;
  EXPECT_EQ(CheckSignature(kSig, "hello.txt", 5, Sha256Of("hellO"), kKey, v), SignatureResult::kWrongContent);
  NoVerifier none;
  EXPECT_EQ(CheckSignature(kSig, "hello.txt", 5, hash, kKey, none), SignatureResult::kNoVerifier);
}

TEST(SignatureCheck, FileOnDisk) {
  const auto dir = std::filesystem::temp_directory_path() / "velkit-sig-test";
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "hello.txt").string();
  ASSERT_TRUE(WriteFileData(file, "hello"));
  DeleteFileByName(file + ".sig");
  EXPECT_EQ(CheckSignedFile(file, "hello.txt", kKey, SystemEcdsaVerifier()), SignatureResult::kMissing);
  ASSERT_TRUE(WriteFileData(file + ".sig", kSig));
  EXPECT_EQ(CheckSignedFile(file, "hello.txt", kKey, SystemEcdsaVerifier()), SignatureResult::kOk);
  ASSERT_TRUE(WriteFileData(file, "hellO"));
  EXPECT_EQ(CheckSignedFile(file, "hello.txt", kKey, SystemEcdsaVerifier()), SignatureResult::kWrongContent);
  ASSERT_TRUE(WriteFileData(file + ".sig", std::string(4096, 'x')));
  EXPECT_EQ(CheckSignedFile(file, "hello.txt", kKey, SystemEcdsaVerifier()), SignatureResult::kMalformed);
  std::filesystem::remove_all(dir);
}

TEST(PublicKey, OnlyAnUncompressedPointInHex) {
  EcPublicKey key;
  ASSERT_TRUE(ParsePublicKey(kKey, key));
  EXPECT_EQ(FormatPublicKey(key), kKey);
  EXPECT_FALSE(ParsePublicKey(std::string("02") + (kKey + 2), key));
  EXPECT_FALSE(ParsePublicKey(std::string(kKey) + "0", key));
  EXPECT_FALSE(ParsePublicKey("", key));
}
}  // namespace
