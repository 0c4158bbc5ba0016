// The decisions of a resumable download: names, the record beside the partial file, the request
// headers and the verdict on every kind of answer.
#include "net/DownloadResume.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {
TEST(ResumeNames, PartialFileIsBesideTheTargetPerAddress) {
  const std::string a = PartialDownloadPath("C:\\T\\Pkg.exe", "http://h/Pkg.exe");
  EXPECT_EQ(a.rfind("C:\\T\\Pkg.exe.", 0), 0u) << a;
  EXPECT_EQ(a.size(), std::string("C:\\T\\Pkg.exe.12345678.part").size()) << a;
  EXPECT_EQ(a.substr(a.size() - 5), ".part");
  EXPECT_EQ(a, PartialDownloadPath("C:\\T\\Pkg.exe", "http://h/Pkg.exe")) << "stable for the same address";
  std::set<std::string> names;
  for (const char* url : {"http://h/Pkg.exe", "http://h/pkg.exe", "http://g/Pkg.exe", "https://h/Pkg.exe"})
    names.insert(PartialDownloadPath("C:\\T\\Pkg.exe", url));
  EXPECT_EQ(names.size(), 4u) << "each address has a partial file of its own";
  EXPECT_EQ(ResumeRecordPath(a), a + ".info");

  EXPECT_TRUE(IsPartialDownloadName(a.substr(a.rfind('\\') + 1)));
  const struct {
    const char* name;
    bool partial;
  } kNames[] = {{"Pkg.exe.0a1b2c3d.part", true},   {"Pkg.exe.0A1B2C3D.PART", true},
                {"Pkg.exe.0a1b2c3g.part", false},  {"Pkg.exe.0a1b2c3.part", false},
                {"Pkg.exe0a1b2c3d4.part", false},  {".0a1b2c3d.part", false},
                {"Pkg.exe.0a1b2c3d.part.info", false}, {"notes.part", false}};
  for (const auto& c : kNames) EXPECT_EQ(IsPartialDownloadName(c.name), c.partial) << c.name;
}

TEST(ResumeRecord, RoundTripsAndRefusesWhatCannotProveTheFile) {
  const ResumeRecord record{"http://h/Pkg.exe", 67108864, "\"5f-4000000\""};
  const std::optional<ResumeRecord> back = ParseResumeRecord(FormatResumeRecord(record));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->url, record.url);
  EXPECT_EQ(back->total, record.total);
  EXPECT_EQ(back->validator, record.validator);

  for (const char* text : {
           "",
           "url=http://h/P\r\ntotal=10\r\n",                             // no validator
           "url=http://h/P\r\ntotal=10\r\nvalidator=\r\n",               // an empty one
           "total=10\r\nvalidator=\"x\"\r\n",                            // no address
           "url=http://h/P\r\nvalidator=\"x\"\r\n",                      // no size
           "url=http://h/P\r\ntotal=0\r\nvalidator=\"x\"\r\n",           // nothing to resume
           "url=http://h/P\r\ntotal=-5\r\nvalidator=\"x\"\r\n",          // not a size
           "url=http://h/P\r\ntotal=12ab\r\nvalidator=\"x\"\r\n",        // not a size
           "url=http://h/P\r\ntotal=4294967295\r\nvalidator=\"x\"\r\n",  // beyond what a download holds
           "\xff\xfe garbage",
       }) {
    EXPECT_FALSE(ParseResumeRecord(text)) << text;
  }
}

TEST(ResumeValidator, StrongETagElseLastModified) {
  struct Case {
    const char* etag;
    const char* lastModified;
    const char* validator;
  } cases[] = {
      {"\"abc\"", "Tue, 01 Dec 2026 10:00:00 GMT", "\"abc\""},
      {" \"abc\" ", "", "\"abc\""},
      {"W/\"abc\"", "Tue, 01 Dec 2026 10:00:00 GMT", "Tue, 01 Dec 2026 10:00:00 GMT"},  // weak: no proof
      {"W/\"abc\"", "", ""},
      {"", "Tue, 01 Dec 2026 10:00:00 GMT", "Tue, 01 Dec 2026 10:00:00 GMT"},
      {"", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseValidator(c.etag, c.lastModified), c.validator) << c.etag;
}

TEST(ResumeRequest, AsksForTheRestGuardedByTheValidator) {
  EXPECT_EQ(ResumeRequestHeaders(33554432, "\"5f-4000000\""), "Range: bytes=33554432-\r\nIf-Range: \"5f-4000000\"\r\n");
}

TEST(ResumeRequest, ContentRangeIsReadStrictly) {
  struct Case {
    const char* header;
    bool ok;
    uint64_t first = 0, last = 0, total = 0;
  } cases[] = {
      {"bytes 100-999/1000", true, 100, 999, 1000},
      {"BYTES 0-0/1", true, 0, 0, 1},
      {" bytes 5-9/4294967296 ", true, 5, 9, 4294967296ull},
      {"bytes 100-999/*", false},  // unknown total
      {"bytes */1000", false},     // the form of a refused range
      {"bytes 999-100/1000", false},
      {"bytes 100-1000/1000", false},  // beyond the end
      {"bytes -5/1000", false},
      {"bytes 1-2-3/9", false},
      {"items 1-2/9", false},
      {"", false},
  };
  for (const Case& c : cases) {
    const std::optional<ContentRange> r = ParseContentRange(c.header);
    ASSERT_EQ(r.has_value(), c.ok) << c.header;
    if (!r) continue;
    EXPECT_EQ(r->first, c.first) << c.header;
    EXPECT_EQ(r->last, c.last) << c.header;
    EXPECT_EQ(r->total, c.total) << c.header;
  }
}

TEST(ResumeVerdicts, EveryAnswerToARangeRequest) {
  const ResumeRecord asked{"http://h/P", 1000, "\"v1\""};
  constexpr uint32_t kNone = 0xFFFFFFFFu;
  struct Case {
    const char* name;
    ResumeAnswer answer;
    ResumeVerdict verdict;
  } cases[] = {
      {"the rest", {206, 600, "bytes 400-999/1000", "\"v1\""}, ResumeVerdict::kAppend},
      {"the rest, no length, no validator", {206, kNone, "bytes 400-999/1000", ""}, ResumeVerdict::kAppend},
      {"whole file (changed or ranges ignored)", {200, 1000, "", "\"v2\""}, ResumeVerdict::kWhole},
      {"range refused", {416, 0, "bytes */1000", ""}, ResumeVerdict::kRestart},
      {"not found", {404, 150, "", ""}, ResumeVerdict::kRestart},
      {"starts elsewhere", {206, 700, "bytes 300-999/1000", "\"v1\""}, ResumeVerdict::kRestart},
      {"stops short", {206, 100, "bytes 400-499/1000", "\"v1\""}, ResumeVerdict::kRestart},
      {"another total", {206, 600, "bytes 400-1099/1100", "\"v1\""}, ResumeVerdict::kRestart},
      {"length disagrees", {206, 500, "bytes 400-999/1000", "\"v1\""}, ResumeVerdict::kRestart},
      {"no Content-Range", {206, 600, "", "\"v1\""}, ResumeVerdict::kRestart},
      {"If-Range ignored, file changed", {206, 600, "bytes 400-999/1000", "\"v2\""}, ResumeVerdict::kRestart},
  };
  for (const Case& c : cases) EXPECT_EQ(JudgeResumeAnswer(&asked, 400, c.answer), c.verdict) << c.name;
}

TEST(ResumeVerdicts, AnswersToAPlainRequest) {
  EXPECT_EQ(JudgeResumeAnswer(nullptr, 0, {200, 1000, "", "\"v\""}), ResumeVerdict::kWhole);
  // An error page is received as before (the caller recognises it), only never resumed.
  EXPECT_EQ(JudgeResumeAnswer(nullptr, 0, {404, 150, "", ""}), ResumeVerdict::kWhole);
  EXPECT_EQ(JudgeResumeAnswer(nullptr, 0, {206, 600, "bytes 400-999/1000", "\"v\""}), ResumeVerdict::kRefuse);
}

TEST(ResumeVerdicts, OnlyAProvableWholeFileIsKeptForLater) {
  struct Case {
    ResumeAnswer answer;
    bool keep;
  } cases[] = {
      {{200, 1000, "", "\"v\""}, true},
      {{200, 0xFFFFFFFFu, "", "\"v\""}, false},  // no length: nothing to complete against
      {{200, 1000, "", ""}, false},              // no validator
      {{200, 0, "", "\"v\""}, false},
      {{404, 150, "", "\"v\""}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(CanResumeLater(c.answer), c.keep) << c.answer.status;
}

// --- the download against a server in memory

// A body that hands out its bytes and then ends, as a connection that closes does.
class StringBody : public HttpBody {
 public:
  void Set(std::string data) {
    data_ = std::move(data);
    pos_ = 0;
  }
  bool Read(char* buffer, uint32_t len, uint32_t& read) override {
    read = uint32_t(std::min<size_t>(len, data_.size() - pos_));
    std::copy_n(data_.data() + pos_, read, buffer);
    pos_ += read;
    return true;
  }
  std::string FailureDetail() override { return {}; }

 private:
  std::string data_;
  size_t pos_ = 0;
};

// Serves one file with an ETag, honouring Range and If-Range unless told otherwise, and can cut
// the next answer after some bytes. Counts the body bytes it sent.
class FakeServer : public RangeRequester {
 public:
  std::string file = std::string(100000, 'a') + std::string(100000, 'b');
  std::string etag = "\"v1\"";
  bool ranges = true;          // false: ignores Range, always the whole file
  bool rangeFromZero = false;  // answers a range request with a 206 from byte 0
  bool partialAlways = false;  // answers every request with a 206 of the second half
  size_t cutNextAfter = std::string::npos;
  size_t served = 0;
  std::vector<std::string> requests;

  bool Open(const std::string& headers, ResumeAnswer& answer, std::string&) override {
    requests.push_back(headers);
    size_t from = 0;
    if (const size_t r = headers.find("Range: bytes="); r != std::string::npos && ranges)
      from = std::stoul(headers.substr(r + 13));
    const size_t ifRange = headers.find("If-Range: ");
    if (ifRange != std::string::npos &&
        headers.substr(ifRange + 10, headers.find("\r\n", ifRange) - ifRange - 10) != etag)
      from = 0;  // the file changed: the whole of it
    if (rangeFromZero && from > 0) from = 0, answer.status = 206;
    if (partialAlways) from = file.size() / 2, answer.status = 206;
    if (answer.status == 0) answer.status = from > 0 ? 206 : 200;
    if (answer.status == 206) {
      answer.contentRange =
          "bytes " + std::to_string(from) + "-" + std::to_string(file.size() - 1) + "/" + std::to_string(file.size());
    }
    answer.contentLength = uint32_t(file.size() - from);
    answer.validator = ChooseValidator(etag, "");
    std::string body = file.substr(from);
    if (cutNextAfter < body.size()) body.resize(cutNextAfter);
    cutNextAfter = std::string::npos;
    served += body.size();
    body_.Set(body);
    return true;
  }
  HttpBody& Body() override { return body_; }
  void Close() override { body_.Set(""); }

 private:
  StringBody body_;
};

class NoWindow : public DownloadHost {
 public:
  void ShowOwner() override {}
  void BetweenChunks() override {}
};

class ResumableDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) /
          ("velkit_resume_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    target = (dir / "Pkg.exe").string();
    partial = PartialDownloadPath(target, kUrl);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Get() { return DownloadResumable(server, kUrl, target, nullptr, host); }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> Folder() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // A first attempt cut after half of the file.
  void CutAtHalf() {
    server.cutNextAfter = server.file.size() / 2;
    EXPECT_NE(Get(), "");
    server.served = 0;
  }

  static constexpr const char* kUrl = "http://h/Pkg.exe";
  FakeServer server;
  NoWindow host;
  fs::path dir;
  std::string target, partial;
};

TEST_F(ResumableDownload, CutTransferKeepsItsPartialFileAndTheTargetStays) {
  std::ofstream(target, std::ios::binary) << "old package";
  server.cutNextAfter = 1234;
  const std::string error = Get();
  EXPECT_NE(error.find("1234 of 200000 bytes arrived"), std::string::npos) << error;
  EXPECT_EQ(Read(target), "old package") << "a partial file never replaces a target";
  EXPECT_EQ(Read(partial), server.file.substr(0, 1234));
  const std::optional<ResumeRecord> record = ParseResumeRecord(Read(ResumeRecordPath(partial)));
  ASSERT_TRUE(record);
  EXPECT_EQ(record->total, 200000u);
  EXPECT_EQ(record->validator, "\"v1\"");
}

TEST_F(ResumableDownload, NextAttemptFetchesOnlyTheRest) {
  CutAtHalf();
  EXPECT_EQ(Get(), "");
  EXPECT_EQ(server.requests.back(), "Range: bytes=100000-\r\nIf-Range: \"v1\"\r\n");
  EXPECT_EQ(server.served, 100000u);
  EXPECT_EQ(Read(target), server.file);
  EXPECT_EQ(Folder(), std::vector<std::string>{"Pkg.exe"}) << "partial file and record are gone";
}

// A record is a few lines: a file far larger is not read whole and proves nothing.
TEST_F(ResumableDownload, RecordTooLargeToBeOneIsNotTrusted) {
  CutAtHalf();
  const fs::path record = ResumeRecordPath(partial);
  ASSERT_TRUE(ReadResumeRecord(record.string()));
  std::ofstream(record, std::ios::app) << std::string(70000, ';');
  EXPECT_FALSE(ReadResumeRecord(record.string()));
  EXPECT_FALSE(ReadResumeRecord((dir / "missing.info").string()));
  EXPECT_EQ(Get(), "");
  EXPECT_EQ(server.requests.back(), "") << "the whole file, asked without a range";
  EXPECT_EQ(Read(target), server.file);
}

// Whatever the server answers on the second attempt, the target ends up byte-identical to the
// file served, and nothing is left beside it.
TEST_F(ResumableDownload, AnswersThatCannotContinueGiveTheWholeFile) {
  struct Case {
    const char* name;
    void (*change)(FakeServer&);
    size_t requests;  // the cut one included
  } cases[] = {
      {"file changed",
       [](FakeServer& s) {
         s.file[5] = 'X';
         s.etag = "\"v2\"";
       },
       2},
      {"ranges ignored", [](FakeServer& s) { s.ranges = false; }, 2},
      // the unusable answer is dropped and the whole file asked for
      {"range from the wrong place", [](FakeServer& s) { s.rangeFromZero = true; }, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server = FakeServer();
    CutAtHalf();
    c.change(server);
    EXPECT_EQ(Get(), "");
    EXPECT_EQ(Read(target), server.file);
    EXPECT_EQ(server.requests.size(), c.requests);
    EXPECT_EQ(Folder(), std::vector<std::string>{"Pkg.exe"});
    fs::remove(target);
  }
}

TEST_F(ResumableDownload, UnaskedPartialAnswerNeverLands) {
  std::ofstream(target, std::ios::binary) << "old package";
  server.partialAlways = true;
  EXPECT_NE(Get(), "");
  EXPECT_EQ(Read(target), "old package");
  EXPECT_EQ(Folder(), std::vector<std::string>{"Pkg.exe"});
}

TEST_F(ResumableDownload, WithoutValidatorNothingIsKeptForLater) {
  server.etag = "W/\"weak\"";
  server.cutNextAfter = 5000;
  const std::string error = Get();
  EXPECT_NE(error.find("5000 of 200000 bytes arrived"), std::string::npos) << error;
  EXPECT_EQ(Folder(), std::vector<std::string>{}) << "no partial file that nothing could prove";
  EXPECT_EQ(Get(), "");
  EXPECT_EQ(Read(target), server.file);
}

TEST_F(ResumableDownload, PartialFileBeyondTheTotalIsDropped) {
  CutAtHalf();
  std::ofstream(partial, std::ios::binary | std::ios::app) << std::string(150000, 'z');  // beyond the total
  EXPECT_EQ(Get(), "");
  EXPECT_EQ(server.requests.back(), "");
  EXPECT_EQ(Read(target), server.file);
}
}  // namespace
