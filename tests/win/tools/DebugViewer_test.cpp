// vdebug as the harness runs it: one viewer per prefix, and a viewer that cannot start says why
// (the harness puts that text into its error, and an empty one told nothing).
#include <gtest/gtest.h>

#include "WineHarness.h"

using namespace wine;

TEST(DebugViewer, ASecondViewerNamesTheFirst) {
  DebugCapture first;
  const Result second = RunWine({ToolExe("vdebug").string()}, 60000);
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.output.find("vdebug: a viewer is already running (process "), std::string::npos) << second.output;
}

// The viewer of one capture is told to close at its end; the next capture's viewer starts at once.
TEST(DebugViewer, CapturesFollowOneAnother) {
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    DebugCapture capture;
    capture.Stop();
  }
}
