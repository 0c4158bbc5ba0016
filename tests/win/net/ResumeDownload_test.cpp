// Resumed downloads for real under Wine: the stub's client as the web setup downloads (netprobe
// --resume) and the web setup itself, against the test kit's server cutting the connection after
// some bytes, and nginx. The servers' logs count the body bytes each answer sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "../setup/SetupKit.h"
#include "TestServer.h"
#include "WineHarness.h"
#include "pack/PackX.h"
#include "setup/StubSetup.h"

using namespace wine;
using namespace nettest;

namespace {
constexpr size_t kSize = 3000000;

std::string Pattern(size_t n, int seed = 0) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = char((i + size_t(seed)) * 131 % 251);
  return s;
}

struct Answer {
  int status;
  std::string path;
  size_t bytes;
};
// The answers of a server log, in order.
std::vector<Answer> Answers(const std::string& log) {
  std::vector<Answer> answers;
  std::istringstream in(log);
  Answer a;
  while (in >> a.status >> a.path >> a.bytes) answers.push_back(a);
  return answers;
}

std::vector<std::string> Names(const fs::path& dir, const std::string& prefix = "") {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(prefix, 0) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Line(const Result& r, const std::string& prefix) {
  auto found = LinesStartingWith(r.output, prefix);
  return found.empty() ? "<none>" : found.front();
}

class ResumeDownload : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(served / "big.bin", Pattern(kSize)); }
  // A server whose first file answer is cut after half of the file.
  void StartCutServer() {
    server =
        std::make_unique<TestServer>(served.path(), std::vector<std::string>{"--cut-once", std::to_string(kSize / 2)});
    ASSERT_GT(server->port(), 0) << "httpserver did not start";
  }
  Result Download(const std::string& url, const std::vector<std::string>& args = {}) {
    std::vector<std::string> cmd = {TestkitExe("netprobe").string(), "download", url,
                                    WinPath(out / "big.bin"),        "--resume", "--quiet"};
    cmd.insert(cmd.end(), args.begin(), args.end());
    return RunWine(cmd);
  }

  TempDir served, out;
  std::unique_ptr<TestServer> server;
};

TEST_F(ResumeDownload, SecondAttemptTransfersOnlyTheRest) {
  StartCutServer();
  WriteFile(out / "big.bin", "old file");
  Result first = Download(server->Url("big.bin"));
  EXPECT_NE(Line(first, "error ").find("1500000 of 3000000 bytes arrived"), std::string::npos) << first.output;
  EXPECT_EQ(ReadFile(out / "big.bin"), "old file") << "a partial file never replaces the target";
  EXPECT_EQ(Names(out.path()).size(), 3u) << "the target, the partial file and its record";

  Result second = Download(server->Url("big.bin"));
  EXPECT_EQ(Line(second, "error "), "<none>") << second.output;
  EXPECT_TRUE(ReadFile(out / "big.bin") == Pattern(kSize)) << "byte-identical";
  EXPECT_EQ(Names(out.path()), std::vector<std::string>{"big.bin"});
  const std::vector<Answer> answers = Answers(server->ServedLog());
  ASSERT_EQ(answers.size(), 2u) << server->ServedLog();
  EXPECT_EQ(answers[0].bytes, kSize / 2);
  EXPECT_EQ(answers[1].status, 206);
  EXPECT_EQ(answers[1].bytes, kSize / 2) << "only the rest is served";
}

// A file that changed on the server between the attempts, a server that ignores ranges and one that
// answers a range with the wrong part: the second attempt gets the whole file (asking again once
// for the last), and the target is exactly what the server has now.
TEST_F(ResumeDownload, ChangedFileOrUnusableRangeGivesTheWholeFile) {
  struct Case {
    const char* name;
    const char* path;
    bool change;
    size_t answers;  // the cut one included
  } cases[] = {{"file changed", "big.bin", true, 2},
               {"ranges ignored", "norange/big.bin", false, 2},
               {"wrong range", "wrongrange/big.bin", false, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(served / "big.bin", Pattern(kSize));
    fs::remove_all(out.path());
    fs::create_directories(out.path());
    StartCutServer();
    Download(server->Url(c.path));
    ASSERT_FALSE(fs::exists(out / "big.bin"));
    if (c.change) {
      WriteFile(served / "big.bin", Pattern(kSize, 7));
      fs::last_write_time(served / "big.bin", fs::last_write_time(served / "big.bin") + std::chrono::seconds(5));
    }
    Result second = Download(server->Url(c.path));
    EXPECT_EQ(Line(second, "error "), "<none>") << second.output;
    EXPECT_TRUE(ReadFile(out / "big.bin") == ReadFile(served / "big.bin"));
    EXPECT_EQ(Names(out.path()), std::vector<std::string>{"big.bin"});
    // A dropped answer is logged when the server notices the closed connection.
    ASSERT_TRUE(WaitFor([&] { return Answers(server->ServedLog()).size() == c.answers; }, 10000))
        << server->ServedLog();
    const std::vector<Answer> answers = Answers(server->ServedLog());
    EXPECT_EQ(std::count_if(answers.begin() + 1, answers.end(),
                            [](const Answer& a) { return a.status == 200 && a.bytes == kSize; }),
              1)
        << server->ServedLog();
  }
}

// nginx: a download stopped by the user after a few chunks resumes with a range nginx answers.
TEST(ResumeDownloadNginx, StoppedDownloadResumes) {
  TempDir served, out;
  WriteFile(served / "big.bin", Pattern(kSize));
  NginxServer nginx(served.path());
  ASSERT_TRUE(nginx.ok()) << nginx.error();
  const std::vector<std::string> probe = {TestkitExe("netprobe").string(), "download", nginx.Url("big.bin"),
                                          WinPath(out / "big.bin"),        "--resume", "--quiet"};
  std::vector<std::string> stopped = probe;
  stopped.insert(stopped.end(), {"--abort-after", "40", "--no-read-ahead"});
  Result first = RunWine(stopped);
  EXPECT_EQ(Line(first, "error "), "Download Aborted") << first.output;
  const std::vector<std::string> left = Names(out.path());
  ASSERT_EQ(left.size(), 2u) << "the partial file and its record";
  const size_t kept = size_t(fs::file_size(out / left[0]));  // "big.bin.<hash>.part" sorts first
  EXPECT_GT(kept, 0u);

  Result second = RunWine(probe);
  EXPECT_EQ(Line(second, "error "), "<none>") << second.output;
  EXPECT_TRUE(ReadFile(out / "big.bin") == Pattern(kSize));
  EXPECT_EQ(Names(out.path()), std::vector<std::string>{"big.bin"});
  // nginx writes its line when an answer ends; the first one may have been cut short by the abort.
  ASSERT_TRUE(WaitFor([&] { return Answers(nginx.ServedLog()).size() == 2; }, 10000)) << nginx.ServedLog();
  const Answer resumed = Answers(nginx.ServedLog())[1];
  EXPECT_EQ(resumed.status, 206);
  EXPECT_EQ(resumed.bytes, kSize - kept);
}

// The web setup: a run whose download was cut fails, keeps what arrived in the temporary folder
// and the next run fetches only the rest, checks the whole package and runs it.
TEST(ResumeWebSetup, CutDownloadResumesAtTheNextRun) {
  TempDir served, dir, steer, scratch;
  PackJob job = setupkit::SampleJob();
  job.layout = PackLayout::Web;
  job.web.setupName = "WebPkg.exe";
  job.web.token = "TOKEN-1";
  job.web.url = "http://unused";
  setupkit::WriteSetup(scratch, job);
  fs::rename(scratch / "WebPkg.exe", served / "WebPkg.exe");
  const size_t size = size_t(fs::file_size(served / "WebPkg.exe"));
  const auto leftovers = [] { return Names(HostTempDir(), "WebPkg.exe"); };
  for (const std::string& name : leftovers()) fs::remove(HostTempDir() / name);

  TestServer server(served.path(), {"--cut-once", std::to_string(size / 2)});
  ASSERT_GT(server.port(), 0);
  job.web.url = "http://127.0.0.1:" + std::to_string(server.port());
  const fs::path setup = setupkit::WriteSetup(dir, job);
  fs::remove(dir / "WebPkg.exe");
  setupkit::EngineSteering engine(steer, "ExitCode=3\r\nDeleteAtom=1\r\n");

  Result first = RunWine({setup.string(), "/hide"}, 120000);
  EXPECT_EQ(first.exitCode, kExitDownloadFailed);
  EXPECT_FALSE(engine.Ran());
  EXPECT_EQ(leftovers().size(), 2u) << "the partial package and its record wait in the temporary folder";

  Result second = RunWine({setup.string(), "/hide"}, 120000);
  EXPECT_EQ(second.exitCode, 3) << "the engine's";
  EXPECT_TRUE(engine.Ran());
  EXPECT_EQ(leftovers(), std::vector<std::string>{}) << "the run deletes its package";
  const std::vector<Answer> answers = Answers(server.ServedLog());
  ASSERT_EQ(answers.size(), 2u) << server.ServedLog();
  EXPECT_EQ(answers[1].status, 206);
  EXPECT_EQ(answers[0].bytes + answers[1].bytes, size) << "nothing is fetched twice";
}
}  // namespace
