// The agent's release key: its own package's until a verified update brings another, and a
// refused fetched file leaves nothing behind.
#include "agent/ReleaseKey.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "FakeIniStore.h"
#include "pack/PackWriter.h"
#include "pack/PackX.h"
#include "setup/VerifiedFetch.h"
#include "util/Files.h"
#include "util/SignatureCheck.h"

namespace fs = std::filesystem;

namespace {
const std::string kOld = "04" + std::string(128, 'a');
const std::string kNew = "04" + std::string(128, 'b');

class ReleaseKey : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("velkit-releasekey-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  // An agent's own package with this key.
  TGFileInfo Own(const std::string& key) {
    PackJob job;
    job.stub = std::string(600, '\0');
    job.stub[0] = 'M', job.stub[1] = 'Z', job.stub[256] = 'P', job.stub[257] = 'E';
    job.update.token = "APP-1";
    job.update.publicKey = key;
    const std::string path = (dir_ / "Agent.exe").string();
    EXPECT_EQ(WritePackage(job, path), "");
    return TGFileInfo(path);
  }
  fs::path dir_;
  FakeIniStore ini_;
  OriginalFile original_{ini_, "C:\\App\\App.original"};
};

TEST_F(ReleaseKey, TheOwnKeyUntilAVerifiedUpdateBringsAnother) {
  EXPECT_EQ(AgentReleaseKey(Own(""), original_), "") << "a product that does not sign";
  const TGFileInfo own = Own(kOld);
  EXPECT_EQ(AgentReleaseKey(own, original_), kOld);
  EXPECT_FALSE(AdoptRotatedKey(original_, "", kNew)) << "an unsigned product verified nothing";
  EXPECT_EQ(AgentReleaseKey(Own(""), original_), "");
  EXPECT_FALSE(AdoptRotatedKey(original_, kOld, kOld)) << "the same key is no rotation";
  EXPECT_FALSE(AdoptRotatedKey(original_, kOld, "")) << "a setup without a key keeps the key in use";
  EXPECT_FALSE(AdoptRotatedKey(original_, kOld, "04zz")) << "nor does one with a broken key";
  EXPECT_EQ(AgentReleaseKey(own, original_), kOld);
  EXPECT_TRUE(AdoptRotatedKey(original_, kOld, kNew));
  EXPECT_EQ(AgentReleaseKey(own, original_), kNew);
  EXPECT_FALSE(AdoptRotatedKey(original_, kNew, kNew));
  // A stored text that is no key (a damaged file) falls back to the package's.
  original_.SetPublicKey("garbage");
  EXPECT_EQ(AgentReleaseKey(own, original_), kOld);
}

TEST_F(ReleaseKey, ARefusedFetchedFileLeavesNothing) {
  const std::string file = (dir_ / "App.info").string();
  WriteFileData(file, "[NewSetup]\r\n");
  EXPECT_EQ(CheckFetchedFile(file, "App.info", "", SystemEcdsaVerifier()), SignatureResult::kOk) << "no key";
  EXPECT_TRUE(FileExists(file));
  WriteFileData(file + ".sig", "not a signature\n");
  EXPECT_EQ(CheckFetchedFile(file, "App.info", kOld, SystemEcdsaVerifier()), SignatureResult::kMalformed);
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(FileExists(file + ".sig"));
}
}  // namespace
