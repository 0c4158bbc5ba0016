// The stub's HTTP client for real: netprobe (the client from the command line) under Wine
// against the test kit's HTTP server on 127.0.0.1, with its misbehaving answers.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "TestServer.h"
#include "WineHarness.h"

using namespace wine;
using namespace nettest;

namespace {
std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = char(i * 131 % 251);
  return s;
}

class HttpClient : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(served / "sub");
    WriteFile(served / "f50000.bin", Pattern(50000));
    WriteFile(served / "f200000.bin", Pattern(200000));
    server = std::make_unique<TestServer>(served.path());
    ASSERT_GT(server->port(), 0) << "httpserver did not start";
  }
  // netprobe download url target-in-out [args...]
  Result Download(const std::string& url, const std::vector<std::string>& args = {}) {
    std::vector<std::string> cmd = {TestkitExe("netprobe").string(), "download", url, WinPath(out / "Setup.exe")};
    cmd.insert(cmd.end(), args.begin(), args.end());
    return RunWine(cmd);
  }
  std::string Line(const Result& r, const std::string& prefix) {
    auto found = LinesStartingWith(r.output, prefix);
    return found.empty() ? "<none>" : found.front();
  }
  std::vector<std::string> Folder() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(out.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Files of the prefix's Internet cache whose names start with stem.
  static std::vector<std::string> CachedCopies(const std::string& stem) {
    std::vector<std::string> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(DriveC() / "users", ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      const std::string path = it->path().string();
      if (path.find("INetCache") != std::string::npos && it->path().filename().string().rfind(stem, 0) == 0)
        found.push_back(path);
    }
    std::sort(found.begin(), found.end());
    return found;
  }
  TempDir served, out;
  std::unique_ptr<TestServer> server;
};

TEST_F(HttpClient, DownloadsInTheChunksAndStepsOfTheBodySize) {
  struct Case {
    const char* name;
    size_t size;
    const char* range;
    size_t steps;
    const char* first;
    const char* last;
  } cases[] = {
      {"f50000.bin", 50000, "1 11", 10, "5000/50000 Bytes", "50000/50000 Bytes"},
      {"f200000.bin", 200000, "1 26", 25, "8.0/195.3 KB", "195.3/195.3 KB"},
  };
  for (const Case& c : cases) {
    // The prefix outlives test runs, and a size query may be answered from the cache.
    const std::string name(c.name), stem = name.substr(0, name.find('.'));
    const std::vector<std::string> cachedBefore = CachedCopies(stem);
    Result r = Download(server->Url(c.name));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(Line(r, "range "), c.range);
    auto steps = LinesStartingWith(r.output, "step ");
    ASSERT_EQ(steps.size(), c.steps) << r.output;
    EXPECT_EQ(steps.front(), c.first);
    EXPECT_EQ(steps.back().substr(0, std::string(c.last).size()), c.last);
    EXPECT_EQ(ReadFile(out / "Setup.exe"), Pattern(c.size));
    EXPECT_EQ(Folder(), std::vector<std::string>{"Setup.exe"}) << "the temporary file took the target's name";
    EXPECT_EQ(CachedCopies(stem), cachedBefore) << "a download leaves no copy in the Internet cache";
  }
}

TEST_F(HttpClient, IncompleteBodiesLeaveTheTargetUntouched) {
  struct Case {
    const char* mode;
    const char* error;
  } cases[] = {
      {"short", "<none>"},     // Content-Length 50000, 25000 bytes, then the connection closes
      {"nolength", "<none>"},  // no Content-Length at all
      {"close", "<none>"},     // headers, then the connection closes
  };
  for (const Case& c : cases) {
    fs::remove_all(out.path());
    fs::create_directories(out.path());
    WriteFile(out / "Setup.exe", "old setup");
    WriteFile(out / "Setup.exe.77", "leftover");
    Result r = Download(server->Url(std::string(c.mode) + "/f50000.bin"));
    EXPECT_EQ(Line(r, "error "), c.error) << c.mode << "\n" << r.output;
    EXPECT_EQ(ReadFile(out / "Setup.exe"), "old setup") << c.mode;
    EXPECT_FALSE(fs::exists(out / "Setup.exe.77")) << c.mode << ": leftovers of earlier downloads go";
  }
}

// The local side fails: the temporary file cannot be made (its folder is missing), the disk
// fills up (a file-size limit for the client), the finished file cannot take the target's name
// (a folder holds it). Each is an error that names the file and the system's reason, and no
// partial file stays.
TEST_F(HttpClient, LocalFailuresAreErrorsAndLeaveNoPartialFile) {
  enum class Fault { kMissingFolder, kDiskFull, kTargetIsAFolder };
  struct Case {
    const char* name;
    Fault fault;
    fs::path target;
    const char* error;  // then the temporary file's name and the system's reason
  } cases[] = {
      {"missing folder", Fault::kMissingFolder, out / "missing" / "Setup.exe", "Unable to create file "},
      {"disk full", Fault::kDiskFull, out / "Setup.exe", "Unable to write file "},
      {"target is a folder", Fault::kTargetIsAFolder, out / "Setup.exe", "Unable to rename "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(out.path());
    fs::create_directories(out.path());
    if (c.fault == Fault::kTargetIsAFolder) WriteFile(out / "Setup.exe" / "inside", "x");
    Process probe;
    {
      std::optional<FileSizeLimit> limit;
      if (c.fault == Fault::kDiskFull) limit.emplace(100000);
      probe = Process({TestkitExe("netprobe").string(), "download", server->Url("f200000.bin"), WinPath(c.target)});
    }
    EXPECT_EQ(probe.Wait(60000), 1);
    const std::string output = probe.Output();
    const std::vector<std::string> errors = LinesStartingWith(output, "error ");
    ASSERT_EQ(errors.size(), 1u) << output;
    EXPECT_EQ(errors[0].rfind(c.error + WinPath(c.target) + ".", 0), 0u) << errors[0];
    EXPECT_NE(errors[0].find(" ("), std::string::npos) << "the system's reason: " << errors[0];
    for (const auto& e : fs::recursive_directory_iterator(out.path())) {
      EXPECT_NE(e.path().filename().string().rfind("Setup.exe.", 0), 0u) << "a partial file stays: " << e.path();
    }
  }
}

// A body that trickles in (a kilobyte every 50 ms) through WinINet: the client asks for no more
// than has arrived, since a read waits until all it asked for is there (on Windows, and under
// Wine 8) and the window would stop answering meanwhile; and it still hands the body on in whole
// chunks. arrivedinet.dll tells what each read asked for against what had arrived, so that the
// test needs no clock.
TEST_F(HttpClient, TricklingBodyIsReadAsItArrives) {
  TestServer trickle(served.path(), {"--slow-bytes", "1024", "--slow-ms", "50"});
  ASSERT_GT(trickle.port(), 0);
  const fs::path log = out / "reads.txt";
  setenv("VELKIT_INET_LOG", WinPath(log).c_str(), 1);
  fs::path inet = TestkitExe("arrivedinet").replace_extension(".dll");
  Result r = RunWine({TestkitExe("netprobe").string(), "--wininet", WinPath(inet), "download",
                      trickle.Url("slow/f50000.bin"), WinPath(out / "Setup.exe")});
  unsetenv("VELKIT_INET_LOG");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(LinesStartingWith(r.output, "step ").size(), 10u) << "chunks of 5000 bytes, as ever";
  EXPECT_EQ(ReadFile(out / "Setup.exe"), Pattern(50000));
  const std::vector<std::string> reads = LinesStartingWith(ReadFile(log), "read ");
  ASSERT_FALSE(reads.empty()) << "the reads went through arrivedinet.dll";
  for (const std::string& line : reads) {
    unsigned long asked = 0, arrived = 0, got = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%lu %lu %lu", &asked, &arrived, &got), 3) << line;
    EXPECT_TRUE(asked <= arrived || got == 0) << "a read that waits for the network: " << line;
  }
}

TEST_F(HttpClient, AbortInTheMiddleLeavesTheTargetUntouched) {
  WriteFile(out / "Setup.exe", "old setup");
  Result r = Download(server->Url("slow/f50000.bin"), {"--abort-after", "3"});
  EXPECT_EQ(Line(r, "error "), "Download Aborted") << r.output;
  EXPECT_EQ(LinesStartingWith(r.output, "step ").size(), 3u);
  EXPECT_EQ(ReadFile(out / "Setup.exe"), "old setup");
}

TEST_F(HttpClient, NotFoundPageArrivesAndIsRecognised) {
  Result r = Download(server->Url("404/Setup.exe"));
  EXPECT_EQ(Line(r, "error "), "<none>") << r.output;
  EXPECT_EQ(Line(r, "html-page "), "1");
  EXPECT_NE(ReadFile(out / "Setup.exe").find("<title>404 Not Found</title>"), std::string::npos);

  Result file = Download(server->Url("f50000.bin"));
  EXPECT_EQ(Line(file, "html-page "), "0");
}

TEST_F(HttpClient, EmptyTargetDownloadsIntoMemory) {
  Result r = RunWine({TestkitExe("netprobe").string(), "download", server->Url("f50000.bin"), ""});
  EXPECT_EQ(Line(r, "content-bytes "), "50000") << r.output;
  EXPECT_EQ(Folder(), std::vector<std::string>{});
}

TEST_F(HttpClient, SizeQueryAndConnectionCheck) {
  struct Case {
    std::string url;
    const char* size;
  } cases[] = {
      {server->Url("f200000.bin"), "200000"},
      {server->Url("nolength/f50000.bin"), "-1"},
      {"http://127.0.0.1:" + std::to_string(FreePort()) + "/f.bin", "-1"},  // nobody listens
  };
  for (const Case& c : cases) {
    Result r = RunWine({TestkitExe("netprobe").string(), "size", c.url});
    EXPECT_EQ(Line(r, "size "), c.size) << c.url;
  }
  // The size is asked for without the body: none of the file's bytes were sent.
  EXPECT_NE(server->ServedLog().find("200 /f200000.bin 0\n"), std::string::npos) << server->ServedLog();
  EXPECT_EQ(server->ServedLog().find("200 /f200000.bin 200000"), std::string::npos) << server->ServedLog();
  Result r = RunWine({TestkitExe("netprobe").string(), "connected"});
  EXPECT_EQ(Line(r, "connected "), "1 ");
}

TEST_F(HttpClient, FailuresGiveTheirTexts) {
  const std::string refused = "http://127.0.0.1:" + std::to_string(FreePort()) + "/Setup.exe";
  struct Case {
    std::string url;
    std::string error;
  } cases[] = {
      {refused, "Unable to open Internet Connection: " + refused},
      // A bare address gets "http://".
      {"127.0.0.1:" + std::to_string(server->port()) + "/f50000.bin", "<none>"},
  };
  for (const Case& c : cases) {
    Result r = Download(c.url);
    EXPECT_EQ(Line(r, "error "), c.error) << r.output;
  }
}
}  // namespace

namespace {
// An https address goes through the platform's TLS (WinINet's, on Wine's GnuTLS). The test makes
// a certificate for 127.0.0.1 with openssl, serves it, and trusts it in the prefix's root store
// for the length of the test only.
class HttpsClient : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(served / "f50000.bin", Pattern(50000));
    const std::string d = keys.path().string();
    const std::string cmd =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1"
        " -addext subjectAltName=DNS:127.0.0.1,IP:127.0.0.1"
        " -addext basicConstraints=critical,CA:TRUE"
        " -keyout " +
        d + "/key.pem -out " + d +
        "/cert.pem >/dev/null 2>&1"
        " && openssl x509 -in " +
        d + "/cert.pem -outform DER -out " + d +
        "/cert.der"
        " && openssl x509 -in " +
        d + "/cert.pem -noout -fingerprint -sha1 > " + d + "/sha1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "openssl could not make a certificate";
    server =
        std::make_unique<TestServer>(served.path(), std::vector<std::string>{"--tls", d + "/cert.pem", d + "/key.pem"});
    ASSERT_GT(server->port(), 0);
    url = "https://127.0.0.1:" + std::to_string(server->port()) + "/f50000.bin";
  }
  void TearDown() override {
    if (!rootKey.empty()) RegDelete(rootKey);
  }
  // Adds the certificate to the machine's root store the way the system stores it: a blob of
  // one property (id 32, the encoded certificate) under the certificate's SHA-1 thumbprint.
  void TrustCertificate() {
    std::string thumb = ReadFile(keys / "sha1");
    thumb = thumb.substr(thumb.find('=') + 1);
    std::string hex;
    for (char c : thumb) {
      if (std::isxdigit(static_cast<unsigned char>(c))) hex += char(std::toupper(static_cast<unsigned char>(c)));
    }
    const std::string der = ReadFile(keys / "cert.der");
    std::string blob;
    for (uint32_t v : {32u, 1u, uint32_t(der.size())}) {
      for (int i = 0; i < 4; ++i) blob += char(v >> (8 * i) & 0xFF);
    }
    blob += der;
    static const char digits[] = "0123456789ABCDEF";
    std::string blobHex;
    for (unsigned char b : blob) (blobHex += digits[b >> 4]) += digits[b & 15];
    rootKey = "HKLM\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\" + hex;
    ASSERT_TRUE(RegAdd(rootKey, "Blob", "REG_BINARY", blobHex));
  }
  Result Download() {
    return RunWine({TestkitExe("netprobe").string(), "download", url, WinPath(out / "Setup.exe"), "--quiet"});
  }
  TempDir served, out, keys;
  std::unique_ptr<TestServer> server;
  std::string url, rootKey;
};

TEST_F(HttpsClient, UntrustedCertificateIsRefused) {
  Result r = Download();
  EXPECT_EQ(LinesStartingWith(r.output, "error "),
            std::vector<std::string>{"Unable to open Internet Connection: " + url})
      << r.output;
  EXPECT_FALSE(fs::exists(out / "Setup.exe"));
}

TEST_F(HttpsClient, TrustedCertificateDownloads) {
  TrustCertificate();
  Result r = Download();
  EXPECT_EQ(LinesStartingWith(r.output, "error "), std::vector<std::string>{}) << r.output;
  EXPECT_EQ(ReadFile(out / "Setup.exe"), Pattern(50000));
}
}  // namespace

namespace {
// The client against a production web server: nginx on loopback with a config and prefix of its
// own, started and stopped by the test.
TEST(HttpClientNginx, DownloadsAndQueriesTheSize) {
  TempDir served, out;
  WriteFile(served / "Setup.exe", Pattern(200000));
  NginxServer nginx(served.path());
  ASSERT_TRUE(nginx.ok()) << nginx.error();
  Result size = RunWine({TestkitExe("netprobe").string(), "size", nginx.Url("Setup.exe")});
  EXPECT_EQ(LinesStartingWith(size.output, "size "), std::vector<std::string>{"200000"}) << size.output;
  Result r = RunWine({TestkitExe("netprobe").string(), "download", nginx.Url("Setup.exe"), WinPath(out / "Setup.exe")});
  EXPECT_EQ(LinesStartingWith(r.output, "step ").size(), 25u) << r.output;
  EXPECT_EQ(ReadFile(out / "Setup.exe"), Pattern(200000));
  // nginx's own 404 page is recognised as what it is.
  Result missing =
      RunWine({TestkitExe("netprobe").string(), "download", nginx.Url("Missing.exe"), WinPath(out / "Missing.exe")});
  EXPECT_EQ(LinesStartingWith(missing.output, "html-page "), std::vector<std::string>{"1"}) << missing.output;
}
}  // namespace

namespace {
TEST(HttpClientWithoutWinInet, FailsWithTheInitialisationText) {
  TempDir out;
  const std::vector<std::string> probe = {TestkitExe("netprobe").string(), "--wininet", "NoSuchInet.dll"};
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), probe.begin(), probe.end());
    return RunWine(args);
  };
  Result download = run({"download", "http://127.0.0.1:9/Setup.exe", WinPath(out / "Setup.exe")});
  EXPECT_EQ(LinesStartingWith(download.output, "error "),
            std::vector<std::string>{"Unable to initialize \"WinINet.dll\""})
      << download.output;
  EXPECT_EQ(LinesStartingWith(run({"size", "http://127.0.0.1:9/Setup.exe"}).output, "size "),
            std::vector<std::string>{"-1"});
  EXPECT_EQ(LinesStartingWith(run({"connected"}).output, "connected ").at(0).substr(0, 1), "0");
}
}  // namespace
