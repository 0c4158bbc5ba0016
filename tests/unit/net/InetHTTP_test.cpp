// The portable part of the download client: addresses, names and the transfer loop, fed from an
// in-memory body in place of a WinINet request.
#include "net/HttpTransfer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace {
TEST(DownloadAddress, SchemeIsKeptOrAdded) {
  struct Case {
    const char* url;
    const char* opened;
  } cases[] = {
      {"127.0.0.1:8080/Setup.exe", "http://127.0.0.1:8080/Setup.exe"},
      {"http://h/Setup.exe", "http://h/Setup.exe"},
      {"HTTP://h/Setup.exe", "HTTP://h/Setup.exe"},
      {"https://h/Setup.exe", "https://h/Setup.exe"},
      {"HttpS://h/Setup.exe", "HttpS://h/Setup.exe"},
      {"h/redirect?to=http://x/", "http://h/redirect?to=http://x/"},  // a scheme inside does not count
  };
  for (const Case& c : cases) EXPECT_EQ(CompleteUrl(c.url), c.opened) << c.url;
}

TEST(DownloadAddress, UserNameRequestSplitsHostAndPath) {
  struct Case {
    const char* url;
    const char* host;
    const char* path;
    uint16_t port;
    bool secure;
  } cases[] = {
      {"http://www.example.com/dl/Setup.exe", "www.example.com", "/dl/Setup.exe", 80, false},
      {"www.example.com/Setup.exe", "www.example.com", "/Setup.exe", 80, false},
      {"HTTPS://secure.example.com/a/b", "secure.example.com", "/a/b", 443, true},
      {"http://host-only", "host-only", "/", 80, false},
  };
  for (const Case& c : cases) {
    UserRequest r = SplitUserUrl(c.url);
    EXPECT_EQ(r.host, c.host) << c.url;
    EXPECT_EQ(r.path, c.path) << c.url;
    EXPECT_EQ(r.port, c.port) << c.url;
    EXPECT_EQ(r.secure, c.secure) << c.url;
  }
}

TEST(DownloadNames, FileNameTempPathAndLeftovers) {
  EXPECT_EQ(UrlFileName("http://h/dl/Setup.exe"), "Setup.exe");
  EXPECT_EQ(UrlFileName("Setup.exe"), "Setup.exe");
  EXPECT_EQ(TempDownloadPath("C:\\x\\Setup.exe", 50000, 0x5B8A6C21), "C:\\x\\Setup.exe.1535848305");
  EXPECT_EQ(TempDownloadPath("C:\\x\\Setup.exe", 0xFFFFFFFF, 2), "C:\\x\\Setup.exe.1");  // 32-bit sum wraps

  EXPECT_TRUE(IsDownloadLeftover("Setup.exe", "Setup.exe.77"));
  EXPECT_TRUE(IsDownloadLeftover("Setup.exe", "SETUP.EXE.old"));
  EXPECT_FALSE(IsDownloadLeftover("Setup.exe", "Setup.exe"));
  EXPECT_FALSE(IsDownloadLeftover("Setup.exe", "Setup.exe."));
  EXPECT_FALSE(IsDownloadLeftover("Setup.exe", "Setup.exeX"));
  EXPECT_FALSE(IsDownloadLeftover("Setup.exe", "Other.exe.77"));
}

TEST(DownloadChunks, TenthOfTheBodyWithinLimits) {
  struct Case {
    uint32_t size, chunk;
    int maximum;
  } cases[] = {
      {50000, 5000, 11}, {200000, 8192, 26}, {5, 1, 6}, {81920, 8192, 11},
      {81921, 8192, 12}, {9, 1, 10},         {1, 1, 2}, {kNoContentLength, 8192, 524289},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DownloadChunkSize(c.size), c.chunk) << c.size;
    EXPECT_EQ(ProgressMaximum(c.size, c.chunk), c.maximum) << c.size;
  }
}

// A response body held in memory; fails the read after failAfter bytes when asked to.
class MemoryBody : public HttpBody {
 public:
  explicit MemoryBody(std::string data, size_t failAfter = std::string::npos)
      : data_(std::move(data)), failAfter_(failAfter) {}
  bool Read(char* buffer, uint32_t len, uint32_t& read) override {
    reads.push_back(len);
    if (pos_ >= failAfter_) return false;
    read = uint32_t(std::min<size_t>(len, data_.size() - pos_));
    std::copy_n(data_.data() + pos_, read, buffer);
    pos_ += read;
    return true;
  }
  std::string FailureDetail() override { return "The connection was reset"; }
  std::vector<uint32_t> reads;

 private:
  std::string data_;
  size_t pos_ = 0;
  size_t failAfter_;
};

class RecordingProgress : public Progress {
 public:
  void Reset(int maximum, int position, int step) override {
    events.push_back("range " + std::to_string(position) + " " + std::to_string(maximum));
  }
  void Step(std::string_view text) override {
    steps.emplace_back(text);
    if (abortAt > 0 && int(steps.size()) == abortAt) aborted = true;
  }
  std::vector<std::string> events, steps;
  int abortAt = 0;
  bool aborted = false;  // the runner's cancel flag, raised as the window's close box would
};

class CountingHost : public DownloadHost {
 public:
  void ShowOwner() override { ++shown; }
  void BetweenChunks() override { ++waits; }
  bool Cancelled() override { return cancel && *cancel; }
  int shown = 0, waits = 0;
  const bool* cancel = nullptr;  // the runner's flag
};

class ReceiveBodyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) /
          ("velkit_net_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    target = (dir / "Setup.exe").string();
  }
  void TearDown() override { fs::remove_all(dir); }
  static std::string Body(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char('a' + i * 7 % 26);
    return s;
  }
  static std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Receive(MemoryBody& body, uint32_t size, uint32_t stamp = 0) {
    uint32_t tick = 1000;
    host.cancel = &progress.aborted;
    return ReceiveBody(body, "http://h/dl/Setup.exe", target, size, stamp, content, &progress, host,
                       [&tick] { return tick += 100; });
  }
  fs::path dir;
  std::string target, content;
  RecordingProgress progress;
  CountingHost host;
};

TEST_F(ReceiveBodyTest, StreamsInChunksAndReplacesTheTargetWhenComplete) {
  struct Case {
    size_t size;
    uint32_t chunk;
    size_t steps;
    const char* firstStep;
  } cases[] = {
      {50000, 5000, 10, "5000/50000 Bytes"},
      {200000, 8192, 25, "8.0/195.3 KB"},
      {5, 1, 5, "1/5 Bytes"},
  };
  for (const Case& c : cases) {
    SetUp();
    progress = RecordingProgress();
    host = CountingHost();
    const std::string data = Body(c.size);
    MemoryBody body(data);
    EXPECT_EQ(Receive(body, uint32_t(c.size)), "");
    EXPECT_EQ(Slurp(target), data);
    EXPECT_EQ(Files(), std::vector<std::string>{"Setup.exe"}) << "no temporary file is left";
    ASSERT_FALSE(body.reads.empty());
    EXPECT_EQ(body.reads.front(), c.chunk);
    EXPECT_EQ(body.reads.size(), c.steps + 1) << "reads until one returns nothing";
    EXPECT_EQ(progress.events.front(), "range 1 " + std::to_string(c.steps + 1));
    ASSERT_EQ(progress.steps.size(), c.steps);
    EXPECT_EQ(progress.steps.front(), c.firstStep);
    EXPECT_EQ(host.shown, 1);
  }
}

TEST_F(ReceiveBodyTest, RateAppearsFromTheFifthChunk) {
  MemoryBody body(Body(50000));
  ASSERT_EQ(Receive(body, 50000), "");
  ASSERT_EQ(progress.steps.size(), 10u);
  EXPECT_EQ(progress.steps[3], "20000/50000 Bytes");
  // Four chunks of 5000 bytes, 100 ms apart on the test's clock.
  EXPECT_EQ(progress.steps[4], "25000/50000 Bytes   -   48.83 KB/Sec");
}

TEST_F(ReceiveBodyTest, ShortBodyLeavesTheTargetAndTheTemporaryFile) {
  { std::ofstream(target, std::ios::binary) << "old setup"; }
  MemoryBody body(Body(25000));
  EXPECT_EQ(Receive(body, 50000, 7), "");  // no error: the caller checks what it fetched
  EXPECT_EQ(Slurp(target), "old setup");
  EXPECT_EQ(Slurp(target + ".50007").size(), 25000u);
}

TEST_F(ReceiveBodyTest, NoContentLengthNeverReplacesTheTarget) {
  { std::ofstream(target, std::ios::binary) << "old setup"; }
  MemoryBody body(Body(30000));
  EXPECT_EQ(Receive(body, kNoContentLength), "");
  EXPECT_EQ(Slurp(target), "old setup");
  EXPECT_EQ(body.reads.front(), 8192u);
  EXPECT_EQ(progress.steps.front(), "0.0/4,096.0 MB");
}

TEST_F(ReceiveBodyTest, LeftoversOfEarlierDownloadsGoButTheTargetStays) {
  for (const char* name : {"Setup.exe", "Setup.exe.77", "Setup.exe.old", "Other.exe.1"}) {
    std::ofstream(dir / name) << name;
  }
  MemoryBody body(Body(100), 50);  // fails in the middle
  Receive(body, 100);
  EXPECT_EQ(Files(), (std::vector<std::string>{"Other.exe.1", "Setup.exe", "Setup.exe.100"}));
  EXPECT_EQ(Slurp(target), "Setup.exe");
}

TEST_F(ReceiveBodyTest, AbortStopsAfterTheCurrentChunk) {
  { std::ofstream(target, std::ios::binary) << "old setup"; }
  progress.abortAt = 3;
  MemoryBody body(Body(50000));
  EXPECT_EQ(Receive(body, 50000), "Download Aborted");
  EXPECT_EQ(progress.steps.size(), 3u);
  EXPECT_EQ(body.reads.size(), 3u);
  EXPECT_EQ(Slurp(target), "old setup");
}

TEST_F(ReceiveBodyTest, FailedReadGivesTheErrorWithDetail) {
  MemoryBody body(Body(50000), 10000);
  EXPECT_EQ(Receive(body, 50000), "Setup.exe --- Error downloading file (The connection was reset)");
  EXPECT_EQ(progress.steps.size(), 2u) << "the failed read shows no step";
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(ReceiveBodyTest, AbortReplacesAFailureText) {
  progress.aborted = true;
  MemoryBody body(Body(50000), 0);
  EXPECT_EQ(Receive(body, 50000), "Download Aborted");
}

TEST_F(ReceiveBodyTest, ZeroLengthIsFileNotFound) {
  MemoryBody body("");
  EXPECT_EQ(Receive(body, 0), "http://h/dl/Setup.exe --- File Not Found !");
  EXPECT_TRUE(body.reads.empty());
  EXPECT_TRUE(progress.events.empty());
  EXPECT_EQ(host.shown, 0);
}

TEST_F(ReceiveBodyTest, EmptyTargetCollectsTheContentAndTouchesNoFile) {
  const std::string data = Body(12345);
  MemoryBody body(data);
  uint32_t tick = 1;
  EXPECT_EQ(ReceiveBody(body, "http://h/x.info", "", 12345, 9, content, nullptr, host, [&tick] { return ++tick; }), "");
  EXPECT_EQ(content, data);
  EXPECT_TRUE(Files().empty());
}

// Failures of the local side: the temporary file cannot be made, the disk fills up (a file-size
// limit stands in for it: writes beyond it fail), the finished file cannot take the target's name.
// Each is an error naming the file and the system's reason, and no partial file stays.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit then fails instead
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

TEST_F(ReceiveBodyTest, LocalFailuresAreErrorsAndLeaveNoPartialFile) {
  enum class Fault { kMissingFolder, kDiskFull, kTargetIsAFolder };
  struct Case {
    const char* name;
    Fault fault;
    const char* error;  // then the temporary file and the system's reason
    const char* reason;
  } cases[] = {
      {"temporary file cannot be made", Fault::kMissingFolder, "Unable to create file ", "No such file or directory"},
      {"disk full", Fault::kDiskFull, "Unable to write file ", "File too large"},
      {"rename fails", Fault::kTargetIsAFolder, "Unable to rename ", "Is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    std::string to = target;
    if (c.fault == Fault::kMissingFolder) to = (dir / "missing" / "Setup.exe").string();
    if (c.fault == Fault::kTargetIsAFolder) {
      fs::create_directories(dir / "Setup.exe");
      std::ofstream(dir / "Setup.exe" / "inside") << "keeps the folder from being removed";
    }
    const std::string temp = to + ".50000";
    MemoryBody body(Body(50000));
    std::string error;
    {
      std::optional<FileSizeLimit> limit;
      if (c.fault == Fault::kDiskFull) limit.emplace(20000);
      uint32_t tick = 1;
      error = ReceiveBody(body, "http://h/dl/Setup.exe", to, 50000, 0, content, &progress, host,
                          [&tick] { return ++tick; });
    }
    EXPECT_EQ(error.rfind(c.error + temp, 0), 0u) << error;
    EXPECT_NE(error.find(std::string("(") + c.reason + ")"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(temp)) << "the partial file goes";
  }
}
}  // namespace
