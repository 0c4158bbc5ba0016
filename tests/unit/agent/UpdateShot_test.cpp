// One check over a recording host: what each information file and answer leads to (the decision's
// action, the report of a check the user asked for, what the installed-version file records), and
// the information file fetched alone.
#include "agent/UpdateShot.h"

#include <gtest/gtest.h>

#include "../env/FakeEnvironment.h"
#include "AgentFiles.h"
#include "RecordingUpdateHost.h"
#include "agent/InformFile.h"
#include "pack/PackWriter.h"

namespace {
// One agent's check over a recording host.
struct ShotBench : AgentFiles {
  FakeEnvironment env;
  FakeClock clock;
  TestMode testMode{env, clock};
  RecordingUpdateHost host;
  UpdateShot shot{original, info, overrides,        testMode, clock, {"C:\\App\\", "AppAU.exe", "http://up/app"},
                  host,     host, [] { return -1; }};
};

// The calls that show what a check did: fetches, boxes, the update run and the agent's restart.
std::vector<std::string> Steps(const std::vector<std::string>& calls) {
  std::vector<std::string> out;
  for (const std::string& c : calls)
    for (const char* kind : {"fetch ", "ask ", "run ", "agent ", "dialog "})
      if (c.rfind(kind, 0) == 0) out.push_back(c);
  return out;
}
}  // namespace

TEST(UpdateShot, WhatACheckLeadsTo) {
  const std::string infoFetch = "fetch 1 http://up/app/App.info", setupFetch = "fetch 2 http://up/app/v2.exe";
  struct Row {
    const char* what;
    int installed;  // VersionOriginal
    bool manual;
    bool infoServed;    // the information file arrives
    const char* extra;  // more [NewSetup] lines, or a [General] AutoInform
    bool answer;        // the check-now question, and every other one
    bool setupFetched;
    std::vector<std::string> steps;
    int stamp;  // Stamp of the installed-version file afterwards
  } rows[] = {
      {"an update: fetched, run, the agent restarted",
       1,
       false,
       true,
       "",
       true,
       true,
       {infoFetch, setupFetch, "run C:\\App\\v2.exe",
        "agent \"C:\\App\\AppAU.exe\" /_ZZ=99 /WAIT=10 /TRANSIENT=" + OverrideList().ToText()},
       7},
      {"no information file: nothing", 1, false, false, "", true, true, {infoFetch}, 0},
      {"the update's fetch failed: offered again at the next check",
       1,
       false,
       true,
       "",
       true,
       false,
       {infoFetch, setupFetch},
       0},
      {"an announcement: the inform path",
       1,
       false,
       true,
       "AutoInform=1",
       true,
       true,
       {infoFetch, "fetch 3 http://up/app/news.inform"},
       7},
      {"manual, nothing newer: told why",
       2,
       true,
       true,
       "",
       true,
       true,
       {"ask question Check App now?", infoFetch, "ask notice Nothing to do."},
       0},
      {"manual, no information file: the download's error",
       1,
       true,
       false,
       "",
       true,
       true,
       {"ask question Check App now?", infoFetch, "ask error failed"},
       0},
      {"manual, the check-now question declined", 1, true, true, "", false, true, {"ask question Check App now?"}, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ShotBench b;
    b.Original("VersionOriginal", std::to_string(row.installed));
    b.Original("ProgramName", "App");
    b.Original("s21", "Nothing to do.", "AutoUpdate");
    b.Original("s22", "Check PROG_NAME now?", "AutoUpdate");
    for (const auto& [key, value] :
         std::vector<std::pair<std::string, std::string>>{{"DownloadURL_UPDATE", "http://up/app"},
                                                          {"NameOfUpdateFile", "v2.exe"},
                                                          {"SizeOfUpdateFile", "1000"},
                                                          {"VersionNew", "2"},
                                                          {"Stamp", "7"}})
      b.Info(key, value);
    if (std::string(row.extra) == "AutoInform=1") {
      b.Info("AutoInform", "1", "General");
      b.Info("NameOfInformFile", "news.inform", "AutoInform");
      b.Info("SizeOfInformFile", "1000", "AutoInform");
    }
    b.host.httpSize = 1000;
    b.host.yes = row.answer;
    b.host.served[AgentFiles::kInfo] = "[NewSetup]";
    b.host.fetchResult = row.infoServed;
    if (!row.setupFetched) b.host.failAfter = 1;  // the information file arrives, the setup does not
    b.shot.Run(1, row.manual);
    EXPECT_EQ(Steps(b.host.calls), row.steps);
    EXPECT_EQ(b.original.Stamp(), row.stamp);
    if (row.answer) {
      EXPECT_GT(b.original.ProbeSecondsLast(), 0) << "the check time is recorded";
    }
  }
}

// An announcement: the check fetches the inform file with the activity and progress 41 around it,
// and the dialog shows the file stored under the file-name part of its name.
TEST(UpdateShot, AnInformIsFetchedByTheCheckAndShown) {
  ShotBench b;
  b.Original("VersionOriginal", "1");
  for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"DownloadURL_UPDATE", "http://up/app"}, {"VersionNew", "2"}, {"Stamp", "7"}})
    b.Info(key, value);
  b.Info("AutoInform", "1", "General");
  b.Info("NameOfInformFile", "news\\2026\\News.inform", "AutoInform");
  b.Info("SizeOfInformFile", "1000", "AutoInform");
  b.host.httpSize = 1000;
  b.host.served[AgentFiles::kInfo] = "[NewSetup]";
  b.host.served["C:\\App\\News.inform"] = BuildInformFile("Hi", ScrambleToken("APP", 1), false, 0);
  b.shot.Run(1, false);
  std::vector<std::string> steps;
  for (const std::string& c : b.host.calls)
    if (c.rfind("fetch 3", 0) == 0 || c.rfind("notify 41", 0) == 0 || c.rfind("activity 2", 0) == 0 ||
        c.rfind("dialog", 0) == 0)
      steps.push_back(c);
  EXPECT_EQ(steps, (std::vector<std::string>{"activity 2", "notify 41 1", "fetch 3 http://up/app/News.inform",
                                             "notify 41 2", "dialog Hi"}));
  EXPECT_EQ(b.original.VersionOriginal(), 2);
}

// The fetch of the information file alone: notifications around it, no decision.
TEST(UpdateShot, JustDownloadInfoFile) {
  ShotBench b;
  b.shot.JustDownloadInfoFile();
  EXPECT_EQ(b.host.calls, (std::vector<std::string>{"notify 40 1", "fetch 1 http://up/app/App.info", "notify 40 2"}));
  EXPECT_EQ(b.original.ProbeSecondsLast(), 0);
}
