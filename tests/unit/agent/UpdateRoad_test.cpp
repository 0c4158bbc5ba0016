// DownloadFileAU over a recording host: which place is asked for each source, that a failed fetch
// leaves nothing behind, and when the failure is told.
#include "agent/UpdateRoad.h"

#include <gtest/gtest.h>

#include <vector>

#include "FakeIniStore.h"

namespace {
const std::string kOriginal = "C:\\App\\App.original", kInfo = "C:\\App\\App.info";

struct RecordingHost : UpdateHost {
  bool fetchResult = true;
  std::string fetchError;
  FetchSourceKind source{};
  std::string location, deleted;
  std::vector<UpdateMessage> asked;

  bool FetchUpdateFile(FetchKind, FetchSourceKind s, std::string_view loc, std::string_view, std::string& error) override {
    source = s;
    location = loc;
    error = fetchError;
    return fetchResult;
  }
  void DeleteAgentFile(std::string_view target) override { deleted = target; }
  bool Ask(const UpdateMessage& m) override { asked.push_back(m); return true; }
  bool ProgramRuns(std::string_view) override { return false; }
  bool ProgramExists(std::string_view) override { return true; }
  void ShutDownProgram(ShutDownMethod, std::string_view) override {}
  int64_t Seconds() override { return 0; }
  void WaitABit() override {}
  bool StartProgram(std::string_view) override { return true; }
  bool RunUpdateSetup(const UpdateRun&) override { return true; }
  void RemoveShortcuts() override {}
  void SetVersionOriginal(std::string_view) override {}
  bool StartAgent(std::string_view) override { return true; }
  void Notify(int, int) override {}
  void SetCurrentActivity(int) override {}
};
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
      {"\\\\srv\\share", false, true, false, FetchKind::Update, "", FetchSourceKind::Folder, "\\\\srv\\share\\v2.exe", false},
      {"http://up/app", true, true, false, FetchKind::Inform, "", FetchSourceKind::TestFolder, "D:\\test\\v2.exe", false},
      {"http://up/app", false, false, true, FetchKind::Update, "404", FetchSourceKind::Web, "http://up/app/v2.exe", true},
      {"http://up/app", false, false, false, FetchKind::Update, "404", FetchSourceKind::Web, "http://up/app/v2.exe", false},
      {"http://up/app", false, false, true, FetchKind::Info, "", FetchSourceKind::Web, "http://up/app/v2.exe", false},
  };
  for (const auto& c : cases) {
    FakeIniStore ini;
    OverrideList overrides;
    OriginalFile original{ini, kOriginal};
    InfoFile info{ini, kInfo, overrides};
    ini.Write(kInfo, "NewSetup", "RequestConfirmationBeforeDownload", c.confirm ? "1" : "0");
    RecordingHost host;
    host.fetchResult = c.ok;
    host.fetchError = c.error;
    FetchRequest request{c.kind, c.source, "sub\\v2.exe", "C:\\App\\v2.exe", c.testMode, "D:\\test"};
    EXPECT_EQ(DownloadFileAU(host, original, info, request), c.ok) << c.source;
    EXPECT_EQ(host.source, c.sourceKind) << c.source;
    EXPECT_EQ(host.location, c.location) << c.source;
    EXPECT_EQ(host.deleted, c.ok ? "" : "C:\\App\\v2.exe") << c.source;
    EXPECT_EQ(host.asked.size(), c.told ? 1u : 0u) << c.source;
  }
}
