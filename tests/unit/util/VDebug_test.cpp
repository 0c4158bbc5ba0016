// The debug channel's chunking and the log file's name and line rules.
#include "util/VDebug.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {
struct CaptureSink : DebugViewerSink {
  std::vector<std::string> chunks;
  void Forward(std::string_view chunk) override { chunks.emplace_back(chunk); }
};

struct ScopedSink {
  CaptureSink sink;
  DebugViewerSink* previous = SetDebugViewerSink(&sink);
  ~ScopedSink() { SetDebugViewerSink(previous); }
};
}  // namespace

TEST(DebugChannel, LongLineArrivesInBufferSizedChunks) {
  ScopedSink s;
  DebugLn(std::string(300, 'a'));
  ASSERT_EQ(s.sink.chunks.size(), 3u);
  EXPECT_EQ(s.sink.chunks[0].size(), 128u);
  EXPECT_EQ(s.sink.chunks[1].size(), 128u);
  EXPECT_EQ(s.sink.chunks[2], std::string(44, 'a') + "\r\n");
}

TEST(DebugChannel, PartialWritesJoinUntilTheLineEnds) {
  ScopedSink s;
  DebugWrite("12 ");
  DebugWrite("==== ");
  EXPECT_TRUE(s.sink.chunks.empty());
  DebugLn("x");
  ASSERT_EQ(s.sink.chunks.size(), 1u);
  EXPECT_EQ(s.sink.chunks[0], "12 ==== x\r\n");
  DebugLn();
  EXPECT_EQ(s.sink.chunks.back(), "\r\n");
}

TEST(LogFile, NameRules) {
  struct Case {
    const char* ownPath;
    const char* expected;
  } cases[] = {
      {"C:\\App\\App.exe", "C:\\App\\X_App.log"},
      {"C:\\App\\X_Tool.exe", "C:\\App\\X_Tool.log"},
      {"C:\\App\\x_Tool.exe", "C:\\App\\X_x_Tool.log"},
      {"C:\\My.App\\Tool", "C:\\My.App\\X_Tool.log"},
  };
  for (const Case& c : cases) EXPECT_EQ(LogFileNameFor(c.ownPath), c.expected) << c.ownPath;
}

TEST(LogFile, LineFormat) {
  EXPECT_EQ(FormatLogLine("06/12/26 14:05:09", 456, "   ", "hello"), "06/12/26 14:05:09   456   hello\r\n");
  EXPECT_EQ(FormatLogLine("06/12/26 14:05:09", 1234567, " X ", ""), "06/12/26 14:05:09 1234567 X \r\n");
}

TEST(DebugChannel, AFailingViewerNeitherRaisesNorKeepsTheText) {
  struct ThrowingSink : DebugViewerSink {
    void Forward(std::string_view) override { throw std::runtime_error("viewer gone"); }
  } throwing;
  DebugViewerSink* previous = SetDebugViewerSink(&throwing);
  EXPECT_NO_THROW(DebugLn("lost"));
  SetDebugViewerSink(previous);
  ScopedSink s;
  DebugLn("next");
  ASSERT_EQ(s.sink.chunks.size(), 1u);
  EXPECT_EQ(s.sink.chunks[0], "next\r\n");
}
