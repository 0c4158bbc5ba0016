// Process and window control under Wine: vkprobe's sample application is found by its path, its
// main window is chosen and closed or quit, it is killed, and waits end when it has gone.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "WineHarness.h"

using namespace wine;

namespace {
std::string ProbeOut(const std::vector<std::string>& args, int* exitCode = nullptr) {
  std::vector<std::string> all{TestkitExe("vkprobe").string()};
  all.insert(all.end(), args.begin(), args.end());
  Result r = RunWine(all);
  if (exitCode) *exitCode = r.exitCode;
  while (!r.output.empty() && (r.output.back() == '\n' || r.output.back() == '\r')) r.output.pop_back();
  return r.output;
}

// One running copy of the sample application, started from <folder>/App.exe.
struct SampleApp {
  SampleApp(const TempDir& dir, const std::string& tag, bool withDialog) : info(dir / ("info-" + tag)) {
    exe = dir / "app" / "App.exe";
    if (!fs::exists(exe)) {
      fs::create_directories(exe.parent_path());
      fs::copy_file(TestkitExe("vkprobe"), exe);
    }
    process = Process({exe.string(), "window-app", WinPath(info), withDialog ? "1" : "0"});
    if (!WaitFor([&] { return fs::exists(info) || !process.Running(); }, 30000) || !fs::exists(info))
      throw std::runtime_error("the sample application did not start: " + process.Output());
    std::istringstream in(ReadFile(info));
    std::string field;
    while (in >> field) values[field.substr(0, field.find('='))] = field.substr(field.find('=') + 1);
  }
  std::string WinExe() const { return WinPath(exe); }
  fs::path info, exe;
  Process process;
  std::map<std::string, std::string> values;
};
}  // namespace

TEST(WinProcess, TheCopyListedLastIsAddressed) {
  TempDir dir;
  SampleApp first(dir, "1", false);
  SampleApp second(dir, "2", false);
  const std::string exe = first.WinExe();
  EXPECT_EQ(ProbeOut({"find-process", exe, "1"}), second.values["pid"]);
  EXPECT_EQ(ProbeOut({"find-process", "APP.EXE", "0"}), second.values["pid"]) << "by file name";
  EXPECT_EQ(ProbeOut({"find-process", "APP.EXE", "1"}), "0") << "full path only";
  EXPECT_EQ(ProbeOut({"is-running", "  \"" + exe + "\"  "}), "TRUE");
  EXPECT_EQ(ProbeOut({"find-window", exe, "1"}), second.values["main"]);

  EXPECT_EQ(ProbeOut({"terminate", exe, "1"}), "TRUE");
  EXPECT_EQ(second.process.Wait(30000), 0) << "terminated with exit code 0";
  EXPECT_TRUE(first.process.Running());
  EXPECT_EQ(ProbeOut({"find-process", exe, "1"}), first.values["pid"]);
  EXPECT_EQ(ProbeOut({"terminate", exe, "1"}), "TRUE");
  EXPECT_EQ(first.process.Wait(30000), 0);
  EXPECT_EQ(ProbeOut({"is-running", exe}), "FALSE");
  EXPECT_EQ(ProbeOut({"terminate", exe, "1"}), "FALSE");
}

TEST(WinProcess, MainWindowWinsOverItsDialogAndToolWindow) {
  TempDir dir;
  SampleApp app(dir, "1", true);
  EXPECT_EQ(ProbeOut({"find-window", app.WinExe(), "1"}), app.values["main"]);
  EXPECT_EQ(ProbeOut({"top-owner", app.values["dialog"]}), app.values["main"]);
  EXPECT_EQ(ProbeOut({"top-owner", app.values["main"]}), "0");
  EXPECT_EQ(ProbeOut({"close-window", app.WinExe(), "1"}), "TRUE");
  EXPECT_EQ(app.process.Wait(30000), 7) << "closed with wParam 15 and lParam 255";
  EXPECT_EQ(ProbeOut({"close-window", app.WinExe(), "1"}), "FALSE") << "nobody left to close";
}

TEST(WinProcess, QuitEndsTheMessageLoop) {
  TempDir dir;
  SampleApp app(dir, "1", false);
  EXPECT_EQ(ProbeOut({"quit-window", "App.exe", "0"}), "TRUE");
  EXPECT_EQ(app.process.Wait(30000), 15) << "WM_QUIT's wParam is the exit code";
}

TEST(WinProcess, WaitsEndWhenTheProgramOrWindowHasGone) {
  TempDir dir;
  SampleApp app(dir, "1", false);
  Process waitEnd({TestkitExe("vkprobe").string(), "wait-end", app.WinExe(), "0"});
  Process waitWindow({TestkitExe("vkprobe").string(), "wait-window", "VkProbeApp", "VkProbe Main"});
  Process waitTitleOnly({TestkitExe("vkprobe").string(), "wait-window", "", "VkProbe Main"});
  // Both are still waiting while the application runs (at least the first second of wait-end).
  EXPECT_EQ(waitEnd.Wait(1500), -1);
  EXPECT_TRUE(waitWindow.Running());
  EXPECT_TRUE(waitTitleOnly.Running());
  EXPECT_EQ(ProbeOut({"close-window", app.WinExe(), "1"}), "TRUE");
  EXPECT_EQ(app.process.Wait(30000), 7);
  EXPECT_EQ(waitWindow.Wait(30000), 0);
  EXPECT_EQ(waitTitleOnly.Wait(30000), 0);
  EXPECT_EQ(waitEnd.Wait(30000), 0);
  // Nothing to wait for: returns after the first second.
  int code = -1;
  ProbeOut({"wait-end", app.WinExe(), "0"}, &code);
  EXPECT_EQ(code, 0);
}

// A thread waiting in WaitPumping still answers messages sent to its windows.
TEST(WinProcess, PumpedWaitKeepsWindowsAnswering) {
  Process waiter({TestkitExe("vkprobe").string(), "pumped-wait", "60000"});
  ASSERT_TRUE(WaitFor([&] { return ProbeOut({"send", "VkProbePump", "41"}) == "42" || !waiter.Running(); }, 50000));
  EXPECT_TRUE(waiter.Running()) << "the answer came while the wait was still on";
  waiter.Kill();
}
