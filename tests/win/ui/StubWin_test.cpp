// The stub window in a real Win32 program under Wine: its geometry and children, the status line
// and bars for left-to-right and right-to-left languages, progress as the callback sets it, and the
// two-step close with its debug lines.
#include <gtest/gtest.h>

#include "UiDriver.h"

using namespace uitest;
using namespace wine;

namespace {
const std::string kClass = "VelkitProbeWindow";

TEST(StubWindow, GeometryChildrenAndProgress) {
  Probe probe({"stubwin", "--class", kClass, "--status", "Extracting Files...", "--progress", "0,10,0,1;1;1;1"});
  const std::string ready = probe.Ready();
  const std::vector<int> work = Numbers(Field(ready, "workarea"));
  ASSERT_EQ(work.size(), 4u) << probe.Output();
  const std::vector<WinInfo> win = ListWindow(kClass);
  ASSERT_FALSE(win.empty());
  EXPECT_EQ(win[0].x, work[0] + (work[2] - 492) / 2) << "centred in the work area";
  EXPECT_EQ(win[0].y, work[1] + (work[3] - 110) / 2);
  EXPECT_EQ(win[0].text, "Velkit Installation Suite");
  EXPECT_EQ(win[0].w, 492);
  EXPECT_EQ(win[0].h, 110);
  EXPECT_TRUE(win[0].visible);
  const unsigned long caption = 0xC00000, sysMenu = 0x80000, clipChildren = 0x2000000, sizing = 0x40000,
                      minMax = 0x30000;
  EXPECT_EQ(win[0].style & (caption | sysMenu | clipChildren), caption | sysMenu | clipChildren);
  EXPECT_EQ(win[0].style & (sizing | minMax), 0u);

  const WinInfo* status = Child(win, "Static");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->text, "Extracting Files...");
  EXPECT_EQ((std::vector<int>{status->x, status->y, status->w, status->h}), (std::vector<int>{70, 20, 340, 18}));
  EXPECT_EQ(status->exStyle & 0x2000, 0u);

  std::vector<const WinInfo*> bars;
  for (const WinInfo& w : win) {
    if (w.cls == "msctls_progress32") bars.push_back(&w);
  }
  ASSERT_EQ(bars.size(), 2u);
  const WinInfo& main = *bars[0];
  const WinInfo& activity = *bars[1];
  EXPECT_EQ((std::vector<int>{main.x, main.y, main.w, main.h}), (std::vector<int>{70, 38, 392, 13}));
  EXPECT_TRUE(main.visible);
  EXPECT_EQ(main.pos, 3);
  EXPECT_EQ(main.hi, 10);
  EXPECT_EQ((std::vector<int>{activity.x, activity.y, activity.w, activity.h}), (std::vector<int>{416, 20, 46, 13}));
  EXPECT_FALSE(activity.visible) << "shown only when the package asks for it";
  EXPECT_EQ(activity.pos, 3);
  EXPECT_EQ(activity.hi, 5);

  ASSERT_EQ(Driver({"close", "--class", kClass}).exitCode, 0);
  ASSERT_EQ(Driver({"close", "--class", kClass}).exitCode, 0);
  EXPECT_EQ(probe.Process().Wait(30000), 0);
}

TEST(StubWindow, ArabicPutsTheTextRightAndTheSmallBarLeft) {
  Probe probe({"stubwin", "--class", kClass, "--charset", "178", "--status", "status"});
  ASSERT_TRUE(probe.Ready().starts_with("ready")) << probe.Output();
  const std::vector<WinInfo> win = ListWindow(kClass);
  const WinInfo* status = Child(win, "Static");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->x, 122);
  EXPECT_NE(status->exStyle & 0x2000, 0u) << "WS_EX_RTLREADING";
  EXPECT_EQ(status->style & 0x1F, 0x2u) << "SS_RIGHT";
  const WinInfo* bar = nullptr;
  for (size_t i = 1; i < win.size(); ++i) {
    if (win[i].cls == "msctls_progress32" && !win[i].visible) bar = &win[i];
  }
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->x, 70);
  Driver({"close", "--class", kClass});
  Driver({"close", "--class", kClass});
  EXPECT_EQ(probe.Process().Wait(30000), 0);
}

TEST(StubWindow, FirstCloseKeepsTheWindowSecondClosesIt) {
  DebugCapture debug;
  Probe probe({"stubwin", "--class", kClass});
  ASSERT_TRUE(probe.Ready().starts_with("ready")) << probe.Output();
  ASSERT_EQ(Driver({"close", "--class", kClass}).exitCode, 0);
  ASSERT_TRUE(WaitFor([&] { return debug.Text().find(".. CloseMainWindow() - End") != std::string::npos; }, 20000));
  EXPECT_TRUE(probe.Process().Running());
  EXPECT_EQ(Driver({"wait", "--class", kClass, "--timeout", "0"}).exitCode, 0);
  ASSERT_EQ(Driver({"close", "--class", kClass}).exitCode, 0);
  EXPECT_EQ(probe.Process().Wait(30000), 0);
  EXPECT_NE(probe.Output().find("closed"), std::string::npos);
  debug.Stop();
  const std::string text = debug.Text();
  const size_t destroy = text.find("- wm_Destroy -");
  ASSERT_NE(destroy, std::string::npos) << text;
  EXPECT_NE(text.find(".. DestroyMainWindow() - Start", destroy), std::string::npos) << text;
  EXPECT_NE(text.find(".. DestroyMainWindow() - End", destroy), std::string::npos) << text;
}

TEST(StubWindow, AnswersAutoPlayAndPassesAgentCommandsToItsHook) {
  Probe probe({"stubwin", "--class", kClass});
  ASSERT_TRUE(probe.Ready().starts_with("ready")) << probe.Output();
  Result autoPlay = Driver({"send", "--class", kClass, "--registered", "QueryCancelAutoPlay"});
  EXPECT_NE(autoPlay.output.find("result=1\r\n"), std::string::npos) << autoPlay.output;
  Result command = Driver({"send", "--class", kClass, "--msg", "1125", "--wparam", "7"});
  EXPECT_NE(command.output.find("result=1132"), std::string::npos) << command.output;
  Driver({"close", "--class", kClass});
  Driver({"close", "--class", kClass});
  EXPECT_EQ(probe.Process().Wait(30000), 0);
}

TEST(StubWindow, Screenshot) {
  Probe probe({"stubwin", "--class", kClass, "--status", "Extracting Files...", "--progress", "0,10,0,1;1;1;1;1"});
  ASSERT_TRUE(probe.Ready().starts_with("ready"));
  TempDir dir;
  EXPECT_TRUE(SaveScreenshot(dir / "stubwin.png"));
  EXPECT_GT(fs::file_size(dir / "stubwin.png"), 1000u);
  Driver({"close", "--class", kClass});
  Driver({"close", "--class", kClass});
  probe.Process().Wait(30000);
}
}  // namespace
