// The verified fetch's policy, one row per rule: where a file may come from, what stays on disk
// after a failure, which downloads resume, the signature file beside the target and a server's
// page in its place, the token and the key, and a cancelled download.
#include "setup/VerifiedFetch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "../net/ScriptedHttpClient.h"
#include "pack/PackWriter.h"
#include "util/Files.h"
#include "util/Sha256.h"

namespace fs = std::filesystem;

namespace {
const std::string kKey = "04" + std::string(128, 'a');
const std::string kUrl = "http://up/app/N.inform";
const std::string kPage = "<HTML><HEAD><TITLE>404 Not Found</TITLE></HEAD></HTML>";

std::string Inform(std::string_view token) { return "|" + ScrambleToken(token, 1) + "|||Hi"; }

// The signature file of body under name (its signature bytes are whatever the verifier says).
std::string SignatureOf(std::string_view name, std::string_view body) {
  SignatureFile sig;
  sig.name = std::string(name);
  sig.size = int64_t(body.size());
  sig.hash = Sha256Of(body);
  return FormatSignatureFile(sig);
}

// A verifier that takes or refuses every signature.
struct FixedVerifier : EcdsaVerifier {
  bool verdict = true;
  bool Available() override { return true; }
  bool Verify(const EcPublicKey&, const Sha256Digest&, const EcSignature&) override { return verdict; }
};

class VerifiedFetchTest : public ::testing::Test {
 public:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) /
          ("velkit_fetch_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir / "agent");
    fs::create_directories(dir / "test");
    target = (dir / "agent" / "N.inform").string();
  }
  void TearDown() override { fs::remove_all(dir); }

  // A web fetch of an inform file of product "APP", as the agent orders it.
  FetchOrder Order() const {
    FetchOrder order;
    order.location = kUrl;
    order.target = target;
    order.name = "N.inform";
    order.token = TokenRule::InformHeader;
    order.expectedToken = "APP";
    order.tokenFirst = true;
    order.cancel = const_cast<bool*>(&cancel);
    return order;
  }
  // The files of the agent folder, sorted.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir / "agent")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
  std::string target;
  bool cancel = true;  // raised by an earlier close of the window
  fixture::ScriptedHttpClient client;
  FixedVerifier verifier;
};

TEST_F(VerifiedFetchTest, EachRuleAsARow) {
  using Client = fixture::ScriptedHttpClient;
  const std::string good = Inform("APP"), other = Inform("OTHER");
  struct Row {
    const char* what;
    std::function<void(FetchOrder&, VerifiedFetchTest&)> setUp;
    FetchStatus status;
    std::string error;  // contained in the result's text
    std::vector<std::string> files;
    Refusal refusal = Refusal::None;
  } rows[] = {
      {"a whole file replaces what lay at the target",
       [&](FetchOrder&, VerifiedFetchTest& t) {
         WriteFileData(t.target, "old");
         t.client.answers[kUrl] = Client::Serves(good);
       },
       FetchStatus::Done, "", {"N.inform"}},
      {"the target goes before a download: a failed one leaves none, and no leftover",
       [&](FetchOrder&, VerifiedFetchTest& t) {
         WriteFileData(t.target, "old");
         t.client.answers[kUrl] = Client::Fails(good, "N.inform --- Error downloading file (reset)");
       },
       FetchStatus::Failed, "(reset)", {}},
      {"a body that ends short is no file",
       [&](FetchOrder&, VerifiedFetchTest& t) { t.client.answers[kUrl] = Client::EndsShort(good); },
       FetchStatus::Failed, "N.inform --- Error downloading file (incomplete)", {}},
      {"a resumable download keeps its partial file for the next attempt",
       [&](FetchOrder& o, VerifiedFetchTest& t) {
         o.resumable = true;
         t.client.answers[kUrl] = Client::Fails(good, "N.inform --- Error downloading file");
       },
       FetchStatus::Failed, "Error downloading", {"N.inform.dbc75006.part", "N.inform.dbc75006.part.info"}},
      {"a cancelled download", [&](FetchOrder&, VerifiedFetchTest& t) { t.client.answers[kUrl] = Client::IsCancelled(good); },
       FetchStatus::Cancelled, "Download Aborted", {}},
      {"no connection, with the system's reason",
       [&](FetchOrder&, VerifiedFetchTest& t) {
         t.client.connected = false;
         t.client.reason = "The network is down";
       },
       FetchStatus::Failed, "The network is down", {}},
      {"no connection, and no reason given",
       [&](FetchOrder&, VerifiedFetchTest& t) { t.client.connected = false; }, FetchStatus::Failed,
       "No Internet connection", {}},
      {"a file of another product is refused and goes",
       [&](FetchOrder&, VerifiedFetchTest& t) { t.client.answers[kUrl] = Client::Serves(other); }, FetchStatus::Refused,
       "Bad Secret Token!", {}, Refusal::Token},
      {"a server's page in place of the file is refused with the 404 text",
       [&](FetchOrder&, VerifiedFetchTest& t) { t.client.answers[kUrl] = Client::Serves(kPage); }, FetchStatus::Refused,
       "404 File Not Found", {}, Refusal::Token},
      {"signed: the signature file is fetched, checked and deleted",
       [&](FetchOrder& o, VerifiedFetchTest& t) {
         o.key = kKey;
         t.client.answers[kUrl] = Client::Serves(good);
         t.client.answers[kUrl + ".sig"] = Client::Serves(SignatureOf("N.inform", good));
       },
       FetchStatus::Done, "", {"N.inform"}},
      {"signed: a server's page in place of the signature is none",
       [&](FetchOrder& o, VerifiedFetchTest& t) {
         o.key = kKey;
         t.client.answers[kUrl] = Client::Serves(good);
         t.client.answers[kUrl + ".sig"] = Client::Serves(kPage);
       },
       FetchStatus::Refused, "Bad Signature!", {}, Refusal::Signature},
      {"signed: a signature not made by the key",
       [&](FetchOrder& o, VerifiedFetchTest& t) {
         o.key = kKey;
         t.verifier.verdict = false;
         t.client.answers[kUrl] = Client::Serves(good);
         t.client.answers[kUrl + ".sig"] = Client::Serves(SignatureOf("N.inform", good));
       },
       FetchStatus::Refused, "Bad Signature!", {}, Refusal::Signature},
      {"signed: the token is judged first where the order says so",
       [&](FetchOrder& o, VerifiedFetchTest& t) {
         o.key = kKey;
         t.client.answers[kUrl] = Client::Serves(other);
       },
       FetchStatus::Refused, "Bad Secret Token!", {}, Refusal::Token},
      {"signed: the signature first otherwise",
       [&](FetchOrder& o, VerifiedFetchTest& t) {
         o.key = kKey;
         o.tokenFirst = false;
         t.client.answers[kUrl] = Client::Serves(other);
       },
       FetchStatus::Refused, "Bad Signature!", {}, Refusal::Signature},
      {"an information file that is a server's page stays, unchecked",
       [&](FetchOrder& o, VerifiedFetchTest& t) {
         o.key = kKey;
         o.token = TokenRule::None;
         o.pageIsAnswer = true;
         t.client.answers[kUrl] = Client::Serves(kPage);
       },
       FetchStatus::Done, "", {"N.inform"}},
      {"test mode: a file missing in the test folder is not looked for on the web",
       [&](FetchOrder& o, VerifiedFetchTest& t) {
         o.source = FetchSourceKind::TestFolder;
         o.location = (t.dir / "test" / "N.inform").string();
         t.client.answers[kUrl] = Client::Serves(good);
       },
       FetchStatus::Failed, "File not Found!", {}},
      {"a folder's file is copied with its signature file, and checked",
       [&](FetchOrder& o, VerifiedFetchTest& t) {
         o.source = FetchSourceKind::Folder;
         o.key = kKey;
         o.location = (t.dir / "test" / "N.inform").string();
         WriteFileData(o.location, good);
         WriteFileData(o.location + ".sig", SignatureOf("N.inform", good));
       },
       FetchStatus::Done, "", {"N.inform"}},
  };
  for (Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    client = {};
    verifier = {};
    cancel = true;
    FetchOrder order = Order();
    row.setUp(order, *this);
    const FetchResult result = VerifiedFetch(order, client, verifier);
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.refusal, row.refusal);
    if (row.error.empty()) {
      EXPECT_EQ(result.error, "");
    } else {
      EXPECT_NE(result.error.find(row.error), std::string::npos) << result.error;
    }
    EXPECT_EQ(Files(), row.files);
    if (order.source != FetchSourceKind::Web) {
      EXPECT_TRUE(client.orders.empty()) << "a folder's file never comes from the web";
      EXPECT_EQ(client.connectionChecks, 0);
    } else if (!client.orders.empty()) {
      EXPECT_EQ(client.orders[0].resumable, order.resumable);
      EXPECT_EQ(cancel, row.status == FetchStatus::Cancelled) << "lowered when the download starts";
    }
  }
}

// A file used where it lies (the web setup's package beside it) is checked but never deleted.
TEST_F(VerifiedFetchTest, AFileUsedInPlaceStaysWhenRefused) {
  FetchOrder order = Order();
  order.key = kKey;
  WriteFileData(target, Inform("APP"));
  WriteFileData(target + ".sig", "not a signature\n");
  const FetchResult result = VerifyFetchedFile(order, false, verifier);
  EXPECT_EQ(result.status, FetchStatus::Refused);
  EXPECT_EQ(result.signature, SignatureResult::kMalformed);
  EXPECT_EQ(Files(), (std::vector<std::string>{"N.inform", "N.inform.sig"}));
  EXPECT_TRUE(client.orders.empty());
}

// The order's window side reaches the client: owner, progress and the cancel flag; the signature
// file is fetched without them and never resumes.
TEST_F(VerifiedFetchTest, TheSignatureFileIsFetchedQuietlyBesideTheTarget) {
  using Client = fixture::ScriptedHttpClient;
  const std::string good = Inform("APP");
  client.answers[kUrl] = Client::Serves(good);
  client.answers[kUrl + ".sig"] = Client::Serves(SignatureOf("N.inform", good));
  FetchOrder order = Order();
  order.key = kKey;
  order.resumable = true;
  order.owner = 4711;
  int settles = 0;
  order.settle = [&settles] { ++settles; };
  EXPECT_EQ(VerifiedFetch(order, client, verifier).status, FetchStatus::Done);
  ASSERT_EQ(client.orders.size(), 2u);
  EXPECT_EQ(client.orders[0].owner, 4711u);
  EXPECT_EQ(client.orders[0].cancel, &cancel);
  EXPECT_EQ(client.orders[1].url, kUrl + ".sig");
  EXPECT_EQ(client.orders[1].target, target + ".sig");
  EXPECT_EQ(client.orders[1].owner, 0u);
  EXPECT_FALSE(client.orders[1].resumable);
  EXPECT_EQ(client.orders[1].progress, nullptr);
  EXPECT_EQ(settles, 2) << "before and after the download";
  EXPECT_EQ(client.connectionChecks, 1);
}
}  // namespace
