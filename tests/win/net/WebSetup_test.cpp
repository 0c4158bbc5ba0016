// Web setups of the real stub under Wine: the stub downloads its package from a server on
// 127.0.0.1 (the test kit's httpserver, or nginx), checks the package token and runs the test
// engine, or refuses with the texts users see; the boxes are answered through the window driver.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <regex>

#include "../setup/SetupKit.h"
#include "TestServer.h"
#include "WineHarness.h"
#include "pack/PackX.h"
#include "setup/StubSetup.h"

using namespace wine;
using namespace nettest;

namespace {
const std::string kBox = "VMsgBox";

class WebSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    server = std::make_unique<TestServer>(served.path());
    ASSERT_GT(server->port(), 0) << "httpserver did not start";
    RemoveDownloads();
  }
  void TearDown() override { RemoveDownloads(); }
  // The package and what interrupted downloads of it left in the temporary folder.
  static void RemoveDownloads() {
    for (const auto& e : fs::directory_iterator(HostTempDir())) {
      if (e.path().filename().string().rfind("WebPkg.exe", 0) == 0) fs::remove_all(e.path());
    }
  }

  // Writes the web stub (dir/Setup.exe) and its package (dir/WebPkg.exe) for the address.
  PackJob Job(const std::string& url, const std::string& token, bool confirm = false) {
    PackJob job = setupkit::SampleJob();
    job.layout = PackLayout::Web;
    job.web.url = url;
    job.web.setupName = "WebPkg.exe";
    job.web.token = token;
    job.confirmDownload = confirm;
    return job;
  }
  fs::path WriteWebSetup(const TempDir& dir, const PackJob& job) { return setupkit::WriteSetup(dir, job); }
  // The package of a web setup with this token, served as served/<path>.
  void Serve(const std::string& token, const std::string& path = "WebPkg.exe") {
    TempDir scratch;
    WriteWebSetup(scratch, Job("http://unused", token));
    fs::create_directories((served / path).parent_path());
    fs::rename(scratch / "WebPkg.exe", served / path);
  }
  std::string Base(const std::string& prefix = "") const {
    return "http://127.0.0.1:" + std::to_string(server->port()) + (prefix.empty() ? "" : "/" + prefix);
  }
  // Waits for the message box, returns its listing (texts included) and presses the button.
  std::string Answer(const std::string& button) {
    if (setupkit::Drive({"wait", "--class", kBox, "--visible", "--timeout", "30000"}) != 0) return "<no box>";
    std::string listing = setupkit::DriveOutput({"list", "--class", kBox});
    setupkit::Drive({"click", "--class", kBox, "--button", button});
    return listing;
  }

  TempDir served, dir, steer;
  std::unique_ptr<TestServer> server;
};

TEST_F(WebSetup, DownloadsMatchesTheTokenAndRunsTheEngine) {
  Serve("TOKEN-1");
  fs::path setup = WriteWebSetup(dir, Job(Base(), "TOKEN-1"));
  fs::remove(dir / "WebPkg.exe");  // only on the server
  setupkit::EngineSteering engine(steer, "ExitCode=3\r\nDeleteAtom=1\r\n");
  Result r = RunWine({setup.string()}, 120000);
  EXPECT_EQ(r.exitCode, 3) << "the engine's exit code";
  EXPECT_TRUE(engine.Ran());
  EXPECT_FALSE(fs::exists(HostTempDir() / "WebPkg.exe")) << "the downloaded package is deleted";
}

TEST_F(WebSetup, RefusedPackagesRunNothing) {
  struct Case {
    std::string source;
    const char* text;
  } cases[] = {
      {Base(), "Bad Secret Token!"},           // a package of another setup
      {Base("404"), "404 File Not Found..."},  // the server's HTML error page
  };
  Serve("OTHER-TOKEN");
  for (const Case& c : cases) {
    TempDir setupDir;
    fs::path setup = WriteWebSetup(setupDir, Job(c.source, "TOKEN-1"));
    fs::remove(setupDir / "WebPkg.exe");
    setupkit::EngineSteering engine(steer, "ExitCode=3\r\n");
    Process stub({setup.string()});
    std::string box = Answer("&OK");
    EXPECT_NE(box.find(c.text), std::string::npos) << box;
    EXPECT_EQ(stub.Wait(60000), kExitDownloadFailed) << c.source;
    EXPECT_FALSE(engine.Ran()) << c.source;
    EXPECT_FALSE(fs::exists(HostTempDir() / "WebPkg.exe")) << "the refused download is deleted";
  }
}

// The download cannot be stored: the disk fills up, or the finished file cannot take its name (a
// folder holds it). The user is told so, with the file and the reason, not that the package
// is foreign; nothing runs and no partial file stays.
TEST_F(WebSetup, DownloadThatCannotBeStoredSaysWhy) {
  struct Case {
    const char* name;
    bool diskFull;
    const char* text;
  } cases[] = {{"disk full", true, "Unable to write file "}, {"target is a folder", false, "Unable to rename "}};
  Serve("TOKEN-1");
  const fs::path package = HostTempDir() / "WebPkg.exe";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir setupDir;
    fs::path setup = WriteWebSetup(setupDir, Job(Base(), "TOKEN-1"));
    fs::remove(setupDir / "WebPkg.exe");
    if (!c.diskFull) WriteFile(package / "inside", "x");
    setupkit::EngineSteering engine(steer, "ExitCode=3\r\n");
    Process stub;
    {
      std::optional<FileSizeLimit> limit;
      if (c.diskFull) limit.emplace(100000);
      stub = Process({setup.string()});
    }
    std::string box = Answer("&OK");
    // The listing shows each backslash of the text doubled.
    const std::string file = std::regex_replace(WinTempDir() + "\\WebPkg.exe.", std::regex(R"(\\)"), R"(\\)");
    EXPECT_NE(box.find(c.text + file), std::string::npos) << box;
    EXPECT_EQ(box.find("Bad Secret Token!"), std::string::npos) << box;
    EXPECT_EQ(stub.Wait(60000), kExitDownloadFailed);
    EXPECT_FALSE(engine.Ran());
    for (const auto& e : fs::directory_iterator(HostTempDir())) {
      EXPECT_NE(e.path().filename().string().rfind("WebPkg.exe.", 0), 0u) << "a partial file stays: " << e.path();
    }
    fs::remove_all(package);
  }
}

// Silent web setups ("/hide", or the package's hide flag) show no box: a refused package or a
// failed download goes to the debug channel, and the exit code says why.
TEST_F(WebSetup, SilentFailuresAreLoggedWithoutABox) {
  struct Case {
    const char* name;
    std::string source;
    bool hideFlag;
    std::string line;
  } cases[] = {
      {"foreign package, /hide", Base(), false, "Silent run, no box: Error: Bad Secret Token!"},
      {"nobody listens, hide flag", "http://127.0.0.1:" + std::to_string(FreePort()), true,
       "Silent run, no box: Error: Unable to open Internet Connection: "},
  };
  Serve("OTHER-TOKEN");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir setupDir;
    PackJob job = Job(c.source, "TOKEN-1", true);  // the download question is not asked either
    job.update.hide = c.hideFlag;
    fs::path setup = WriteWebSetup(setupDir, job);
    fs::remove(setupDir / "WebPkg.exe");
    setupkit::EngineSteering engine(steer, "ExitCode=3\r\n");
    DebugCapture debug;
    Process stub(c.hideFlag ? std::vector<std::string>{setup.string()}
                            : std::vector<std::string>{setup.string(), "/hide"});
    const int exitCode = stub.Wait(60000);
    EXPECT_EQ(exitCode, kExitDownloadFailed) << "-1: waiting for a click";
    if (exitCode == -1) {
      setupkit::Drive({"click", "--class", kBox, "--button", "&OK"});  // so that the test ends
      stub.Wait(60000);
    }
    debug.Stop();
    EXPECT_NE(debug.Text().find(c.line), std::string::npos) << debug.Text();
    EXPECT_FALSE(engine.Ran());
  }
}

TEST_F(WebSetup, DecliningTheDownloadRunsNothing) {
  Serve("TOKEN-1");
  fs::path setup = WriteWebSetup(dir, Job(Base(), "TOKEN-1", true));
  fs::remove(dir / "WebPkg.exe");
  setupkit::EngineSteering engine(steer, "ExitCode=3\r\n");
  Process stub({setup.string()});
  std::string box = Answer("&No");
  EXPECT_NE(box.find("INTERNET DOWNLOAD"), std::string::npos) << box;
  EXPECT_NE(box.find("MB"), std::string::npos) << box;
  EXPECT_EQ(stub.Wait(60000), kExitCancelled);
  EXPECT_FALSE(engine.Ran());
  EXPECT_FALSE(fs::exists(HostTempDir() / "WebPkg.exe")) << "nothing was downloaded";
}

TEST_F(WebSetup, PackageBesideTheStubIsUsedWithoutDownload) {
  // The address leads nowhere: the run can only succeed with the file beside the stub.
  fs::path setup = WriteWebSetup(dir, Job("http://127.0.0.1:" + std::to_string(FreePort()), "TOKEN-1", true));
  ASSERT_TRUE(fs::exists(dir / "WebPkg.exe"));
  setupkit::EngineSteering engine(steer, "ExitCode=3\r\n");
  Result r = RunWine({setup.string()}, 120000);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(engine.Ran());
  EXPECT_TRUE(fs::exists(dir / "WebPkg.exe")) << "a package that was not downloaded stays";
}

TEST_F(WebSetup, EndToEndFromNginx) {
  Serve("TOKEN-1");
  NginxServer nginx(served.path());
  ASSERT_TRUE(nginx.ok()) << nginx.error();
  fs::path setup = WriteWebSetup(dir, Job("http://127.0.0.1:" + std::to_string(nginx.port()), "TOKEN-1"));
  fs::remove(dir / "WebPkg.exe");
  setupkit::EngineSteering engine(steer, "ExitCode=7\r\nDeleteAtom=1\r\n");
  Result r = RunWine({setup.string()}, 120000);
  EXPECT_EQ(r.exitCode, 7);
  EXPECT_TRUE(engine.Ran());
  EXPECT_FALSE(fs::exists(HostTempDir() / "WebPkg.exe"));
}
}  // namespace

namespace {
TEST_F(WebSetup, ClosingTheWindowAbortsTheDownload) {
  Serve("TOKEN-1");
  fs::path setup = WriteWebSetup(dir, Job(Base("slow"), "TOKEN-1"));
  fs::remove(dir / "WebPkg.exe");
  setupkit::EngineSteering engine(steer, "ExitCode=3\r\n");
  Process stub({setup.string()});
  const std::string title = "Velkit Installation Suite";
  ASSERT_EQ(setupkit::Drive({"wait", "--title", title, "--visible", "--timeout", "30000"}), 0);
  // The window answers during the transfer and its main bar (the first one) moves on, chunk by
  // chunk. Each question waits until the stub looks at its messages between two chunks.
  const auto mainBarPos = [&] {
    const std::string answer = setupkit::DriveOutput(
        {"send", "--title", title, "--child", "msctls_progress32", "--msg", std::to_string(0x408 /* PBM_GETPOS */)});
    return answer.rfind("result=", 0) == 0 ? std::atoi(answer.c_str() + 7) : -1;
  };
  int first = -1;
  ASSERT_TRUE(WaitFor([&] { return (first = mainBarPos()) >= 2; }, 30000)) << "the bar never moved";
  ASSERT_TRUE(WaitFor([&] { return mainBarPos() > first; }, 30000)) << "the bar stopped at " << first;
  // The first close request only raises the abort flag; the download ends after its chunk.
  setupkit::Drive({"close", "--title", title});
  std::string box = Answer("&OK");
  EXPECT_NE(box.find("Download Aborted"), std::string::npos) << box;
  EXPECT_EQ(stub.Wait(60000), kExitDownloadFailed);
  EXPECT_FALSE(engine.Ran());
  EXPECT_FALSE(fs::exists(HostTempDir() / "WebPkg.exe")) << "an aborted download never takes the target's name";
  bool partialKept = false;
  for (const auto& e : fs::directory_iterator(HostTempDir())) {
    const std::string name = e.path().filename().string();
    partialKept |= name.rfind("WebPkg.exe.", 0) == 0 && name.size() > 5 && name.substr(name.size() - 5) == ".part";
  }
  EXPECT_TRUE(partialKept) << "what arrived waits for the next run";
}
}  // namespace

namespace {
// A web setup whose package installs the update agent leaves the agent copy (the stub itself,
// flagged as an agent) in the setup work folder for the engine, which is still on screen here.
// Bytes signed onto the setup after its package go with the copy when they are a few; a larger
// block stays, and the flag must still land in the trailer, not in those bytes.
TEST_F(WebSetup, AgentCopyWaitsInTheWorkFolder) {
  struct Case {
    size_t signature;
    bool cut;
  } cases[] = {{0, false}, {2048, true}, {20000, false}};
  Serve("TOKEN-1");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signature);
    TempDir setupDir, engineDir;
    PackJob job = Job(Base(), "TOKEN-1");
    job.installAgent = true;
    job.update.agentExe = "MyAppUpdate.exe";
    fs::path setup = WriteWebSetup(setupDir, job);
    fs::remove(setupDir / "WebPkg.exe");
    const std::string package = ReadFile(setup);
    const std::string own = package + std::string(c.signature, 'S');
    WriteFile(setup, own);
    const fs::path hold = engineDir / "hold";
    setupkit::EngineSteering engine(engineDir, "HoldFile=" + WinPath(hold) + "\r\n");
    Process stub({setup.string()});
    const fs::path agent = setupkit::WorkFolderOf(setup) / "MyAppUpdate.exe";
    EXPECT_TRUE(WaitFor([&] { return engine.Get("Ended") == "1"; }, 60000)) << "the engine ran";
    ASSERT_TRUE(fs::exists(agent));
    const std::string image = ReadFile(agent);
    EXPECT_EQ(image.size(), c.cut ? package.size() : own.size());
    EXPECT_TRUE(TGFileInfo(agent.string()).IsAutoUpdateAgent()) << "the copy is flagged as an agent";
    std::string unflagged = image;
    if (unflagged.size() >= package.size()) unflagged[package.size() - 5] = package[package.size() - 5];
    EXPECT_TRUE(unflagged == own.substr(0, image.size())) << "nothing else differs from the setup";
    WriteFile(hold, "go");
    EXPECT_EQ(stub.Wait(60000), 0);
    EXPECT_FALSE(fs::exists(agent)) << "the work folder goes at the end";
  }
}
}  // namespace
