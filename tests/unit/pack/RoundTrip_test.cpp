// What the package builder writes, the reader reads and the extraction unpacks: a single setup
// with engine, agent and languages, a set of part files with a file split across them, and a web
// setup.
#include <gtest/gtest.h>

#include <filesystem>

#include "ExtractFixture.h"
#include "PackFixture.h"
#include "env/LangRes0.h"
#include "env/SLangId.h"
#include "pack/PackWriter.h"
#include "pack/PackX.h"
#include "pack/UnPack.h"
#include "util/Files.h"
#include "util/Utils.h"

using namespace fixture;
namespace fs = std::filesystem;

namespace {
constexpr uint32_t kStamp = ((2019 - 1980) * 512 + 12 * 32 + 31) << 16 | (23 * 2048 + 59 * 32 + 29);

std::string Pattern(size_t size, unsigned seed) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = char((i * seed) >> 9 ^ i);
  return data;
}

PackJob SampleJob() {
  PackJob job;
  job.stub = StubImage(1024);
  job.engine = {"Engine.exe", "", "MZ engine bytes", kStamp};
  job.engineArgs = " /quiet";
  job.files = {{"readme.txt", "", "read me", kStamp},
               {"data\\big.bin", "", Pattern(2500000, 40503), 0},
               {"data\\empty.txt", "", "", 0}};
  job.languages = {{"English", {{"s1", "Extracting..."}, {"Charset", "0"}}},
                   {"Russian", {{"s1", "Izvlechenie"}, {"Charset", "204"}}}};
  job.update = {"http://127.0.0.1/app", "App.beta.info", "AppAgent.exe", "tok-42", true, ""};
  job.installAgent = true;
  job.options = kOptionConfirmTempExtract | kOptionSecondaryBar;
  return job;
}

struct Extracted {
  bool ok = false;
  std::string marked;
};

Extracted ExtractTo(const std::string& source, const std::string& out, RecordingUI& ui, std::string_view agent = {}) {
  const ExtractResult e = ExtractPackage(source, out, agent, ui, false);
  return {e.checksumOk, e.markedEntry};
}

void ExpectFilesOf(const PackJob& job, const std::string& out) {
  for (const auto& f : job.files) {
    std::string path = out + "/" + f.name;
    for (char& c : path)
      if (c == '\\') c = '/';
    EXPECT_TRUE(ReadAll(path) == f.data) << f.name;
    if (f.dosTime) {
      EXPECT_EQ(GetFileDosTime(path), f.dosTime) << f.name;
    }
  }
}
}  // namespace

TEST(RoundTrip, SingleSetup) {
  TempDir dir;
  PackJob job = SampleJob();
  std::string setup = dir.File("Setup.exe");
  ASSERT_EQ(WritePackage(job, setup), "");

  TGFileInfo info(setup);
  EXPECT_TRUE(ChecksumAccepted(info.Trailer().Checksum(), ComputePackageChecksum(setup, info.Trailer().Length())));
  EXPECT_NE(info.Trailer().Checksum(), kChecksumDisabled);
  EXPECT_EQ(info.Trailer().EntryCount(), 4u);
  EXPECT_TRUE(info.ConfirmTempExtract() && info.ShowSecondaryBar() && info.InstallsAgent() && info.GetHideFlag());
  EXPECT_FALSE(info.IsContinued() || info.IsWebSetup() || info.IsAutoUpdateAgent());
  EXPECT_EQ(info.GetInfoUrl(), "http://127.0.0.1/app");
  EXPECT_EQ(info.GetOriginalFileName(), "App.original");
  EXPECT_EQ(info.GetAgentExeName(), "AppAgent.exe");
  EXPECT_EQ(info.GetUpdateToken(true), "tok-42");
  EXPECT_EQ(info.GetUpdateToken(false).size(), 40u);
  EXPECT_EQ(info.Trailer().Space(0), 7u + 2500000 + 0 + 15);
  ResetLanguageSelection();
  SetSystemLanguageId(25);
  EXPECT_EQ(info.GetLangString("s1", "x"), "Izvlechenie");
  EXPECT_EQ(info.GetCharset(), 204);

  RecordingUI ui;
  std::string out = dir.File("out");
  Extracted r = ExtractTo(setup, out, ui, "AppAgent.exe");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.marked, "Engine.exe* /quiet");
  EXPECT_EQ(ReadAll(out + "/Engine.exe"), "MZ engine bytes");
  ExpectFilesOf(job, out);
  TGFileInfo agent(out + "/AppAgent.exe");
  EXPECT_TRUE(agent.IsAutoUpdateAgent());
  EXPECT_EQ(agent.GetUpdateToken(true), "tok-42");
  EXPECT_EQ(agent.LanguageBlock(), info.LanguageBlock());
}

TEST(RoundTrip, PartFilesWithASplitFile) {
  TempDir dir;
  PackJob job = SampleJob();
  job.layout = PackLayout::Span;
  job.partSize = 200000;
  job.installAgent = false;
  std::string setup = dir.File("Setup.exe");
  std::vector<std::string> written;
  ASSERT_EQ(WritePackage(job, setup, &written), "");
  ASSERT_GE(written.size(), 3u);
  EXPECT_EQ(written[1], dir.File("Setup.exe.002"));
  for (size_t i = 0; i < written.size(); ++i) {
    TPackTrailer t;
    ASSERT_TRUE(ReadTrailer(written[i], t));
    EXPECT_EQ(t.HasOption(kOptionContinued), i + 1 < written.size()) << i;
    EXPECT_EQ(t.Checksum(), ComputePackageChecksum(written[i], t.Length())) << i;
  }

  RecordingUI ui;
  std::string out = dir.File("out");
  Extracted r = ExtractTo(setup, out, ui);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.marked, "Engine.exe* /quiet");
  EXPECT_TRUE(ui.prompts.empty());
  ExpectFilesOf(job, out);

  // The same set with its last part on a disk that is not in: one question, then cancelled.
  fs::remove(written.back());
  RecordingUI cancel;
  Extracted c = ExtractTo(setup, dir.File("out2"), cancel);
  EXPECT_EQ(cancel.prompts, std::vector<int>{int(written.size())});
  EXPECT_EQ(c.marked, "");
}

TEST(RoundTrip, WebSetup) {
  TempDir dir;
  PackJob job = SampleJob();
  job.layout = PackLayout::Web;
  job.web = {"http://127.0.0.1/dl", "Full.exe", true, "web-7"};
  job.confirmDownload = true;
  std::string setup = dir.File("Setup.exe");
  std::vector<std::string> written;
  ASSERT_EQ(WritePackage(job, setup, &written), "");
  TGFileInfo web(setup);
  EXPECT_TRUE(web.IsWebSetup() && web.ConfirmWebDownload());
  EXPECT_EQ(web.Trailer().MetaBlockCount(), 3);
  EXPECT_EQ(web.GetWebUrl(), "http://127.0.0.1/dl");
  EXPECT_EQ(web.GetWebSetupName(), "Full.exe");
  EXPECT_TRUE(web.GetWebAlwaysDownload());
  EXPECT_EQ(web.GetWebToken(true), "web-7");
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(ParseInt64(web.GetWebSize()), int64_t(fs::file_size(written[1])));
  // The uploaded package carries the same web token, which is how the stub accepts it.
  EXPECT_EQ(TGFileInfo(written[1]).GetWebToken(true), "web-7");
}
