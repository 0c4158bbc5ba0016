// SHA-256 against the standard's vectors, through both block routines and any split of the input.
#include "util/Sha256.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "util/Files.h"

namespace {
struct Vector {
  std::string input;
  const char* digest;
};

std::vector<Vector> Vectors() {
  return {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {"hello", "2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824"},
  };
}

class Sha256Routine : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam() && !Sha256::HardwareAvailable()) GTEST_SKIP() << "no SHA extensions on this processor";
    Sha256::UseHardware(GetParam());
  }
  void TearDown() override { Sha256::UseHardware(true); }
};

TEST_P(Sha256Routine, StandardVectors) {
  for (const Vector& v : Vectors()) EXPECT_EQ(DigestHex(Sha256Of(v.input)), v.digest) << v.input.size();
}

TEST_P(Sha256Routine, AnySplitGivesTheSameDigest) {
  std::string data(300, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 7 + 3);
  const Sha256Digest whole = Sha256Of(data);
  for (size_t cut : {0, 1, 55, 56, 63, 64, 65, 128, 200, 299, 300}) {
    Sha256 h;
    h.Update(std::string_view(data).substr(0, cut));
    h.Update(std::string_view(data).substr(cut));
    EXPECT_EQ(h.Final(), whole) << cut;
  }
}

// The file is read in pieces through one buffer: sizes around the piece boundary, an empty file,
// and what is no file at all.
TEST(Sha256OfFile, SameDigestAsTheWholeDataAndNothingForNoFile) {
  std::string dir = (std::filesystem::temp_directory_path() / "vksha.XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const std::string path = dir + "/f.bin";
  for (size_t n : {size_t(0), size_t(1), size_t(262143), size_t(262144), size_t(262145), size_t(700001)}) {
    std::string data(n, '\0');
    for (size_t i = 0; i < n; ++i) data[i] = char(i * 131 + (i >> 11));
    ASSERT_TRUE(WriteFileData(path, data));
    Sha256Digest d{};
    int64_t size = -1;
    EXPECT_TRUE(Sha256OfFile(path, d, &size)) << n;
    EXPECT_EQ(d, Sha256Of(data)) << n;
    EXPECT_EQ(size, int64_t(n));
  }
  for (const std::string& none : {dir + "/missing.bin", dir}) {
    Sha256Digest d{};
    int64_t size = -1;
    EXPECT_FALSE(Sha256OfFile(none, d, &size)) << none;
    EXPECT_EQ(size, 0);
  }
  std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Both, Sha256Routine, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Hardware" : "Portable"; });
}  // namespace
