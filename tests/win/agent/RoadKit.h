// The update run under Wine, on top of CheckSite: the sample application installed in the agent's
// folder (its record tells when it started and how it ended), and the update folder published by
// `mkpack release` as a vendor publishes it, with the test engine as the update setup's engine.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "CheckSite.h"

namespace roadkit {
namespace fs = std::filesystem;
using checksite::CheckSite;
using wine::ReadFile;
using wine::WriteFile;

inline constexpr char kAppClass[] = "VelkitSampleApp";

// The sample application as a program of the installed product: a copy under name in the agent's
// folder, with its settings beside it (no agent of its own: the test starts the agent), writing
// its record to a file of the test.
class InstalledApp {
 public:
  InstalledApp(const CheckSite& site, const std::string& name, const std::string& onClose = "end")
      : exe(site.folder / name), record(site.dir / (fs::path(name).stem().string() + ".record")) {
    fs::copy_file(wine::ToolExe("sampleapp"), exe, fs::copy_options::overwrite_existing);
    WriteFile(fs::path(exe).replace_extension(".ini"),
              "[App]\r\nOnClose=" + onClose + "\r\nRecord=" + wine::WinPath(record) + "\r\n[Agent]\r\nExe=\r\n");
  }
  // Starts the program and waits until it has recorded its start.
  void Start() {
    process_ = wine::Process({exe.string()});
    EXPECT_TRUE(wine::WaitFor([&] { return Events().size() >= 2 || !process_.Running(); }, 60000)) << Record();
  }
  bool Running() { return process_.Running(); }
  // Waits for the program the test started to end; whether it did.
  bool Ended(int timeoutMs = 90000) { return process_.Wait(timeoutMs) != -1; }
  std::string Record() const { return fs::exists(record) ? ReadFile(record) : std::string(); }
  // The record's events: the first word of each line, with the second for "agent" and "end"
  // ("start", "agent none", "close", "end close", "end quit", "refused").
  std::vector<std::string> Events() const {
    std::vector<std::string> out;
    for (const std::string& line : wine::NonEmptyLines(Record())) {
      std::string event = line.substr(0, line.find(' '));
      if ((event == "agent" || event == "end") && event.size() < line.size()) {
        const size_t second = event.size() + 1;
        event = line.substr(0, line.find(' ', second));
      }
      out.push_back(event);
    }
    return out;
  }
  // Every program of the prefix that runs this file ends (a restarted copy, one a test left).
  void EndAll() const { setupkit::EndSetupProcesses(exe); }
  ~InstalledApp() { EndAll(); }

  fs::path exe;
  fs::path record;

 private:
  wine::Process process_;
};

// A release of version 2 as `mkpack release` publishes it into the site's update folder:
// Update2.exe (the test engine and two files, with the product's token) and Update.info with the
// given [NewSetup] lines (VersionNew and ValidVersions are set here). ConfirmTempExtract makes
// the update setup ask its space question whenever it runs in the foreground.
inline void Publish(const CheckSite& site, const std::string& newSetupLines, bool confirmTempExtract = false) {
  const fs::path work = site.dir / "release";
  fs::create_directories(work / "payload");
  WriteFile(work / "payload" / "readme.txt", "Sample App 2\r\n");
  WriteFile(work / "setup.ini", "[Package]\r\nStub=" + wine::StubExe().string() + "\r\nFiles=payload\r\nEngine=" +
                                    wine::TestkitExe("engine").string() +
                                    "\r\nOutput=out/Update2.exe\r\n[Options]\r\nConfirmTempExtract=" +
                                    (confirmTempExtract ? "1" : "0") + "\r\n[Update]\r\nInfoUrl=" + site.siteUrl +
                                    "\r\nInfoFile=Update.info\r\nAgentExe=SampleAU.exe\r\nToken=" +
                                    checksite::kToken + "\r\n");
  WriteFile(work / "release.ini", "[Release]\r\nSetup=setup.ini\r\nFolder=" + site.site.string() +
                                      "\r\nUpdateFile=Update2.exe\r\n[NewSetup]\r\nVersionNew=2\r\nValidVersions=1\r\n" +
                                      newSetupLines);
  const std::string cmd = (fs::path(VELKIT_WINE_DIR).parent_path() / "tools/mkpack/mkpack").string() + " release " +
                          (work / "release.ini").string() + " --quiet";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd << "\n" << ReadFile(work / "release.ini");
}

// The installed-version file of version 1 whose TargetDir is the agent's folder (the
// "<InstallDir>" of RunningProcess), with the close request s15 and the finish texts.
inline checksite::Installed VersionOne(const CheckSite& site) {
  return {1, 0, -1, 0,
          "s15=Please close PROG_NAME first.\r\ns16=PROG_NAME is up to date.\r\n[Directories]\r\nTargetDir=" +
              wine::WinPath(site.folder) + "\r\n"};
}

// The "/OriginalInfoFile=" switch the update setup's engine must be given.
inline std::string InfoSwitch(const CheckSite& site) {
  return "/OriginalInfoFile=\"" + wine::WinPath(site.storedInfo) + "\"";
}

// Asks for a check (command 31 with 0) after setting a long quit countdown: an agent that counts
// down does not hand over to a fresh copy after a successful update, so the test keeps talking to
// the same agent until it stops it.
inline void AskCheckKeepingAgent(const CheckSite& site) {
  const wine::Result r = site.Controller({"--stop", "100000", "--command", "31", "0"});
  EXPECT_EQ(r.exitCode, 0) << r.output;
}

// The rest of the first log line that holds part, from part on; empty when there is none.
inline std::string LogLine(const CheckSite& site, const std::string& part) {
  for (std::string line : wine::Lines(site.Log())) {
    const size_t at = line.find(part);
    if (at == std::string::npos) continue;
    line = line.substr(at);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
  }
  return {};
}

}  // namespace roadkit
