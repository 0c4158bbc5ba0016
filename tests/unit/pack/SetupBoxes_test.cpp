// The boxes of a setup run: shown as they are in a run with someone to answer them, and in a
// silent run never shown, their text in the debug channel instead and the caller's answer taken.
#include "pack/SetupBoxes.h"

#include <gtest/gtest.h>

#include <functional>

#include "ui/VMsgBox.h"
#include "util/VDebug.h"

namespace {
struct CaptureSink : DebugViewerSink {
  std::string text;
  void Forward(std::string_view chunk) override { text.append(chunk); }
};

int boxesShown = 0;
int answer = 0;
int Answer(std::string_view, std::string_view, std::string_view, uint32_t, int) {
  ++boxesShown;
  return answer;
}

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
    int yes;  // the result of the button that answers true
    std::function<bool(const SetupBoxes&, bool silentAnswer)> show;
  } kinds[] = {
      {"error", false, 1,
       [](const SetupBoxes& b, bool) {
         b.Error("Bad Secret Token!", "Error");
         return true;
       }},
      {"confirm", true, 6, [](const SetupBoxes& b, bool a) { return b.Confirm("Continue?", "Confirm", "", 0, a); }},
      {"confirm ok", true, 1,
       [](const SetupBoxes& b, bool a) { return b.ConfirmOk("Insert disk 2", "Attention", "", 0, a); }},
  };
  const MsgBoxAnswerer previous = SetMsgBoxAnswerer(Answer);
  for (const Kind& k : kinds) {
    for (bool silent : {false, true}) {
      for (bool silentAnswer : {false, true}) {
        SCOPED_TRACE(std::string(k.name) + (silent ? " silent" : " shown") + (silentAnswer ? " yes" : " no"));
        CaptureSink sink;
        DebugViewerSink* previousSink = SetDebugViewerSink(&sink);
        boxesShown = 0;
        answer = k.yes;
        const bool result = k.show(SetupBoxes(silent), silentAnswer);
        SetDebugViewerSink(previousSink);
        EXPECT_EQ(boxesShown, silent ? 0 : 1);
        EXPECT_EQ(sink.text.find("Silent run, no box: ") != std::string::npos, silent) << sink.text;
        if (k.question) {
          EXPECT_EQ(result, silent ? silentAnswer : true);
        }
      }
    }
  }
  SetMsgBoxAnswerer(previous);
}
}  // namespace
