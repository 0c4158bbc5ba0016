// Where the agent's settings files lie: beside the agent, named by the package's update block.
#include "agent/StubGlob.h"

#include <gtest/gtest.h>

#include "../pack/PackFixture.h"
#include "pack/PackWriter.h"
#include "pack/PackX.h"

using namespace fixture;

TEST(StubGlob, SettingsFilesLieBesideTheAgent) {
  TempDir dir;
  PackJob job;
  job.stub = StubImage(1024);
  job.update.infoFile = "App.beta.info";
  ASSERT_EQ(WritePackage(job, dir.File("AppAU.exe")), "");
  const TGFileInfo package(dir.File("AppAU.exe"));
  EXPECT_EQ(InfoFilePath("C:\\Program Files\\App\\AppAU.exe", package), "C:\\Program Files\\App\\App.beta.info");
  EXPECT_EQ(OriginalFilePath("C:\\Program Files\\App\\AppAU.exe", package), "C:\\Program Files\\App\\App.original");
}
