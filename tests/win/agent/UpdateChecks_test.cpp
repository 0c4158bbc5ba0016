// The update check of the real stub's X agent under Wine, with the update folder served by nginx
// on loopback: each decision reached by the information file that reaches it and logged, the stamp
// and re-ask rules over seconds-long intervals, the check the user asks for, a fetched file of
// another product, a broken download, the controller's notifications and the current activity,
// and an announcement shown in the agent's own inform dialog.
#include <gtest/gtest.h>

#include "CheckSite.h"
#include "OpenerAsBrowser.h"

using namespace checksite;
using setupkit::Drive;
using setupkit::DriveOutput;
using wine::Opened;
using wine::OpenerAsBrowser;

namespace {
// The "reply C A" lines of a controller's output.
std::vector<std::string> Replies(const std::string& output) {
  std::vector<std::string> out;
  for (const std::string& line : wine::NonEmptyLines(output))
    if (line.rfind("reply ", 0) == 0) out.push_back(line);
  return out;
}

// The answer to command 7 (the current activity), asked without registering.
std::string Activity() {
  const wine::Result r =
      wine::RunWine({wine::ToolExe("controller").string(), "--class", kXClass, "--command", "7", "0"});
  const std::vector<std::string> lines = wine::LinesStartingWith(r.output, "result 1125 7 0 ");
  return lines.empty() ? "(none) " + r.output : "result 1125 7 0 " + lines[0];
}
}  // namespace

// One agent, asked to check once per row: the decision each information file reaches, in the
// log. A missing information file (nginx's 404 page) is not fetched, yet stored as it came.
TEST(UpdateChecks, EachDecisionReachedAndLogged) {
  CheckSite site;
  const int64_t setupSize = site.ServeSetup("Update2.exe");
  struct Row {
    const char* what;
    Installed installed;
    bool served;
    Offer offer;
    const char* decision;
  } rows[] = {
      {"no information file", {}, false, {}, "GetOkToPerformAU = 0 - Error downloading .INFO file"},
      {"no installed version", {0}, true, {}, "GetOkToPerformAU = 1 - Error reading .ORIGINAL file"},
      {"the stamp dealt with", {1, 2}, true, {}, "GetOkToPerformAU = 2 - Too early for retesting"},
      {"the same version", {2}, true, {"", 2, 3}, "GetOkToPerformAU = 3 - New version is not higher then old version"},
      {"another valid version", {}, true, {"", 2, 2, "3,4"}, "GetOkToPerformAU = 4 - \"Valid for version\" mismatch"},
      {"100 bytes too many announced",
       {},
       true,
       {"", 2, 2, "", "Update2.exe", setupSize + 100},
       "GetOkToPerformAU = 5 - Download file size error"},
  };
  site.WriteInstalled({});
  site.Start();
  size_t seen = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    site.WriteInstalled(row.installed);
    site.Serve(row.served ? site.OfferText(row.offer) : "");
    site.AskCheck();
    EXPECT_EQ(site.NextDecision(seen++), row.decision);
    if (!row.served) {
      EXPECT_NE(ReadFile(site.storedInfo).find("404 Not Found"), std::string::npos);
    }
  }
  const std::string log = site.Log();
  EXPECT_NE(log.find("  InfoSize=" + std::to_string(setupSize + 100)), std::string::npos) << log;
  EXPECT_NE(log.find("  HttpSize=" + std::to_string(setupSize)), std::string::npos) << log;
  EXPECT_NE(log.find("  URL=" + site.siteUrl + "/Update2.exe"), std::string::npos) << log;
  site.Stop();
}

// The size check's other side of the boundary: 99 bytes off passes, the setup is fetched, and
// as it carries another product's token it is deleted and reported. Then a download that breaks
// off half-way leaves nothing behind, and the next due check tries it again.
TEST(UpdateChecks, OtherProductsSetupDeletedAndBrokenDownloadTriedAgain) {
  CheckSite site;
  const int64_t size = site.ServeSetup("Update2.exe", "OTHER-2026");
  site.WriteInstalled({});
  site.Serve(site.OfferText({"", 2, 2, "", "Update2.exe", size - 99}));
  site.Start();
  site.AskCheck();
  EXPECT_EQ(site.NextDecision(0), "GetOkToPerformAU = 6 - OK");
  AnswerBox("Bad Secret Token!");
  ASSERT_TRUE(site.WaitLog("PerformAutoUpdate() - END    Result=FALSE"));
  EXPECT_NE(site.Log().find("ERROR: Bad Secret Token!"), std::string::npos) << site.Log();
  EXPECT_FALSE(fs::exists(site.folder / "Update2.exe"));
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "1");

  // A setup of this product, cut off half-way by the server: a failed attempt is not an
  // announcement dealt with, so the next check, with the same stamp, tries again.
  site.ServeSetup("Update2.exe");
  const std::string broken = site.MisbehavingSite("short");
  site.Serve(site.OfferText({broken, 2, 3, "", "Update2.exe", int64_t(fs::file_size(site.site / "Update2.exe"))}));
  for (int attempt : {1, 2}) {
    SCOPED_TRACE(attempt);
    const size_t seen = site.Decisions().size();
    const size_t ended = Count(site.Log(), "PerformAutoUpdate() - END");
    site.AskCheck();
    EXPECT_EQ(site.NextDecision(seen), "GetOkToPerformAU = 6 - OK");
    ASSERT_TRUE(site.WaitLog("PerformAutoUpdate() - END    Result=FALSE", ended + 1));
    EXPECT_FALSE(fs::exists(site.folder / "Update2.exe")) << "a broken download was left behind";
    EXPECT_EQ(site.OriginalValue("VersionOriginal"), "1");
  }
  EXPECT_EQ(Count(site.Log(), "Download START: " + broken + "\\Update2.exe"), 2u) << site.Log();
  // Nothing beside the agent but what was there, the files it keeps, and what arrived of the setup,
  // kept for the next attempt to resume (never in place of the setup).
  const auto partial = [](const std::string& name) {
    return name.starts_with("Update2.exe.") && (name.ends_with(".part") || name.ends_with(".part.info"));
  };
  for (const auto& entry : fs::directory_iterator(site.folder)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "SampleAU.exe" || name == "X_SampleAU.exe" || name == "Update.original" ||
                name == "Update.info" || name == "X_SampleAU.log" || partial(name))
        << name;
  }
  site.Stop();
}

// Automatic checks every 2 s: an announcement taken is not offered again while its stamp is the
// one dealt with; a new stamp is offered at the next check; with a re-ask interval the same
// stamp comes again once it has passed. The announcement is an empty inform, which shows nothing.
TEST(UpdateChecks, StampAndReAskOverTime) {
  CheckSite site;
  const auto announce = [&](int stamp) {
    const int64_t size = site.ServeInform("Empty.inform", "");
    site.Serve(site.OfferText({"", 2, stamp, "", "", -1}) + "[General]\r\nAutoInform=1\r\n[AutoInform]\r\n" +
               "DownloadURL_INFORM=\r\nNameOfInformFile=Empty.inform\r\nSizeOfInformFile=" + std::to_string(size) +
               "\r\n");
  };
  announce(2);
  site.WriteInstalled({1, 0, 2, 0});
  site.Start();
  EXPECT_EQ(site.NextDecision(0), "GetOkToPerformAU = 6 - OK");
  EXPECT_EQ(site.NextDecision(1), "GetOkToPerformAU = 2 - Too early for retesting");
  EXPECT_EQ(site.NextDecision(2), "GetOkToPerformAU = 2 - Too early for retesting");
  EXPECT_EQ(site.OriginalValue("Stamp"), "2");
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "1") << "an inform that showed nothing raised the version";

  announce(3);
  size_t seen = site.Decisions().size();
  std::string next = site.NextDecision(seen);
  if (next.find("= 2 ") != std::string::npos) next = site.NextDecision(++seen);  // the check before the new file
  EXPECT_EQ(next, "GetOkToPerformAU = 6 - OK");
  // The stamp is stored just after the decision is logged.
  EXPECT_TRUE(wine::WaitFor([&] { return site.OriginalValue("Stamp") == "3"; }, 30000)) << site.OriginalValue("Stamp");

  // Re-ask after 6 s: some refusals, then the same stamp again.
  site.Stop();
  site.WriteInstalled({1, 3, 2, 6});
  const size_t before = site.Decisions().size();
  site.Start();
  EXPECT_EQ(site.NextDecision(before), "GetOkToPerformAU = 6 - OK");
  std::vector<std::string> after;
  ASSERT_TRUE(wine::WaitFor(
      [&] {
        const std::vector<std::string> all = site.Decisions();
        after.assign(all.begin() + long(before) + 1, all.end());
        return !after.empty() && after.back().find("= 6 ") != std::string::npos;
      },
      90000))
      << site.Log();
  EXPECT_GE(after.size(), 2u) << site.Log();
  for (size_t i = 0; i + 1 < after.size(); ++i) EXPECT_EQ(after[i], "GetOkToPerformAU = 2 - Too early for retesting");
  site.Stop();
}

// The check the user asks for (31 with 2): the check-now question first; the stamp test is left
// out; when nothing is done the user is told why: s21 for a decision, the download's error for a
// missing information file. s21 is shown as it stands: no program name is put into it.
TEST(UpdateChecks, ManualCheckTellsWhyNothingWasDone) {
  CheckSite site;
  struct Row {
    const char* what;
    bool served;
    const char* decision;
    const char* told;
  } rows[] = {
      {"the stamp dealt with, the version installed", true,
       "GetOkToPerformAU = 3 - New version is not higher then old version", "Nothing to do for PROG_NAME."},
      {"no information file", false, "GetOkToPerformAU = 0 - Error downloading .INFO file", "404"},
  };
  site.WriteInstalled({2, 2});
  site.Start();
  size_t seen = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    site.Serve(row.served ? site.OfferText({"", 2, 2}) : "");
    site.AskCheck(2);
    AnswerBox("", true);  // the check-now question
    EXPECT_EQ(site.NextDecision(seen++), row.decision);
    AnswerBox(row.told);
  }
  site.Stop();
}

// A check the user asks for (31 with 2) that finds an update: after the check-now question no
// download or install question although the information file asks for both, and the finish
// message although it does not ask for one. Meanwhile the registered controller hears 40, 41 and
// 42 with 1 and 2 around the fetches and the setup run, and command 7 reads 2 during the (slow)
// download and 3 while the update setup runs (the stand-in engine holds until the test lets it go).
TEST(UpdateChecks, ManualUpdateNotificationsAndCurrentActivity) {
  CheckSite site;
  wine::TempDir steer;
  const fs::path hold = steer / "hold";
  setupkit::EngineSteering engine(steer, "DeleteAtom=1\r\nHoldFile=" + wine::WinPath(hold) + "\r\nDialogMs=1\r\n");
  PackJob job = setupkit::SampleJob();
  job.update.token = kToken;
  job.files.push_back({"big.bin", "", std::string(2 << 20, 'x'), setupkit::kSampleDosTime});
  job.level = 0;
  const fs::path setup = setupkit::WriteSetup(site.dir, job, "site/Update2.exe");
  site.WriteInstalled({1, 0, -1, 0, "s16=PROG_NAME is up to date.\r\n"});
  const std::string slow = site.MisbehavingSite("slow");
  site.Serve(site.OfferText({slow, 2, 2, "", "Update2.exe", int64_t(fs::file_size(setup)),
                             "ProgramName=Sample App\r\nRequestConfirmationBeforeDownload=1\r\n"
                             "RequestConfirmationBeforeInstall=1\r\nInformFinish=0\r\n"}));
  site.Start();
  wine::Process controller({wine::ToolExe("controller").string(), "--class", kXClass, "--register", "--command", "31",
                            "2", "--count", "8", "--timeout", "240000"});
  AnswerBox("", true);  // the check-now question
  ASSERT_TRUE(site.WaitLog("Download START: " + slow)) << site.Log();
  EXPECT_EQ(Activity(), "result 1125 7 0 2");
  ASSERT_TRUE(wine::WaitFor([&] { return engine.Ran(); }, 120000)) << site.Log();
  EXPECT_EQ(Activity(), "result 1125 7 0 3");
  EXPECT_NE(Drive({"wait", "--class", kBox, "--timeout", "0"}), 0) << "a question came before the setup run";
  wine::WriteFile(hold, "go");
  AnswerBox("Sample App is up to date.");
  EXPECT_EQ(controller.Wait(240000), 0) << controller.Output();
  const std::vector<std::string> expected{"reply 50 ",  "reply 51 1125", "reply 40 1", "reply 40 2",
                                          "reply 41 1", "reply 41 2",    "reply 42 1", "reply 42 2"};
  std::vector<std::string> replies = Replies(controller.Output());
  if (!replies.empty() && replies[0].rfind("reply 50 ", 0) == 0) replies[0] = "reply 50 ";
  EXPECT_EQ(replies, expected) << controller.Output();
  ASSERT_TRUE(site.WaitLog("PerformAutoUpdate() - END    Result=TRUE")) << site.Log();
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "2");
}

// An announcement written by mkpack inform, served by nginx: the agent shows it in its rich-text
// dialog; the button opens the page and counts as shown (VersionOriginal raised, not shown again).
// Another product's inform file is refused and deleted, and the version stays.
TEST(UpdateChecks, AnnouncementShownEndToEnd) {
  CheckSite site;
  OpenerAsBrowser browser(site.dir / "opened.txt");
  const std::string page = "https://example.com/download";
  const auto publish = [&](const std::string& token, int version, int stamp) {
    WriteFile(site.dir / "news.rtf", "{\\rtf1\\ansi {\\b New:} version " + std::to_string(version) + ".\\par}");
    WriteFile(site.dir / "inform.ini",
              "[Inform]\r\nText=" + (site.dir / "news.rtf").string() + "\r\nToken=" + token +
                  "\r\nFolder=" + site.site.string() +
                  "\r\nInfoFile=Update.info\r\nInformFile=news.inform\r\nUpdateUrl=" + site.siteUrl + "\r\nWebPage=" +
                  page + "\r\nVersion=" + std::to_string(version) + "\r\nStamp=" + std::to_string(stamp) + "\r\n");
    const std::string cmd = (fs::path(VELKIT_WINE_DIR).parent_path() / "tools/mkpack/mkpack").string() + " inform " +
                            (site.dir / "inform.ini").string() + " --quiet";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  };
  publish("OTHER-2026", 3, 3);
  site.WriteInstalled({});
  site.Start();
  site.AskCheck();
  EXPECT_EQ(site.NextDecision(0), "GetOkToPerformAU = 6 - OK");
  AnswerBox("Bad Secret Token!");
  ASSERT_TRUE(site.WaitLog("PerformAutoInform() - END FALSE")) << site.Log();
  EXPECT_FALSE(fs::exists(site.folder / "news.inform"));
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "1");

  publish(kToken, 4, 4);
  site.AskCheck();
  EXPECT_EQ(site.NextDecision(1), "GetOkToPerformAU = 6 - OK");
  ASSERT_EQ(Drive({"wait", "--class", "VRichEditBox", "--visible", "--timeout", "90000"}), 0) << site.Log();
  const std::string dialog = DriveOutput({"list", "--class", "VRichEditBox"});
  EXPECT_NE(dialog.find("RICHEDIT"), std::string::npos) << dialog;
  // The agent keeps answering while the dialog is open.
  EXPECT_EQ(Activity().rfind("result 1125 7 0 ", 0), 0u);
  ASSERT_EQ(Drive({"click", "--class", "VRichEditBox", "--button", "Download"}), 0) << dialog;
  EXPECT_EQ(Opened(site.dir / "opened.txt", 1), std::vector<std::string>{page});
  ASSERT_TRUE(site.WaitLog("PerformAutoInform() - END TRUE")) << site.Log();
  EXPECT_EQ(site.OriginalValue("VersionOriginal"), "4");
  publish(kToken, 4, 5);  // announced again under a new stamp: the version is there already
  site.AskCheck();
  EXPECT_EQ(site.NextDecision(2), "GetOkToPerformAU = 3 - New version is not higher then old version");
  site.Stop();
}
