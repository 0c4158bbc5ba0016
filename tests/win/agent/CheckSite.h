// The check side of the update road under Wine: an application folder with the real stub as its
// update agent (SampleAU.exe, log file on), its installed-version file, and an update folder served
// on loopback (nginx, or the test kit's httpserver where a slow download is needed). Checks are
// asked for through the controller (command 31), so a test decides when the agent looks.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <utility>

#include "../setup/SetupKit.h"
#include "TestServer.h"
#include "WineHarness.h"
#include "agent/InformFile.h"

namespace checksite {
namespace fs = std::filesystem;
using wine::ReadFile;
using wine::WriteFile;

inline constexpr char kToken[] = "SAMPLE-2026";
inline constexpr char kXClass[] = ".AutoUpdate.X_SampleAU";
inline constexpr char kBox[] = "VMsgBox";
inline constexpr uint8_t kAgentLogOption = 16;

inline size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Waits for the agent's message box, checks that its text holds part, and answers it: Yes, or
// the default button (OK).
inline void AnswerBox(const std::string& part, bool yes = false) {
  using setupkit::Drive;
  ASSERT_EQ(Drive({"wait", "--class", kBox, "--visible", "--timeout", "90000"}), 0) << "no message box";
  const std::string list = setupkit::DriveOutput({"list", "--class", kBox});
  EXPECT_NE(list.find(part), std::string::npos) << list;
  EXPECT_EQ(yes ? Drive({"key", "--class", kBox, "--key", "Y"}) : Drive({"key", "--class", kBox, "--vk", "0x0D"}), 0);
  EXPECT_EQ(Drive({"gone", "--class", kBox, "--timeout", "30000"}), 0);
}

// Settings of the installed-version file that the tests vary.
struct Installed {
  Installed(int version = 1, int stamp = 0, int64_t probeInterval = -1, int64_t reAskInterval = 0,
            std::string extra = {})
      : version(version),
        stamp(stamp),
        probeInterval(probeInterval),
        reAskInterval(reAskInterval),
        extra(std::move(extra)) {}
  int version;
  int stamp;
  int64_t probeInterval;  // -1: no automatic checks, the test asks
  int64_t reAskInterval;
  std::string extra;  // more lines of [AutoUpdate], or further sections
};

// An information file's [NewSetup] announcing an update setup.
struct Offer {
  Offer(std::string source = {}, int versionNew = 2, int stamp = 2, std::string validVersions = {},
        std::string updateFile = "Update2.exe", int64_t size = 0, std::string extra = {})
      : source(std::move(source)),
        versionNew(versionNew),
        stamp(stamp),
        validVersions(std::move(validVersions)),
        updateFile(std::move(updateFile)),
        size(size),
        extra(std::move(extra)) {}
  std::string source;  // DownloadURL_UPDATE; empty: the served update folder
  int versionNew;
  int stamp;
  std::string validVersions;
  std::string updateFile;
  int64_t size;  // SizeOfUpdateFile; -1: the key is left out
  std::string extra;
};

class CheckSite {
 public:
  // publicKey: the vendor's key the product carries (empty: it does not sign its releases).
  explicit CheckSite(const std::string& publicKey = {}) {
    fs::create_directories(folder);
    fs::create_directories(site);
    nginx_ = std::make_unique<nettest::NginxServer>(dir.path());
    if (!nginx_->ok()) ADD_FAILURE() << nginx_->error();
    siteUrl = nginx_->Url("site");
    PackJob job = setupkit::SampleJob();
    job.autoUpdateAgent = true;
    job.options |= kAgentLogOption;
    job.update.agentExe = "SampleAU.exe";
    job.update.infoUrl = siteUrl;
    job.update.infoFile = "Update.info";
    job.update.token = kToken;
    job.update.publicKey = publicKey;
    plain = setupkit::WriteSetup(dir, job, "app/SampleAU.exe");
  }
  ~CheckSite() {
    setupkit::EndSetupProcesses(xCopy);
    setupkit::EndSetupProcesses(plain);
  }

  void WriteInstalled(const Installed& in) const {
    WriteFile(original, "[OriginalSetup]\r\nVersionOriginal=" + std::to_string(in.version) + "\r\nStamp=" +
                            std::to_string(in.stamp) + "\r\nProbeSecondsInterval=" + std::to_string(in.probeInterval) +
                            "\r\nReAskSecondsInterval=" + std::to_string(in.reAskInterval) +
                            "\r\nProgramName=Sample App\r\n[AutoUpdate]\r\ns21=Nothing to do for PROG_NAME.\r\n" +
                            in.extra);
  }
  std::string OfferText(const Offer& o) const {
    std::string t = "[NewSetup]\r\nDownloadURL_UPDATE=" + (o.source.empty() ? siteUrl : o.source) +
                    "\r\nNameOfUpdateFile=" + o.updateFile + "\r\nVersionNew=" + std::to_string(o.versionNew) +
                    "\r\nStamp=" + std::to_string(o.stamp) + "\r\nValidVersions=" + o.validVersions + "\r\n";
    if (o.size >= 0) t += "SizeOfUpdateFile=" + std::to_string(o.size) + "\r\n";
    return t + o.extra;
  }
  // The served information file; removed when text is empty (the server answers 404).
  void Serve(const std::string& text) const {
    if (text.empty())
      fs::remove(site / "Update.info");
    else
      WriteFile(site / "Update.info", text);
  }
  // A setup of this product (or, with another token, of another one) in the update folder, carrying
  // publicKey; its size.
  int64_t ServeSetup(const std::string& name, const std::string& token = kToken,
                     const std::string& publicKey = {}) const {
    PackJob job = setupkit::SampleJob();
    job.update.token = token;
    job.update.publicKey = publicKey;
    return int64_t(fs::file_size(setupkit::WriteSetup(dir, job, "site/" + name)));
  }
  // An inform file of this product with content (plain), its size.
  int64_t ServeInform(const std::string& name, const std::string& content, const std::string& token = kToken) const {
    const std::string text = BuildInformFile(content, ScrambleToken(token, 7), false, 0);
    WriteFile(site / name, text);
    return int64_t(text.size());
  }

  // The update folder through the test kit's httpserver and one of its ways of misbehaving
  // ("slow", "short", "404"...): a source for DownloadURL_UPDATE.
  std::string MisbehavingSite(const std::string& how) {
    if (!http_)
      http_ = std::make_unique<nettest::TestServer>(dir.path(), std::vector<std::string>{"--slow-bytes", "8192"});
    return http_->Url(how + "/site");
  }

  // Starts the X agent through the plain one.
  void Start() {
    const wine::Result r = wine::RunWine(setupkit::LaunchArgs(dir, wine::WinPath(plain)), 60000);
    EXPECT_EQ(setupkit::LaunchedExitCode(r.output), 0) << r.output;
  }
  // Controller run against the X agent: registers and sends the commands; its output.
  wine::Result Controller(const std::vector<std::string>& extra, int timeoutMs = 60000) const {
    std::vector<std::string> args{wine::ToolExe("controller").string(), "--class", kXClass, "--register"};
    args.insert(args.end(), extra.begin(), extra.end());
    return wine::RunWine(args, timeoutMs);
  }
  // Asks for a check (command 31 with 0, or 2 for the user's own check).
  void AskCheck(int value = 0) const {
    const wine::Result r = Controller({"--command", "31", std::to_string(value)});
    EXPECT_EQ(r.exitCode, 0) << r.output;
  }
  std::string Log() const { return ReadFile(log); }
  // Waits until the log holds part at least n times.
  bool WaitLog(const std::string& part, size_t n = 1, int timeoutMs = 90000) const {
    return wine::WaitFor([&] { return Count(Log(), part) >= n; }, timeoutMs);
  }
  // Waits for the end of an update run with that result, then until the agent has finished the
  // tick it ran in: the agent's thread answers a command (7) only between ticks, so the writes to
  // the installed-version file that follow the run's end line are done when the answer comes, and
  // the test never reads the file half rewritten.
  bool WaitRunEnd(bool result) const {
    if (!WaitLog(std::string("PerformAutoUpdate() - END    Result=") + (result ? "TRUE" : "FALSE"), 1, 180000))
      return false;
    return wine::RunWine({wine::ToolExe("controller").string(), "--class", kXClass, "--command", "7", "0"}).exitCode ==
           0;
  }
  // The decisions logged so far, as "GetOkToPerformAU = N - text" lines.
  std::vector<std::string> Decisions() const {
    std::vector<std::string> out;
    std::stringstream in(Log());
    for (std::string line; std::getline(in, line);) {
      const size_t at = line.find("GetOkToPerformAU = ");
      if (at == std::string::npos) continue;
      std::string d = line.substr(at);
      while (!d.empty() && (d.back() == '\r' || d.back() == ' ')) d.pop_back();
      out.push_back(d);
    }
    return out;
  }
  // The next decision after those seen so far.
  std::string NextDecision(size_t seen) const {
    if (!wine::WaitFor([&] { return Decisions().size() > seen; }, 90000)) return "(no decision)\n" + Log();
    return Decisions()[seen];
  }
  // A value of the installed-version file; read again for a while when it is empty, since the agent
  // rewrites the whole file at every check.
  std::string OriginalValue(const std::string& key) const {
    std::string value;
    wine::WaitFor([&] { return !(value = setupkit::RecordValue(original, key)).empty(); }, 2000);
    return value;
  }
  void Stop() {
    wine::RunWine(setupkit::LaunchArgs(dir, wine::WinPath(plain) + " /STOP=0"), 60000);
    wine::WaitFor([&] { return !fs::exists(xCopy); }, 60000);
  }

  wine::TempDir dir;
  fs::path folder = dir / "app";
  fs::path site = dir / "site";
  std::string siteUrl;
  fs::path plain;
  fs::path xCopy = folder / "X_SampleAU.exe";
  fs::path original = folder / "Update.original";
  fs::path storedInfo = folder / "Update.info";
  fs::path log = folder / "X_SampleAU.log";

 private:
  std::unique_ptr<nettest::NginxServer> nginx_;
  std::unique_ptr<nettest::TestServer> http_;
};
}  // namespace checksite
