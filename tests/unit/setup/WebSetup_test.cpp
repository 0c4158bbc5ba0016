// The web setup's decisions and texts: where the package comes from, the question and error
// texts, the exit codes of a run that ran no engine, and the agent copy's image.
#include "setup/WebSetup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {
std::string Lang(std::string_view key, std::string_view def) {
  if (key == "s12") return "Keine Verbindung.";
  return std::string(def);
}

TEST(WebSetupSource, FileBesideTheStubWinsUnlessAlwaysDownload) {
  struct Case {
    bool always, beside;
    const char* source;
  } cases[] = {
      {false, true, "D:\\setup"},
      {true, true, "http://h/dl"},
      {false, false, "http://h/dl"},
      {true, false, "http://h/dl"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WebSetupSource("http://h/dl", "D:\\setup\\", c.always, c.beside), c.source) << c.always << c.beside;
  }
}

TEST(WebSetupPaths, LocalPathAndAddress) {
  EXPECT_EQ(LocalPackagePath("D:\\setup", "Pkg.exe"), "D:\\setup\\Pkg.exe");
  EXPECT_EQ(LocalPackagePath("D:\\setup\\", "Pkg.exe"), "D:\\setup\\Pkg.exe");
  EXPECT_EQ(LocalPackagePath("http://h/dl", "Pkg.exe"), "http://h/dl\\Pkg.exe");  // never a file
  EXPECT_EQ(WebPackageUrl("http://h/dl", "Pkg.exe"), "http://h/dl/Pkg.exe");
}

TEST(WebSetupTexts, QuestionConnectionAndToken) {
  const std::string q = DownloadQuestionText("1572864", Lang);
  EXPECT_NE(q.find("<P>Size: 1.50 MB<P>"), std::string::npos) << q;
  EXPECT_EQ(q.rfind("<b>INTERNET DOWNLOAD</b>", 0), 0u);
  EXPECT_NE(DownloadQuestionText("lots", Lang).find("Size: 0.000 MB"), std::string::npos);

  EXPECT_EQ(NoConnectionText("", Lang), "Keine Verbindung.");
  EXPECT_EQ(NoConnectionText("The network is down.", Lang), "Keine Verbindung.<P><P>The network is down.");

  const std::string page = ::testing::TempDir() + "velkit_websetup_page.exe";
  { std::ofstream(page, std::ios::binary) << "<html><head><title>404 Not Found</title></head></html>"; }
  EXPECT_EQ(TokenMismatchText(page, "http://h/dl/Pkg.exe")
                .rfind("<B>404 File Not Found...</B><P><P>URL:  http://h/dl/Pkg.exe.", 0),
            0u);
  { std::ofstream(page, std::ios::binary) << "MZ another package"; }
  EXPECT_EQ(TokenMismatchText(page, "http://h/dl/Pkg.exe"), "Bad Secret Token!");
  std::filesystem::remove(page);
}

TEST(WebSetupExit, CancelIsNotAFailure) {
  EXPECT_EQ(WebSetupExitCode("!"), kExitCancelled);
  EXPECT_EQ(WebSetupExitCode("Bad Secret Token!"), kExitDownloadFailed);
  EXPECT_EQ(WebSetupExitCode("Download Aborted"), kExitDownloadFailed);
}

TEST(WebAgentImage, CutsTrailingSignatureAndSetsTheAgentFlag) {
  const std::string package = "MZ....stub....package+trailer" + std::string(5, '\0');
  const size_t flag = package.size() - 5;  // the trailer's auto-update flag
  struct Case {
    size_t appended;
    uint64_t end;
    size_t size;
  } cases[] = {
      {0, package.size(), package.size()},              // nothing after the package
      {2048, package.size(), package.size()},           // a signature after it goes
      {10000, package.size(), package.size() + 10000},  // too much to be a signature: kept
      {70000, package.size(), package.size() + 70000},
      {0, 0, package.size()},                              // no end mark
      {100, package.size() + 1000, package.size() + 100},  // a mark beyond the file: the file's end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.appended);
    const std::string original = package + std::string(c.appended, 'S');
    const std::string image = WebAgentImage(original, c.end);
    ASSERT_EQ(image.size(), c.size);
    const size_t at = c.end > package.size() ? image.size() - 5 : flag;
    EXPECT_EQ(image[at], 1) << "the flag in the trailer";
    std::string rest = image;
    rest[at] = original[at];
    EXPECT_TRUE(rest == original.substr(0, c.size)) << "nothing else changes";
  }
  EXPECT_EQ(WebAgentImage("MZ", 2), "MZ");  // too short to carry a trailer
}
}  // namespace
