// Progress line, transfer rate and error-page recognition, with a clock the test sets.
#include "net/CommUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {
struct FakeClock {
  uint32_t now = 1000;
  MsClock Fn() {
    return [this] { return now; };
  }
};

TEST(ProgressText, UnitFollowsTheSize) {
  struct Case {
    uint32_t total, received;
    const char* text;
  } cases[] = {
      {50000, 5000, "5000/50000 Bytes"},
      {102400, 8192, "8192/102400 Bytes"},  // KB only above 100 KB
      {102401, 8192, "8.0/100.0 KB"},
      {200000, 8192, "8.0/195.3 KB"},
      {10485760, 1048576, "1,024.0/10,240.0 KB"},  // MB only above 10 MB
      {20971520, 8192, "0.0/20.0 MB"},
      {0xFFFFFFFFu, 8192, "0.0/4,096.0 MB"},  // no Content-Length
  };
  for (const Case& c : cases) {
    FakeClock clock;
    TBytesRate meter = TBytesRate::ForSize(c.total, clock.Fn());
    EXPECT_EQ(meter.GetProgressText(c.total, c.received, 8192), c.text) << c.total;
  }
}

TEST(RateText, FourChunksOf8192Over400MsGive80) {
  FakeClock clock;
  TBytesRate meter(false, false, clock.Fn());
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(meter.GetRateText(8192), "") << "chunk " << i + 1;
    clock.now += 100;
  }
  EXPECT_EQ(meter.GetRateText(8192), "80.00");
  EXPECT_EQ(meter.GetProgressText(50000, 40960, 8192).substr(0, 16), "40960/50000 Byte");
}

TEST(RateText, RefreshedAtMostOncePer500Ms) {
  FakeClock clock;
  TBytesRate meter(false, false, clock.Fn());
  for (int i = 0; i < 5; ++i) {
    meter.GetRateText(1024);
    clock.now += 100;
  }
  ASSERT_EQ(meter.GetRateText(1024), "10.00");  // 4 KB over 400 ms, computed at the fifth call
  // Faster chunks within 500 ms of the last computation leave the text alone.
  for (int i = 0; i < 4; ++i) {
    clock.now += 100;
    EXPECT_EQ(meter.GetRateText(4096), "10.00");
  }
  clock.now += 100;  // now more than 500 ms after the last computation
  EXPECT_EQ(meter.GetRateText(4096), "40.00");
  EXPECT_EQ(meter.GetProgressText(50000, 50000, 0), "50000/50000 Bytes   -   40.00 KB/Sec");
}

TEST(RateText, NoRateWhileNoTimeHasPassed) {
  FakeClock clock;
  TBytesRate meter(false, false, clock.Fn());
  for (int i = 0; i < 8; ++i) EXPECT_EQ(meter.GetRateText(8192), "");
}

TEST(HtmlErrorPage, RecognisesPagesAndTitles) {
  struct Case {
    const char* content;
    bool isPage;
  } cases[] = {
      {"<html><head><title>404 Not Found</title></head><body>gone</body></html>", true},
      {"<HTML><HEAD><TITLE>Welcome</TITLE></HEAD></HTML>", true},   // page test
      {"<!DOCTYPE html><title>Error 404</title>", true},            // title test
      {"Error 404 while serving the file", false},                  // no title
      {"<html><title>Welcome</title><head></head></html>", false},  // tags out of order
      {"MZ\x90\0binary setup <TITLE 404", false},                   // title never closed
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsHtmlErrorPage("", c.content), c.isPage) << c.content;
}

TEST(HtmlErrorPage, LooksOnlyAtTheFirst1000Characters) {
  std::string page = std::string(990, ' ') + "<title>404</title>";
  EXPECT_FALSE(IsHtmlErrorPage("", page));
  EXPECT_TRUE(IsHtmlErrorPage("", page.substr(980)));
}

TEST(HtmlErrorPage, ReadsTheFileWhenItExists) {
  const std::filesystem::path path = ::testing::TempDir() + "velkit_commutils_page.htm";
  { std::ofstream(path, std::ios::binary) << "<html><head><title>404 Not Found</title></head></html>"; }
  EXPECT_TRUE(IsHtmlErrorPage(path.string(), "plain text"));
  EXPECT_EQ(GetNotFoundText(path.string(), "", "http://h/Setup.exe", "Bad Secret Token!"),
            "<B>404 File Not Found...</B><P><P>URL:  http://h/Setup.exe.<P><P>"
            "Please make sure the file is available and access is allowed to this file.");
  std::filesystem::remove(path);
  // A missing file falls back on the content.
  EXPECT_FALSE(IsHtmlErrorPage(path.string(), "plain text"));
}

TEST(NotFoundText, FallbackWhenNoPage) {
  EXPECT_EQ(GetNotFoundText("", "MZ binary", "http://h/x", "Bad Secret Token!"), "Bad Secret Token!");
  EXPECT_EQ(GetNotFoundText("", "MZ binary", "http://h/x", ""), "");
}
}  // namespace
