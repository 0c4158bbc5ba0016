// The working folders' naming and choice rules.
#include "setup/SetupFolders.h"

#include <gtest/gtest.h>

#include "util/Files.h"

TEST(SetupFolders, SetupWorkFolderTakesTheTimeOfDayHalf) {
  EXPECT_EQ(SetupWorkFolderFor("C:\\Temp\\", 0x5A2B7C3Du), "C:\\Temp\\SETUP_31805");
  EXPECT_EQ(SetupWorkFolderFor("C:\\Temp\\", 0), "C:\\Temp\\SETUP_0");
}

TEST(SetupFolders, AltFolders) {
  EXPECT_EQ(AltProbeFolderFor('D', false, 12345), "D:\\TEMP");
  EXPECT_EQ(AltProbeFolderFor('D', true, 12345), "D:\\TEMP\\TEMP12345");
  EXPECT_EQ(AltTempFolderFor('E', false), "E:\\TEMP");
  EXPECT_EQ(AltTempFolderFor('E', true), "E:\\TEMP\\TEMP");
  EXPECT_EQ(AltExtractFolderFor("E:\\TEMP", 10000), "E:\\TEMP_10000");
  EXPECT_EQ(AltExtractFolderFor("", 10000), "");
}

TEST(SetupFolders, AltDriveIsTheRoomiestStrictly) {
  struct Case {
    char temp;
    double c, d, e;
    char chosen;
  } cases[] = {
      {'C', 0, 0, 0, 'C'},                       // nothing recorded: the temporary drive stays
      {'c', 0, 0, 0, 'C'},                       // upper-cased
      {'C', 5, 9, 7, 'D'}, {'C', 5, 5, 5, 'C'},  // a tie keeps the earlier letter
      {'D', 0, 3, 3, 'D'}, {'Z', 0, 0, 1, 'E'},
  };
  for (const auto& c : cases) {
    double space[3] = {c.c, c.d, c.e};
    EXPECT_EQ(ChooseAltTempDrive(c.temp, space), c.chosen) << c.temp << " " << c.c << " " << c.d << " " << c.e;
  }
}

TEST(SetupFolders, OnlyPrepareMakesOrEmptiesTheFolder) {
  const std::string folder = ::testing::TempDir() + "velkit_setup_folder";
  RemoveFolderTree(folder, false);
  EXPECT_FALSE(SetupWorkFolderOf(folder + "/x.exe").empty());
  EXPECT_FALSE(DirectoryExists(folder)) << "naming a folder makes nothing";
  ForceDirectories(folder);
  WriteFileData(folder + "/left.txt", "from a former run");
  PrepareWorkFolder(folder);
  EXPECT_TRUE(DirectoryExists(folder));
  EXPECT_FALSE(FileExists(folder + "/left.txt"));
  RemoveFolderTree(folder, false);
}
