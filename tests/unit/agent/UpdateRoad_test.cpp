// DownloadFileAU over a recording host: which place is asked for each source, that a failed fetch
// leaves nothing behind, and when the failure is told.
#include "agent/UpdateRoad.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "AgentFiles.h"
#include "RecordingUpdateHost.h"

namespace {
const std::string kInfo = AgentFiles::kInfo;
}  // namespace

TEST(UpdateRoad, DownloadFileAU) {
  const struct {
    const char* source;
    bool testMode, ok, confirm;
    FetchKind kind;
    const char* error;
    FetchSourceKind sourceKind;
    const char* location;
    bool told;
  } cases[] = {
      {"http://up/app", false, true, true, FetchKind::Update, "", FetchSourceKind::Web, "http://up/app/v2.exe", false},
      {"\\\\srv\\share", false, true, false, FetchKind::Update, "", FetchSourceKind::Folder, "\\\\srv\\share\\v2.exe",
       false},
      {"http://up/app", true, true, false, FetchKind::Inform, "", FetchSourceKind::TestFolder, "D:\\test\\v2.exe",
       false},
      {"http://up/app", false, false, true, FetchKind::Update, "404", FetchSourceKind::Web, "http://up/app/v2.exe",
       true},
      {"http://up/app", false, false, false, FetchKind::Update, "404", FetchSourceKind::Web, "http://up/app/v2.exe",
       false},
      {"http://up/app", false, false, true, FetchKind::Info, "", FetchSourceKind::Web, "http://up/app/v2.exe", false},
  };
  for (const auto& c : cases) {
    AgentFiles files;
    files.Info("RequestConfirmationBeforeDownload", c.confirm ? "1" : "0");
    RecordingUpdateHost host;
    host.fetchResult = c.ok;
    host.fetchError = c.error;
    FetchRequest request{c.kind, c.source, "sub\\v2.exe", "C:\\App\\v2.exe", c.testMode, "D:\\test"};
    EXPECT_EQ(DownloadFileAU(host, files.original, files.info, request), c.ok) << c.source;
    EXPECT_EQ(host.source, c.sourceKind) << c.source;
    EXPECT_EQ(host.location, c.location) << c.source;
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "delete C:\\App\\v2.exe"), c.ok ? 0 : 1) << c.source;
    EXPECT_EQ(host.asked.size(), c.told ? 1u : 0u) << c.source;
  }
}

// The information file is accepted or refused before any of its values is read: a refused one is
// deleted and told as a refused token is; a server's error page counts as not fetched and is kept
// as it came, with nothing told.
TEST(UpdateRoad, InformationFileAcceptedBeforeUse) {
  const struct {
    const char* what;
    const char* content;
    bool accepted, fetched;
    const char* error;
  } cases[] = {
      {"accepted", "[NewSetup]\r\nVersionNew=2\r\n", true, true, ""},
      {"refused", "[NewSetup]\r\nVersionNew=2\r\n", false, false, "Bad Signature!"},
      {"an error page", "<html><title>404 Not Found</title></html>", false, false, "404"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AgentFiles files;
    RecordingUpdateHost host;
    host.served[kInfo] = c.content;
    host.acceptsInfo = c.accepted;
    std::string error;
    EXPECT_EQ(DownloadFileAU(host, files.original, files.info,
                             {FetchKind::Info, "http://up/app", "App.info", kInfo, false, "", false}, &error),
              c.fetched);
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    const bool refused = c.error == std::string("Bad Signature!");
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "delete " + kInfo), refused ? 1 : 0);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "ask error Bad Signature!"), refused ? 1 : 0);
    EXPECT_EQ(host.asked.size(), refused ? 1u : 0u);
  }
}

// PerformAutoUpdate from the information file to the restart: each row's information file and
// program, and every step the road asked of the host, in order.
TEST(UpdateRoad, PerformAutoUpdate) {
  const std::string fetch = "fetch 2 http://up/app/v2.exe", setup = "C:\\App\\v2.exe";
  // The fetch with what happens inside it, then what follows.
  const auto fetching = [&](std::vector<std::string> inside, std::vector<std::string> tail) {
    std::vector<std::string> all{"activity 2", "notify 41 1", fetch};
    all.insert(all.end(), inside.begin(), inside.end());
    all.push_back("notify 41 2");
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
  };
  const auto with = [&](std::vector<std::string> tail) { return fetching({}, std::move(tail)); };
  const std::vector<std::string> runSetup{"activity 3", "notify 42 1", "run " + setup, "notify 42 2"};
  const auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  struct Row {
    const char* what;
    std::string infoExtra;  // more [NewSetup] lines
    bool manual = false;
    bool yes = true, fetchOk = true, accepts = true, runs = true, setupOk = true, exists = true;
    int endsAfterWaits = -1;
    bool endsWhenShutDown = true;
    bool result = false, tryAgain = false;
    std::vector<std::string> calls;
  } rows[] = {
      {"closed, updated, restarted", "ShutDownMethod=Using WM_CLOSE\nRestartProcess=1\n", false, true, true, true, true,
       true, true, -1, true, true, false,
       join(with({"shut down Using WM_CLOSE"}), join(runSetup, {"delete " + setup, "start C:\\App\\app.exe"}))},
      {"download question declined",
       "RequestConfirmationBeforeDownload=1\n",
       false,
       false,
       true,
       true,
       true,
       true,
       true,
       -1,
       true,
       false,
       false,
       {"ask question Get ?"}},
      {"fetch failed: tried again", "", false, true, false, true, true, true, true, -1, true, false, true,
       fetching({"delete " + setup}, {})},
      {"another product's setup", "", false, true, true, false, true, true, true, -1, true, false, true,
       fetching({"delete " + setup, "ask error Bad Secret Token!"}, {})},
      {"manual: no questions, the finish told",
       "RequestConfirmationBeforeDownload=1\nRequestConfirmationBeforeInstall=1\n"
       "ShutDownMethod=Using Terminate Process\n",
       true, true, true, true, true, true, true, -1, true, true, false,
       join(with({"shut down Using Terminate Process"}), join(runSetup, {"delete " + setup, "ask notice Done."}))},
      {"the program never ends: given up", "ShutDownMethod=Using WM_CLOSE\nShutDownTimeout=3\nRestartProcess=1\n",
       false, true, true, true, true, true, true, -1, false, false, true,
       with({"shut down Using WM_CLOSE", "delete " + setup})},
      {"the user closes it in time (empty method)", "ShutDownTimeout=30\nRestartProcess=1\n", false, true, true, true,
       true, true, true, 5, true, true, false,
       join(with({}), join(runSetup, {"delete " + setup, "start C:\\App\\app.exe"}))},
      {"not shut down: not restarted", "ShutDownMethod=Don't Shut Down\nRestartProcess=1\n", false, true, true, true,
       true, true, true, -1, true, true, false, join(with({}), join(runSetup, {"delete " + setup}))},
      {"failed run: the old program again", "ShutDownMethod=Using WM_QUIT\nRestartProcess=1\nInformFinish=1\n", false,
       true, true, true, true, false, true, -1, true, false, false,
       join(with({"shut down Using WM_QUIT"}), join(runSetup, {"delete " + setup, "start C:\\App\\app.exe"}))},
      {"a program path that is gone is not started", "ShutDownMethod=Using WM_QUIT\nRestartProcess=1\n", false, true,
       true, true, true, true, false, -1, true, true, false,
       join(with({"shut down Using WM_QUIT"}), join(runSetup, {"delete " + setup}))},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    AgentFiles files;
    files.Original("VersionOriginal", "1");
    files.Original("s11", "Get ", "AutoUpdate");
    files.Original("s12", "PROG_NAME?", "AutoUpdate");
    files.Original("s16", "Done.", "AutoUpdate");
    for (const auto& [key, value] :
         std::vector<std::pair<std::string, std::string>>{{"DownloadURL_UPDATE", "http://up/app"},
                                                          {"NameOfUpdateFile", "dir\\v2.exe"},
                                                          {"VersionNew", "2"},
                                                          {"RunningProcess", "C:\\App\\app.exe"}})
      files.Info(key, value);
    std::string extra = row.infoExtra;
    for (size_t at; (at = extra.find('\n')) != std::string::npos; extra.erase(0, at + 1)) {
      const std::string line = extra.substr(0, at);
      const size_t eq = line.find('=');
      files.Info(line.substr(0, eq), line.substr(eq + 1));
    }
    RecordingUpdateHost host;
    host.yes = row.yes;
    host.fetchResult = row.fetchOk;
    host.accepts = row.accepts;
    host.programRuns = row.runs;
    host.setupResult = row.setupOk;
    host.programExists = row.exists;
    host.endsAfterWaits = row.endsAfterWaits;
    host.endsWhenShutDown = row.endsWhenShutDown;
    const UpdateAttempt attempt =
        PerformAutoUpdate(host, files.original, files.info, {"C:\\App\\", false, "", row.manual});
    EXPECT_EQ(attempt.result, row.result);
    EXPECT_EQ(attempt.tryAgain, row.tryAgain);
    EXPECT_EQ(host.calls, row.calls);
    EXPECT_EQ(files.original.VersionOriginal(), row.result ? 2 : 1);
    for (const UpdateRun& run : host.runs) EXPECT_EQ(run.infoSwitch, "/OriginalInfoFile=\"" + kInfo + "\"");
  }
}

// The agent's restart hands the overrides on, and waits while a quit countdown runs.
TEST(UpdateRoad, ReStartAutoUpdateExe) {
  OverrideList overrides;
  overrides.ReadText("1|0|");
  for (int countdown : {-1, 0, 3}) {
    RecordingUpdateHost host;
    ReStartAutoUpdateExe(host, "C:\\App\\", "AppAU.exe", overrides, countdown);
    const std::vector<std::string> expected =
        countdown > 0 ? std::vector<std::string>{}
                      : std::vector<std::string>{
                            "agent \"C:\\App\\AppAU.exe\" /_ZZ=99 /WAIT=10 /TRANSIENT=" + overrides.ToText(), "end agent"};
    EXPECT_EQ(host.calls, expected) << countdown;
  }
}
