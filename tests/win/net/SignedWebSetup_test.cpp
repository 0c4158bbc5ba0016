// Signed web setups of the real stub under Wine: a stub that carries the vendor's public key runs
// a downloaded package only with a valid signature file beside it, checked through CNG; every
// other package is refused with "Bad Signature!" and exit code 98, and nothing runs.
#include <gtest/gtest.h>

#include "../setup/SetupKit.h"
#include "Signing.h"
#include "TestServer.h"
#include "WineHarness.h"
#include "setup/StubSetup.h"

using namespace wine;
using namespace nettest;

namespace {
class SignedWebSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    server = std::make_unique<TestServer>(served.path());
    ASSERT_GT(server->port(), 0) << "httpserver did not start";
    for (const char* who : {"vendor", "other"}) {
      const std::string pem = (keys / (std::string(who) + ".pem")).string();
      const std::string pub = (keys / (std::string(who) + ".key")).string();
      ASSERT_EQ(RunKeygen({pem, pub}), 0);
    }
    ASSERT_EQ(LoadPublicKeyFile((keys / "vendor.key").string(), vendorKey), "");
  }
  void TearDown() override { fs::remove(HostTempDir() / "WebPkg.exe"); }

  std::string Pem(const char* who) const { return (keys / (std::string(who) + ".pem")).string(); }
  PackJob Job(const std::string& publicKey) {
    PackJob job = setupkit::SampleJob();
    job.layout = PackLayout::Web;
    job.web.url = "http://127.0.0.1:" + std::to_string(server->port());
    job.web.setupName = "WebPkg.exe";
    job.web.token = "TOKEN-1";
    job.update.publicKey = publicKey;
    return job;
  }
  // The web stub in dir; its package is only on the server.
  fs::path WriteStub(const TempDir& dir, const std::string& publicKey) {
    fs::path setup = setupkit::WriteSetup(dir, Job(publicKey));
    fs::remove(dir / "WebPkg.exe");
    return setup;
  }
  // A package of the product, served as served/name (signed by who, unless null).
  fs::path Serve(const std::string& name, const char* who) {
    TempDir scratch;
    setupkit::WriteSetup(scratch, Job(vendorKey));
    const fs::path target = served / name;
    fs::rename(scratch / "WebPkg.exe", target);
    fs::remove(target.string() + ".sig");
    if (who) {
      EXPECT_EQ(SignFile(Pem(who), target.string()), "");
    }
    return target;
  }

  TempDir served, dir, steer, keys;
  std::unique_ptr<TestServer> server;
  std::string vendorKey;
};

TEST_F(SignedWebSetup, APackageSignedByTheProductsKeyRuns) {
  Serve("WebPkg.exe", "vendor");
  fs::path setup = WriteStub(dir, vendorKey);
  setupkit::EngineSteering engine(steer, "ExitCode=3\r\nDeleteAtom=1\r\n");
  Result r = RunWine({setup.string()}, 120000);
  EXPECT_EQ(r.exitCode, 3) << "the engine's exit code";
  EXPECT_TRUE(engine.Ran());
  EXPECT_FALSE(fs::exists(HostTempDir() / "WebPkg.exe"));
  EXPECT_FALSE(fs::exists(HostTempDir() / "WebPkg.exe.sig")) << "the fetched signature is deleted too";
}

// Each way a package can lack the vendor's signature; silent runs, so the reason is in the log.
TEST_F(SignedWebSetup, EveryOtherPackageIsRefused) {
  struct Case {
    const char* name;
    std::function<void()> serve;
    const char* reason;
  } cases[] = {
      {"one flipped byte",
       [&] {
         const fs::path p = Serve("WebPkg.exe", "vendor");
         std::string bytes = ReadFile(p);
         bytes[bytes.size() / 2] ^= 1;
         WriteFile(p, bytes);
       },
       "file differs from the signed one"},
      {"no signature", [&] { Serve("WebPkg.exe", nullptr); }, "signature missing"},
      {"signed by another key", [&] { Serve("WebPkg.exe", "other"); }, "signature not made by the product's key"},
      {"another signed file of the vendor",
       [&] {
         const fs::path other = Serve("Tools.exe", "vendor");
         fs::rename(other, served / "WebPkg.exe");
         fs::rename(other.string() + ".sig", served / "WebPkg.exe.sig");
       },
       "signature is for another file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.serve();
    TempDir setupDir;
    fs::path setup = WriteStub(setupDir, vendorKey);
    setupkit::EngineSteering engine(steer, "ExitCode=3\r\n");
    DebugCapture debug;
    Process stub({setup.string(), "/hide"});
    const int exitCode = stub.Wait(60000);
    debug.Stop();
    EXPECT_EQ(exitCode, kExitBadSignature);
    EXPECT_NE(debug.Text().find(std::string("Signature: ") + c.reason), std::string::npos) << debug.Text();
    EXPECT_NE(debug.Text().find("Silent run, no box: Error: Bad Signature!"), std::string::npos) << debug.Text();
    EXPECT_FALSE(engine.Ran());
    EXPECT_FALSE(fs::exists(HostTempDir() / "WebPkg.exe")) << "the refused download is deleted";
    EXPECT_FALSE(fs::exists(HostTempDir() / "WebPkg.exe.sig"));
  }
}

TEST_F(SignedWebSetup, TheRefusalIsShownLikeARefusedToken) {
  Serve("WebPkg.exe", "other");
  fs::path setup = WriteStub(dir, vendorKey);
  setupkit::EngineSteering engine(steer, "ExitCode=3\r\n");
  Process stub({setup.string()});
  ASSERT_EQ(setupkit::Drive({"wait", "--class", "VMsgBox", "--visible", "--timeout", "30000"}), 0);
  const std::string box = setupkit::DriveOutput({"list", "--class", "VMsgBox"});
  setupkit::Drive({"click", "--class", "VMsgBox", "--button", "&OK"});
  EXPECT_NE(box.find("Bad Signature!"), std::string::npos) << box;
  EXPECT_EQ(stub.Wait(60000), kExitBadSignature);
  EXPECT_FALSE(engine.Ran());
}

// A product without a key takes an unsigned package as before, even with a bad signature beside it.
TEST_F(SignedWebSetup, AProductWithoutAKeyIgnoresSignatures) {
  Serve("WebPkg.exe", "other");
  fs::path setup = WriteStub(dir, "");
  setupkit::EngineSteering engine(steer, "ExitCode=3\r\nDeleteAtom=1\r\n");
  Result r = RunWine({setup.string()}, 120000);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(engine.Ran());
}
}  // namespace
