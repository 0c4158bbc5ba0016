// The choices of an update run: fetch locations and failure texts, the download and install
// questions with their forced and manual forms, the shut-down methods, the restart rules, the
// update run's file and switches, the finish message and the agent's restart command.
#include "agent/UpdateChoices.h"

#include <gtest/gtest.h>

#include "FakeIniStore.h"

namespace {
const std::string kOriginal = "C:\\App\\App.original", kInfo = "C:\\App\\App.info";

class ChoicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* key : {"s11", "s12", "s13", "s14", "s16", "s17", "s18", "s19", "s20"})
      ini_.Write(kOriginal, "AutoUpdate", key, std::string("[") + key + " PROG_NAME]");
    ini_.Write(kOriginal, "AutoUpdate", "s15", "Please close PROG_NAME.");
    ini_.Write(kInfo, "NewSetup", "ProgramName", "Editor");
  }
  void Flags(std::initializer_list<std::pair<const char*, bool>> flags) {
    for (const auto& [key, on] : flags) ini_.Write(kInfo, "NewSetup", key, on ? "1" : "0");
  }

  FakeIniStore ini_;
  OverrideList overrides_;
  OriginalFile original_{ini_, kOriginal};
  InfoFile info_{ini_, kInfo, overrides_};
};
}  // namespace

TEST_F(ChoicesTest, DownloadQuestion) {
  const struct {
    bool confirm, force, install, manual;
    AskKind kind;
    int owner;
    const char* text;
  } cases[] = {
      {true, false, false, false, AskKind::Question, 0, "[s11 Editor][s12 Editor]"},
      {true, false, true, false, AskKind::Question, 0, "[s11 Editor][s13 Editor]"},
      {true, true, false, false, AskKind::Notice, 2, "[s11 Editor][s18 Editor]"},
      {true, true, true, false, AskKind::Notice, 2, "[s11 Editor][s19 Editor]"},
      {false, true, true, false, AskKind::None, 0, "[s11 Editor][s19 Editor]"},
      {true, false, false, true, AskKind::None, 0, "[s11 Editor][s12 Editor]"},  // manual: never asked
      {true, true, true, true, AskKind::None, 0, "[s11 Editor][s19 Editor]"},
  };
  for (const auto& c : cases) {
    Flags({{"RequestConfirmationBeforeDownload", c.confirm},
           {"RequestConfirmationBeforeDownloadForce", c.force},
           {"RequestConfirmationBeforeInstall", c.install}});
    const UpdateMessage m = DownloadQuestion(original_, info_, c.manual);
    EXPECT_EQ(m.kind, c.kind) << c.text;
    EXPECT_EQ(m.ownerMode, c.owner) << c.text;
    EXPECT_EQ(m.text, c.text);
  }
  // An override stands before the file's flag.
  Flags({{"RequestConfirmationBeforeDownload", true}});
  overrides_.Set(OverrideList::kConfirmDownload, 0);
  EXPECT_EQ(DownloadQuestion(original_, info_, false).kind, AskKind::None);
  overrides_.Set(OverrideList::kConfirmDownloadForce, 1);
  overrides_.Set(OverrideList::kConfirmDownload, 1);
  EXPECT_EQ(DownloadQuestion(original_, info_, false).kind, AskKind::Notice);
}

TEST_F(ChoicesTest, InstallQuestion) {
  const struct {
    bool confirm, force, fetched, manual;
    AskKind kind;
    int owner;
    const char* text;
  } cases[] = {
      {true, false, true, false, AskKind::Question, 0, "[s14 Editor]"},
      {true, true, true, false, AskKind::Notice, 2, "[s20 Editor]"},
      {false, false, true, false, AskKind::None, 0, "[s14 Editor]"},
      {true, false, false, false, AskKind::None, 0, "[s14 Editor]"},  // nothing fetched: nothing to ask
      {true, true, true, true, AskKind::None, 0, "[s20 Editor]"},
  };
  for (const auto& c : cases) {
    Flags({{"RequestConfirmationBeforeInstall", c.confirm}, {"RequestConfirmationBeforeInstallForce", c.force}});
    const UpdateMessage m = InstallQuestion(original_, info_, c.fetched, c.manual);
    EXPECT_EQ(m.kind, c.kind) << c.text << c.fetched << c.manual;
    EXPECT_EQ(m.ownerMode, c.owner) << c.text;
    EXPECT_EQ(m.text, c.text);
  }
}

TEST(ShutDown, MethodsAreExactTexts) {
  const struct {
    const char* text;
    ShutDownMethod method;
    bool waits;
  } cases[] = {
      {"Issue a Message Box", ShutDownMethod::MessageBox, true},
      {"Using WM_CLOSE", ShutDownMethod::Close, true},
      {"Using WM_QUIT", ShutDownMethod::Quit, true},
      {"Using Terminate Process", ShutDownMethod::Terminate, true},
      {"Don't Shut Down", ShutDownMethod::DontShutDown, false},
      {"", ShutDownMethod::WaitOnly, true},
      {"using wm_close", ShutDownMethod::WaitOnly, true},
      {"Using WM_CLOSE ", ShutDownMethod::WaitOnly, true},
      {"Dont Shut Down", ShutDownMethod::WaitOnly, true},
      {"Terminate", ShutDownMethod::WaitOnly, true},
  };
  for (const auto& c : cases) {
    const ShutDownMethod m = ParseShutDownMethod(c.text);
    EXPECT_EQ(m, c.method) << c.text;
    EXPECT_EQ(WaitsForProgramEnd(m), c.waits) << c.text;
    if (m != ShutDownMethod::WaitOnly) {
      EXPECT_EQ(ShutDownMethodText(m), c.text);
    }
  }
  EXPECT_EQ(ShutDownMethodText(ShutDownMethod::WaitOnly), "");

  const struct {
    int64_t waited;
    int32_t limit;
    bool givesUp;
  } limits[] = {{1000000, 0, false}, {1000000, -5, false}, {59, 60, false}, {60, 60, true}, {61, 60, true}};
  for (const auto& l : limits) EXPECT_EQ(ShutDownWaitGivesUp(l.waited, l.limit), l.givesUp) << l.waited << l.limit;
}

TEST_F(ChoicesTest, CloseRequestNamesTheProgramFile) {
  EXPECT_EQ(CloseRequestText(original_, info_, "C:\\Program Files\\Editor\\edit.exe"), "Please close edit.exe.");
  EXPECT_EQ(CloseRequestText(original_, info_, ""), "Please close .");
}

TEST(Restart, OnlyAStoppedProgramWithTheFlagAndThere) {
  const struct {
    bool flag, wasRunning, runsNow;
    bool restarts;
  } cases[] = {
      {true, true, false, true},  {false, true, false, false}, {true, false, false, false},  // was not running
      {true, true, true, false},                                                             // never stopped
      {true, false, true, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RestartsProgram(c.flag, c.wasRunning, c.runsNow), c.restarts) << c.flag << c.wasRunning << c.runsNow;

  const struct {
    bool restart, answer, exists, starts;
  } starts[] = {{true, true, true, true},
                {true, false, true, false},
                {false, true, true, false},
                {true, true, false, false}};  // a path that is not there is never started
  for (const auto& s : starts)
    EXPECT_EQ(StartsProgramAgain(s.restart, s.answer, s.exists), s.starts) << s.restart << s.answer << s.exists;
}

TEST_F(ChoicesTest, UpdateRunUsesTheFileNamePart) {
  const struct {
    const char* name;
    const char* setupFile;
  } cases[] = {
      {"Up2.exe", "C:\\App\\Up2.exe"},
      {"sub\\Up2.exe", "C:\\App\\Up2.exe"},
      {"../x/Up2.exe", "C:\\App\\Up2.exe"},
      {"D:Up2.exe", "C:\\App\\Up2.exe"},
      {"", "C:\\App\\"},
  };
  for (const auto& c : cases) {
    ini_.Write(kInfo, "NewSetup", "NameOfUpdateFile", c.name);
    const UpdateRun run = PlanUpdateRun("C:\\App\\", info_);
    EXPECT_EQ(run.setupFile, c.setupFile) << c.name;
    EXPECT_EQ(FetchLocalLocation("http://up", c.name), "http://up\\" + ExtractFileName(c.setupFile)) << c.name;
    EXPECT_EQ(FetchWebLocation("http://up", c.name), "http://up/" + ExtractFileName(c.setupFile)) << c.name;
  }
  const UpdateRun run = PlanUpdateRun("C:\\App\\", info_);
  EXPECT_EQ(run.infoSwitch, "/OriginalInfoFile=\"C:\\App\\App.info\"");
  EXPECT_TRUE(run.foreground);
  Flags({{"BackgroundUpdate", true}});
  EXPECT_FALSE(PlanUpdateRun("C:\\App\\", info_).foreground);
  overrides_.Set(OverrideList::kBackgroundUpdate, 0);
  EXPECT_TRUE(PlanUpdateRun("C:\\App\\", info_).foreground);
}

TEST_F(ChoicesTest, FinishMessage) {
  const struct {
    bool result, informFinish, manual, restart;
    AskKind kind;
    const char* text;
  } cases[] = {
      {true, true, false, false, AskKind::Notice, "[s16 Editor]"},
      {true, true, false, true, AskKind::Question, "[s16 Editor][s17 PROG_NAME]"},  // s17 keeps PROG_NAME
      {true, false, true, false, AskKind::Notice, "[s16 Editor]"},                  // manual: always
      {true, false, true, true, AskKind::Question, "[s16 Editor][s17 PROG_NAME]"},
      {true, false, false, true, AskKind::None, "[s16 Editor][s17 PROG_NAME]"},
      {false, true, true, true, AskKind::None, "[s16 Editor][s17 PROG_NAME]"},  // a failed run tells nothing
  };
  for (const auto& c : cases) {
    Flags({{"InformFinish", c.informFinish}});
    const UpdateMessage m = FinishMessage(original_, info_, c.result, c.manual, c.restart);
    EXPECT_EQ(m.kind, c.kind) << c.result << c.informFinish << c.manual << c.restart;
    EXPECT_EQ(m.ownerMode, 1);
    EXPECT_EQ(m.text, c.text);
  }
}

TEST_F(ChoicesTest, FetchSourcesAndTheirFailureTexts) {
  EXPECT_EQ(FetchSource("http://up", false, "D:\\Test"), "http://up");
  EXPECT_EQ(FetchSource("http://up", true, "D:\\Test"), "D:\\Test");
  EXPECT_EQ(FetchStatusTextNumber(FetchKind::Info), 31);
  EXPECT_EQ(FetchStatusTextNumber(FetchKind::Update), 32);
  EXPECT_EQ(FetchStatusTextNumber(FetchKind::Inform), 33);

  const struct {
    bool aborted;
    const char* location;
    const char* text;
  } texts[] = {
      {true, "http://up/Up.exe", "File Download Aborted!"},
      {false, "D:\\Updates\\Up.exe", "File not Found!<P><P>D:\\Updates\\Up.exe"},
      {false, "\\\\srv\\share\\Up.exe", "File not Found!<P><P>\\\\srv\\share\\Up.exe"},
      {false, "http://up/Up.exe", "Unable to Download File!<P><P>http://up/Up.exe"},
      {false, "up/Up.exe", "Unable to Download File!<P><P>up/Up.exe"},
  };
  for (const auto& t : texts) EXPECT_EQ(FetchFailureText(original_, t.aborted, t.location), t.text) << t.location;
  ini_.Write(kOriginal, "AutoUpdate", "s5", "Kein Download");
  EXPECT_EQ(FetchFailureText(original_, false, "http://up/x"), "Kein Download<P><P>http://up/x");

  const struct {
    bool confirm;
    const char* error;
    const char* location;
    bool tells, visible;
  } rules[] = {
      {true, "err", "http://up/Up.exe", true, true},
      {false, "err", "http://up/Up.exe", false, false},  // no question asked: the update silently waits
      {true, "", "http://up/Up.exe", false, true},
      {true, "err", "D:", false, true},
      {true, "err", "D:\\", true, true},
  };
  for (const auto& r : rules) {
    Flags({{"RequestConfirmationBeforeDownload", r.confirm}});
    EXPECT_EQ(TellsFetchFailure(r.error, r.location, info_), r.tells) << r.confirm << r.error << r.location;
    EXPECT_EQ(FetchIsVisible(FetchKind::Update, info_, false), r.visible);
    EXPECT_FALSE(FetchIsVisible(FetchKind::Update, info_, true));
    EXPECT_FALSE(FetchIsVisible(FetchKind::Info, info_, false));
    EXPECT_FALSE(FetchIsVisible(FetchKind::Inform, info_, false));
  }
}

TEST(AgentRestart, CommandAndCountdown) {
  OverrideList overrides;
  EXPECT_EQ(RestartAgentCommand("C:\\Program Files\\App\\", "AppUpdate.exe", overrides),
            "\"C:\\Program Files\\App\\AppUpdate.exe\" /_ZZ=99 /WAIT=10 /TRANSIENT=|255|255|255|255|255|255|255|255|");
  overrides.Set(OverrideList::kCheckNowQuestion, 1);
  overrides.Set(OverrideList::kRestartProcess, 0);
  EXPECT_EQ(RestartAgentCommand("C:\\A\\", "U.exe", overrides),
            "\"C:\\A\\U.exe\" /_ZZ=99 /WAIT=10 /TRANSIENT=|1|255|255|255|255|0|255|255|");
  EXPECT_TRUE(RestartsAgent(-1));
  EXPECT_TRUE(RestartsAgent(0));
  EXPECT_FALSE(RestartsAgent(1));
}
