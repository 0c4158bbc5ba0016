// The stub executable itself: its PE layout and that it runs under Wine, bracketing its run with
// the start and end lines on the debug channel.
#include <gtest/gtest.h>

#include "WineHarness.h"

using namespace wine;

TEST(StubImage, IsA32BitGuiPeWithSignatureAt256) {
  std::string image = ReadFile(StubExe());
  ASSERT_GT(image.size(), 1024u);
  EXPECT_EQ(image.substr(0, 2), "MZ");
  EXPECT_EQ(image.substr(256, 4), std::string("PE\0\0", 4));
  EXPECT_EQ(image.substr(248, 8), std::string(8, '\0')) << "the package end mark must be free";
  auto u16 = [&](size_t at) { return unsigned(uint8_t(image[at])) | unsigned(uint8_t(image[at + 1])) << 8; };
  EXPECT_EQ(u16(256 + 4), 0x14Cu) << "machine: i386";
  EXPECT_EQ(u16(256 + 24), 0x10Bu) << "optional header: PE32";
  EXPECT_EQ(u16(256 + 24 + 68), 2u) << "subsystem: Windows GUI";
}

TEST(StubImage, RunsAndWritesStartAndEndLines) {
  DebugCapture debug;
  // The bare stub carries no package: its silent setup run reports a bad package on the debug
  // channel, with no box, and ends.
  Process stub({StubExe().string(), "/hide"});
  EXPECT_EQ(stub.Wait(60000), 90);
  debug.Stop();
  std::string text = debug.Text();
  EXPECT_NE(text.find(" ==== STUB START ====> "), std::string::npos) << text;
  EXPECT_NE(text.find("stub.exe\" /hide<\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Silent run, no box: Error: Bad CRC!"), std::string::npos) << text;
  EXPECT_NE(text.find(" ==== STUB END ====> "), std::string::npos) << text;
}
