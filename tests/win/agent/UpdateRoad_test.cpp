// The whole update road under Wine: the sample application v1 runs with its agent; the vendor
// publishes v2 with mkpack release into the folder nginx serves; the X agent checks, decides,
// downloads, closes the application, runs the update setup (the test engine "installs" the new
// files into the application's folder), raises the installed version, starts the application again
// and hands over to a fresh agent, which finds nothing more to do.
#include <gtest/gtest.h>

#include "CheckSite.h"

using namespace checksite;

namespace {
// The sample application's settings: its version, its record, its agent.
std::string AppIni(const std::string& version, const fs::path& record) {
  return "[App]\r\nVersion=" + version + "\r\nRecord=" + wine::WinPath(record) + "\r\n[Agent]\r\nExe=SampleAU.exe\r\n";
}

std::vector<std::string> RecordLines(const fs::path& record, const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& line : wine::NonEmptyLines(fs::exists(record) ? ReadFile(record) : std::string()))
    if (line.rfind(prefix, 0) == 0) out.push_back(line);
  return out;
}

// Writes the update folder of release 2 with mkpack release: the update setup of the product (the
// new application settings as its payload) and the information file.
void PublishRelease2(const CheckSite& site, const fs::path& record, const std::string& newSetupExtra) {
  const fs::path payload = site.dir / "payload";
  fs::create_directories(payload);
  WriteFile(payload / "sampleapp.ini", AppIni("2.0", record));
  const std::string mkpack = (fs::path(VELKIT_WINE_DIR).parent_path() / "tools/mkpack/mkpack").string();
  WriteFile(site.dir / "update.ini",
            "[Package]\r\nStub=" + wine::StubExe().string() + "\r\nFiles=" + payload.string() +
                "\r\nEngine=" + wine::TestkitExe("engine").string() +
                "\r\nEngineName=Engine.exe\r\nOutput=" + (site.dir / "Update2.exe").string() +
                "\r\n[Options]\r\nInstallAgent=1\r\nAgentLog=1\r\n[Update]\r\nInfoUrl=" + site.siteUrl +
                "\r\nInfoFile=Update.info\r\nAgentExe=SampleAU.exe\r\nToken=" + kToken + "\r\n");
  WriteFile(site.dir / "release.ini", "[Release]\r\nSetup=" + (site.dir / "update.ini").string() +
                                          "\r\nFolder=" + site.site.string() +
                                          "\r\nUpdateFile=Update2.exe\r\n[NewSetup]\r\nVersionNew=2\r\n"
                                          "ValidVersions=1\r\nProgramName=Sample App\r\n"
                                          "RunningProcess=<InstallDir>\\sampleapp.exe\r\n" +
                                          newSetupExtra);
  const std::string cmd = mkpack + " release " + (site.dir / "release.ini").string() + " --quiet";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}
}  // namespace

// The update setup is fetched from the web folder, and once from a local folder (the
// information file stays on the web).
TEST(UpdateRoad, ApplicationUpdatedAndRestartedAgentHandsOver) {
  for (const bool fromFolder : {false, true}) {
    SCOPED_TRACE(fromFolder ? "local folder" : "web folder");
    CheckSite site;
    wine::TempDir steer;
    setupkit::EngineSteering engine(steer, "DeleteAtom=1\r\nInstallTo=" + wine::WinPath(site.folder) + "\r\n");
    const fs::path record = site.dir / "app-record.txt";
    const fs::path app = site.folder / "sampleapp.exe";
    // Version 1 as its setup left it: the program and its settings, the agent, the installed-version
    // file (a check every second, the re-ask time passed a second after an announcement).
    fs::copy_file(wine::ToolExe("sampleapp"), app);
    WriteFile(site.folder / "sampleapp.ini", AppIni("1.0", record));
    site.WriteInstalled({1, 0, 1, 1, "[Directories]\r\nTargetDir=" + wine::WinPath(site.folder) + "\r\n"});
    PublishRelease2(site, record,
                    "ShutDownMethod=Using WM_CLOSE\r\nRestartProcess=1\r\n" +
                        (fromFolder ? "DownloadURL_UPDATE=" + wine::WinPath(site.site) + "\r\n" : std::string()));

    wine::Process v1({app.string()});
    ASSERT_TRUE(wine::WaitFor([&] { return !RecordLines(record, "agent started").empty(); }, 60000))
        << v1.Output() << ReadFile(record);
    EXPECT_EQ(site.NextDecision(0), "GetOkToPerformAU = 6 - OK");
    ASSERT_TRUE(site.WaitLog("PerformAutoUpdate() - END    Result=TRUE", 1, 180000)) << site.Log();
    EXPECT_NE(site.Log().find("Download END:   " + (fromFolder ? wine::WinPath(site.site) + "\\" : site.siteUrl + "/") +
                              "Update2.exe"),
              std::string::npos)
        << site.Log();
    EXPECT_EQ(v1.Wait(30000), 0) << "v1 ended by WM_CLOSE";
    EXPECT_EQ(site.OriginalValue("VersionOriginal"), "2");
    EXPECT_EQ(engine.Get("InstallTo"), "Done");
    EXPECT_NE(engine.Get("CommandLine").find("/OriginalInfoFile=\"" + wine::WinPath(site.storedInfo) + "\""),
              std::string::npos)
        << engine.Get("CommandLine");
    EXPECT_FALSE(fs::exists(site.folder / "Update2.exe")) << "the fetched setup outlived the update";

    // The application, started again by its path, is version 2; the agent restarted through the
    // plain agent with the override list, and the fresh X agent finds the installed version up to date.
    ASSERT_TRUE(wine::WaitFor([&] { return RecordLines(record, "start ").size() >= 2; }, 60000)) << ReadFile(record);
    const std::vector<std::string> starts = RecordLines(record, "start ");
    EXPECT_NE(starts[0].find(" version=1.0 "), std::string::npos) << starts[0];
    EXPECT_NE(starts[1].find(" version=2.0 "), std::string::npos) << starts[1];
    EXPECT_EQ(RecordLines(record, "end close code=0").size(), 1u) << ReadFile(record);
    EXPECT_NE(
        site.Log().find(".. WinExec - \"" + wine::WinPath(site.folder) + "\\SampleAU.exe\" /_ZZ=99 /WAIT=10 /TRANSIENT="),
        std::string::npos)
        << site.Log();
    EXPECT_EQ(site.NextDecision(1), "GetOkToPerformAU = 3 - New version is not higher then old version");
    site.Stop();
    setupkit::EndSetupProcesses(app);
  }
}
