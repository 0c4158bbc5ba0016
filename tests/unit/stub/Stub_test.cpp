// The process context: what the entry reads once from its own file and command line.
#include "stub/Stub.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "../pack/PackFixture.h"
#include "pack/PackWriter.h"
#include "setup/SetupFolders.h"

using namespace fixture;

namespace {
std::string WriteSetup(const TempDir& dir, const std::string& name, bool agent, bool hide) {
  PackJob job;
  job.stub = StubImage(1024);
  job.engine = {"Engine.exe", "", "MZ", 0};
  job.update.agentExe = "AppAU.exe";
  job.update.hide = hide;
  job.autoUpdateAgent = agent;
  const std::string path = dir.File(name);
  EXPECT_EQ(WritePackage(job, path), "");
  return path;
}

TEST(ProcessContext, TheRoleAndTheRunsSettingsComeFromTheOwnFileAndCommandLine) {
  TempDir dir;
  struct Case {
    const char* name;
    bool agent, hide;
    const char* params;
    StubRole role;
    bool hidden;
  } cases[] = {
      {"Setup.exe", false, false, " /x=1", StubRole::PlainStub, false},
      {"Setup.exe", false, false, " /hide", StubRole::PlainStub, true},
      {"Setup.exe", false, true, "", StubRole::PlainStub, true},  // the package's hide flag
      {"AppAU.exe", true, false, "", StubRole::PlainAgent, false},
      {"X_AppAU.exe", true, false, "", StubRole::XAgent, false},
      {"AppAU.exe", false, false, "", StubRole::PlainStub, false},  // the name alone makes no agent
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + c.params);
    const std::string path = WriteSetup(dir, c.name, c.agent, c.hide);
    const ProcessContext context = MakeProcessContext(path, "\"" + path + "\"" + c.params);
    EXPECT_EQ(context.role, c.role);
    EXPECT_EQ(context.hidden, c.hidden);
    EXPECT_EQ(context.cmdParams, std::string(c.params).substr(c.params[0] == ' ' ? 1 : 0));
    EXPECT_EQ(context.ownPackage.GetAgentExeName(), "AppAU.exe");
    EXPECT_EQ(context.workFolder, SetupWorkFolderOf(path));
    EXPECT_EQ(context.windowClass, c.agent ? ".AutoUpdate." + std::filesystem::path(c.name).stem().string() : path);
  }
}

TEST(ProcessContext, NamingTheWorkFolderMakesNothing) {
  TempDir dir;
  const std::string path = WriteSetup(dir, "Setup.exe", false, false);
  const ProcessContext context = MakeProcessContext(path, path);
  EXPECT_FALSE(std::filesystem::exists(context.workFolder));
  EXPECT_EQ(context.Param("/SpanDiskFName1="), "");
}

TEST(ProcessContext, AFileWithoutPackageIsAPlainStubWithEmptyBlocks) {
  const ProcessContext context = MakeProcessContext("/nonexistent/Setup.exe", "Setup.exe /SpanCdLvl=2");
  EXPECT_EQ(context.role, StubRole::PlainStub);
  EXPECT_EQ(context.roleInputs.spanCdLvl, 2);
  EXPECT_FALSE(context.ownPackage.IsWebSetup());
  EXPECT_EQ(context.ownPackage.LanguageBlock(), "");
}
}  // namespace
