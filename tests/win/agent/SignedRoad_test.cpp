// The update road of a product that signs its releases, under Wine with the real stub as its agent:
// every fetched file (the information file, the update setup, the inform file) counts only with a
// signature by the key in use, checked through CNG; a refused one is deleted and told, nothing runs,
// and the next check tries again. A setup that carries a new key hands the product over to it. An
// interrupted download of the update setup resumes at the next check.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <thread>

#include "CheckSite.h"
#include "Signing.h"

using namespace checksite;

namespace {
// Vendor key pairs "A" and "B".
class Keys {
 public:
  Keys() {
    for (const char* who : {"A", "B"}) {
      EXPECT_EQ(RunKeygen({Pem(who), (dir_ / (std::string(who) + ".key")).string()}), 0);
    }
  }
  std::string Pem(const std::string& who) const { return (dir_ / (who + ".pem")).string(); }
  std::string Public(const std::string& who) const {
    std::string hex;
    EXPECT_EQ(LoadPublicKeyFile((dir_ / (who + ".key")).string(), hex), "");
    return hex;
  }
  void Sign(const fs::path& file, const std::string& who) const { EXPECT_EQ(SignFile(Pem(who), file.string()), ""); }

 private:
  wine::TempDir dir_;
};

void FlipByte(const fs::path& file, size_t at) {
  std::string bytes = ReadFile(file);
  ASSERT_LT(at, bytes.size());
  bytes[at] = char(bytes[at] ^ 0x20);
  WriteFile(file, bytes);
}

// The information file announcing the setup `name` (version and stamp `version`, its size as
// served), signed by who.
void Announce(const CheckSite& site, const Keys& keys, const std::string& who, int version, const std::string& name) {
  site.Serve(site.OfferText({"", version, version, "", name, int64_t(fs::file_size(site.site / name))}));
  keys.Sign(site.site / "Update.info", who);
}

// The update setup of release `version` signed by who, carrying carriedKey; its name.
std::string PublishSetup(const CheckSite& site, const Keys& keys, const std::string& who, int version,
                         const std::string& carriedKey = {}) {
  const std::string name = "Update" + std::to_string(version) + ".exe";
  site.ServeSetup(name, kToken, carriedKey);
  keys.Sign(site.site / name, who);
  return name;
}
}  // namespace

// One signing product, asked to check once per row: each way a fetched file can lack the vendor's
// signature is refused with "Bad Signature!" and the reason logged, the file is gone and nothing
// runs. The same announcement stays on offer, and with every file signed the update runs.
TEST(SignedRoad, EveryUnsignedFileRefusedThenTheSignedRoadSucceeds) {
  Keys keys;
  CheckSite site(keys.Public("A"));
  wine::TempDir steer;
  setupkit::EngineSteering engine(steer, "DeleteAtom=1\r\n");
  const fs::path setup = site.site / "Update2.exe", sig = site.site / "Update2.exe.sig";
  const fs::path info = site.site / "Update.info";
  struct Row {
    const char* what;
    std::function<void()> spoilSetup;  // before the information file is announced
    std::function<void()> spoilInfo;   // after
    const char* decision;
    const char* reason;
  } rows[] = {
      {"a byte of the information file flipped", [] {}, [&] { FlipByte(info, 5); },
       "GetOkToPerformAU = 0 - Error downloading .INFO file", "Signature: file differs from the signed one"},
      {"a byte of the update setup flipped", [&] { FlipByte(setup, 100); }, [] {}, "GetOkToPerformAU = 6 - OK",
       "Signature: file differs from the signed one"},
      {"the setup's signature missing", [&] { fs::remove(sig); }, [] {}, "GetOkToPerformAU = 6 - OK",
       "Signature: signature missing"},
      {"the setup signed by another key", [&] { keys.Sign(setup, "B"); }, [] {}, "GetOkToPerformAU = 6 - OK",
       "Signature: signature not made by the product's key"},
      {"another signed setup of the vendor in its place",
       [&] {
         PublishSetup(site, keys, "A", 1, keys.Public("B"));
         fs::rename(site.site / "Update1.exe", setup);
         fs::rename(site.site / "Update1.exe.sig", sig);
       },
       [] {}, "GetOkToPerformAU = 6 - OK", "Signature: signature is for another file"},
  };
  site.WriteInstalled({});
  site.Start();
  size_t seen = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const size_t ended = Count(site.Log(), "PerformAutoUpdate() - END    Result=FALSE");
    const size_t reasons = Count(site.Log(), row.reason);
    PublishSetup(site, keys, "A", 2);
    row.spoilSetup();
    Announce(site, keys, "A", 2, "Update2.exe");
    row.spoilInfo();
    site.AskCheck();
    // The refusal's box comes before the decision for the information file, after it for the setup.
    AnswerBox("Bad Signature!");
    EXPECT_EQ(site.NextDecision(seen++), row.decision);
    if (std::string(row.decision).find("= 6") != std::string::npos) {
      ASSERT_TRUE(site.WaitLog("PerformAutoUpdate() - END    Result=FALSE", ended + 1)) << site.Log();
      EXPECT_FALSE(fs::exists(site.folder / "Update2.exe"));
      EXPECT_FALSE(fs::exists(site.folder / "Update2.exe.sig"));
    } else {
      EXPECT_FALSE(fs::exists(site.storedInfo)) << "a refused information file is not kept";
    }
    EXPECT_EQ(Count(site.Log(), row.reason), reasons + 1) << site.Log();
    EXPECT_FALSE(engine.Ran()) << "a refused setup ran";
    EXPECT_EQ(site.OriginalValue("VersionOriginal"), "1");
  }
  PublishSetup(site, keys, "A", 2);
  Announce(site, keys, "A", 2, "Update2.exe");
  site.AskCheck();
  EXPECT_EQ(site.NextDecision(seen), "GetOkToPerformAU = 6 - OK");
  ASSERT_TRUE(site.WaitLog("PerformAutoUpdate() - END    Result=TRUE", 1, 180000)) << site.Log();
  EXPECT_TRUE(engine.Ran());
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "2");
  EXPECT_EQ(site.OriginalValue("PublicKey"), "") << "the setup carried no new key";
}

// An announcement of a signing product whose inform file lost its signature's match is refused and
// deleted; at the re-ask time (a second) it comes again and, signed as published, is shown.
TEST(SignedRoad, InformFileShownOnlyWhenSigned) {
  Keys keys;
  CheckSite site(keys.Public("A"));
  WriteFile(site.dir / "news.rtf", "{\\rtf1\\ansi {\\b New:} version 2.\\par}");
  WriteFile(site.dir / "inform.ini", "[Inform]\r\nText=" + (site.dir / "news.rtf").string() + "\r\nToken=" + kToken +
                                         "\r\nFolder=" + site.site.string() +
                                         "\r\nInfoFile=Update.info\r\nInformFile=news.inform\r\nUpdateUrl=" +
                                         site.siteUrl + "\r\nVersion=2\r\nStamp=2\r\n");
  const std::string cmd = (fs::path(VELKIT_WINE_DIR).parent_path() / "tools/mkpack/mkpack").string() + " inform " +
                          (site.dir / "inform.ini").string() + " --private-key " + keys.Pem("A") + " --quiet";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  const std::string published = ReadFile(site.site / "news.inform");
  FlipByte(site.site / "news.inform", published.size() - 1);
  site.WriteInstalled({1, 0, -1, 1});
  site.Start();
  site.AskCheck();
  EXPECT_EQ(site.NextDecision(0), "GetOkToPerformAU = 6 - OK");
  AnswerBox("Bad Signature!");
  ASSERT_TRUE(site.WaitLog("PerformAutoInform() - END FALSE")) << site.Log();
  EXPECT_FALSE(fs::exists(site.folder / "news.inform"));
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "1");

  WriteFile(site.site / "news.inform", published);
  std::this_thread::sleep_for(std::chrono::seconds(2));  // past the re-ask time
  site.AskCheck();
  EXPECT_EQ(site.NextDecision(1), "GetOkToPerformAU = 6 - OK");
  ASSERT_EQ(setupkit::Drive({"wait", "--class", "VRichEditBox", "--visible", "--timeout", "90000"}), 0) << site.Log();
  ASSERT_EQ(setupkit::Drive({"close", "--class", "VRichEditBox"}), 0);
  ASSERT_TRUE(site.WaitLog("PerformAutoInform() - END", 2)) << site.Log();
  site.Stop();
}

// A product without a key takes unsigned files as before.
TEST(SignedRoad, ProductWithoutKeyUpdatesUnsigned) {
  CheckSite site;
  wine::TempDir steer;
  setupkit::EngineSteering engine(steer, "DeleteAtom=1\r\n");
  site.ServeSetup("Update2.exe");
  site.Serve(site.OfferText({"", 2, 2, "", "Update2.exe", int64_t(fs::file_size(site.site / "Update2.exe"))}));
  site.WriteInstalled({});
  site.Start();
  site.AskCheck();
  EXPECT_EQ(site.NextDecision(0), "GetOkToPerformAU = 6 - OK");
  ASSERT_TRUE(site.WaitLog("PerformAutoUpdate() - END    Result=TRUE", 1, 180000)) << site.Log();
  EXPECT_TRUE(engine.Ran());
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "2");
}

// Key rotation: release 2, signed with A, carries key B; once it ran, the product takes only files
// signed with B. Checks run every second; the engine of release 2 holds until release 3 is out.
TEST(SignedRoad, KeyRotatedByAVerifiedUpdate) {
  Keys keys;
  CheckSite site(keys.Public("A"));
  wine::TempDir steer;
  const fs::path hold = steer / "hold";
  setupkit::EngineSteering engine(steer, "DeleteAtom=1\r\nHoldFile=" + wine::WinPath(hold) + "\r\n");
  site.WriteInstalled({1, 0, 1, 1});
  Announce(site, keys, "A", 2, PublishSetup(site, keys, "A", 2, keys.Public("B")));
  site.Start();
  ASSERT_TRUE(wine::WaitFor([&] { return engine.Ran(); }, 120000)) << site.Log();
  // Release 3: the information file signed with B, the setup still with A.
  Announce(site, keys, "B", 3, PublishSetup(site, keys, "A", 3));
  WriteFile(hold, "go");
  ASSERT_TRUE(site.WaitLog("PerformAutoUpdate() - END    Result=TRUE", 1, 180000)) << site.Log();
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "2");
  EXPECT_EQ(site.OriginalValue("PublicKey"), keys.Public("B"));
  // The restarted agent takes the information file signed with B and refuses the setup signed with A.
  AnswerBox("Bad Signature!");
  EXPECT_NE(site.Log().find("Signature: signature not made by the product's key"), std::string::npos) << site.Log();
  keys.Sign(site.site / "Update3.exe", "B");
  ASSERT_TRUE(site.WaitLog("PerformAutoUpdate() - END    Result=TRUE", 2, 180000)) << site.Log();
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "3");
  site.Stop();
}

// The update setup's first download is cut half-way by the server: the check fails and keeps what
// arrived; the next check fetches only the rest, and the update runs.
TEST(SignedRoad, InterruptedSetupDownloadResumes) {
  Keys keys;
  CheckSite site(keys.Public("A"));
  wine::TempDir steer;
  setupkit::EngineSteering engine(steer, "DeleteAtom=1\r\n");
  PublishSetup(site, keys, "A", 2);
  const int64_t size = int64_t(fs::file_size(site.site / "Update2.exe"));
  const int64_t cut = size / 2;
  // The size check before the download asks twice (its first answer may come from a cache).
  nettest::TestServer server(site.dir.path(), {"--cut-once", std::to_string(cut), "--cut-skip", "2"});
  ASSERT_GT(server.port(), 0) << "httpserver did not start";
  site.Serve(site.OfferText({server.Url("site"), 2, 2, "", "Update2.exe", size}));
  keys.Sign(site.site / "Update.info", "A");
  site.WriteInstalled({});
  // What an unfinished download of an earlier announcement left, and a file of the same form that
  // no record claims.
  const fs::path stale = site.folder / "Update1.exe.0a1b2c3d.part";
  wine::WriteFile(stale, std::string(1000, 'x'));
  wine::WriteFile(stale.string() + ".info", "url=" + server.Url("site/Update1.exe") +
                                                "\r\ntotal=5000\r\nvalidator=\"e1\"\r\n");
  const fs::path unclaimed = site.folder / "notes.0a1b2c3d.part";
  wine::WriteFile(unclaimed, "mine");
  site.Start();
  for (int attempt = 1; attempt <= 2; ++attempt) {
    SCOPED_TRACE(attempt);
    site.AskCheck();
    EXPECT_EQ(site.NextDecision(size_t(attempt - 1)), "GetOkToPerformAU = 6 - OK") << server.ServedLog();
    ASSERT_TRUE(site.WaitLog("PerformAutoUpdate() - END", size_t(attempt), 180000)) << site.Log();
  }
  EXPECT_EQ(Count(site.Log(), "PerformAutoUpdate() - END    Result=FALSE"), 1u) << site.Log();
  EXPECT_EQ(Count(site.Log(), "PerformAutoUpdate() - END    Result=TRUE"), 1u) << site.Log();
  EXPECT_TRUE(engine.Ran());
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "2");
  // The whole setup made the earlier announcement's partial file useless; only that went.
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_FALSE(fs::exists(stale.string() + ".info"));
  EXPECT_TRUE(fs::exists(unclaimed));
  // The served bytes of the setup: the cut answer, then only the rest.
  std::vector<std::string> answers;
  std::istringstream in(server.ServedLog());
  for (std::string line; std::getline(in, line);)
    if (line.find("/site/Update2.exe ") != std::string::npos) answers.push_back(line);
  EXPECT_NE(std::find(answers.begin(), answers.end(), "200 /site/Update2.exe " + std::to_string(cut)), answers.end())
      << server.ServedLog();
  EXPECT_NE(std::find(answers.begin(), answers.end(), "206 /site/Update2.exe " + std::to_string(size - cut)),
            answers.end())
      << server.ServedLog();
}
