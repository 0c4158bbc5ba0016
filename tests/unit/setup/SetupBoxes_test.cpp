// The boxes of a setup run: shown through the host in a run with someone to answer them, and in a
// silent run never shown, their line in the debug channel instead and the caller's answer taken.
#include "setup/SetupBoxes.h"

#include <gtest/gtest.h>

#include <functional>

#include "RecordingHost.h"
#include "util/VDebug.h"

using namespace fixture;

namespace {
struct CaptureSink : DebugViewerSink {
  std::string text;
  void Forward(std::string_view chunk) override { text.append(chunk); }
};

TEST(SilentBoxLine, CaptionAndPlainTextOnOneLine) {
  struct Case {
    const char* caption;
    const char* text;
    const char* line;
  } cases[] = {
      {"Error", "Bad CRC!<P>This indicates that your setup file might be corrupted...",
       "Silent run, no box: Error: Bad CRC! This indicates that your setup file might be corrupted..."},
      {"Error", "<B>404 File Not Found...</B><P><P>URL:  http://h/x.",
       "Silent run, no box: Error: 404 File Not Found... URL:  http://h/x."},
      {"Attention", "Please insert <B>DISK #2</B> and press OK",
       "Silent run, no box: Attention: Please insert DISK #2 and press OK"},
      {"Confirm", "", "Silent run, no box: Confirm:"},
  };
  for (const Case& c : cases) EXPECT_EQ(SilentBoxLine(c.caption, c.text), c.line) << c.text;
}

TEST(SetupBoxes, SilentRunsShowNoBoxButLogAndTakeTheirAnswer) {
  struct Kind {
    const char* name;
    bool question;
    std::function<bool(const SetupBoxes&, bool silentAnswer)> show;
  } kinds[] = {
      {"error", false,
       [](const SetupBoxes& b, bool) {
         b.Error({"Bad Secret Token!", "", "", 0});
         return true;
       }},
      {"confirm", true,
       [](const SetupBoxes& b, bool a) {
         return b.Confirm({"Continue?", "Confirm", "", 0}, a);
       }},
      {"confirm ok", true,
       [](const SetupBoxes& b, bool a) {
         return b.ConfirmOk({"Insert disk 2", "Attention", "", 0}, a);
       }},
  };
  for (const Kind& k : kinds) {
    for (bool silent : {false, true}) {
      for (bool silentAnswer : {false, true}) {
        SCOPED_TRACE(std::string(k.name) + (silent ? " silent" : " shown") + (silentAnswer ? " yes" : " no"));
        RecordingHost host;
        host.answerConfirm = true;
        host.answerDisk = [](int) { return true; };
        CaptureSink sink;
        DebugViewerSink* previousSink = SetDebugViewerSink(&sink);
        const bool result = k.show(SetupBoxes(host, silent), silentAnswer);
        SetDebugViewerSink(previousSink);
        EXPECT_EQ(host.log.size(), silent ? 0u : 1u) << "boxes shown";
        EXPECT_EQ(sink.text.find("Silent run, no box: ") != std::string::npos, silent) << sink.text;
        if (k.question) {
          EXPECT_EQ(result, silent ? silentAnswer : true);
        }
      }
    }
  }
}

TEST(SetupBoxes, AnErrorWithoutCaptionIsLoggedUnderTheErrorBoxsOwn) {
  RecordingHost host;
  CaptureSink sink;
  DebugViewerSink* previousSink = SetDebugViewerSink(&sink);
  SetupBoxes(host, true).Error({"Unable to save", "", "", 0});
  SetDebugViewerSink(previousSink);
  EXPECT_NE(sink.text.find("Silent run, no box: Error: Unable to save"), std::string::npos) << sink.text;
}
}  // namespace
