// The runtime-directory slots: answers resolved once per slot, empty descriptions never resolved.
#include "env/RuntimeDirs.h"

#include <gtest/gtest.h>

TEST(RunTimeDirs, SlotsResolveOnceAndEmptyOnesNever) {
  std::vector<std::string> asked;
  RunTimeDirs dirs([&](const std::string& d) {
    asked.push_back(d);
    return d == "found" ? std::string("C:\\Runtime") : std::string();
  });
  EXPECT_EQ(dirs.GetRunTimeDir(3), "");
  EXPECT_EQ(dirs.GetRunTimeDir(3), "");
  EXPECT_TRUE(asked.empty());  // the product's slots: no description, nothing resolved

  dirs.SetDescription(1, "found");
  dirs.SetDescription(2, "missing");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(dirs.GetRunTimeDir(1), "C:\\Runtime");
    EXPECT_EQ(dirs.GetRunTimeDir(2), "");  // an empty answer is kept too
  }
  EXPECT_EQ(asked, (std::vector<std::string>{"found", "missing"}));

  for (int n : {0, 9, -1}) EXPECT_EQ(dirs.GetRunTimeDir(n), "") << n;
  EXPECT_EQ(asked.size(), 2u);
}
