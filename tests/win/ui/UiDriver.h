// What the Windows-side UI tests share: the probe that shows our box or runs our stub window, and
// the window driver's view of a window and its children.
#pragma once
#include <string>
#include <vector>

#include "WineHarness.h"

namespace uitest {

// One line of "windriver list": the window itself first, then its children.
struct WinInfo {
  std::string cls, text;
  int x = 0, y = 0, w = 0, h = 0;
  int clientW = 0, clientH = 0;    // the window itself only
  int pos = -1, lo = -1, hi = -1;  // progress bars only
  bool visible = false;
  unsigned long style = 0, exStyle = 0;
};

// Runs the window driver; its result.
wine::Result Driver(const std::vector<std::string>& args);
// The window of the class and its children; empty when there is no such window.
std::vector<WinInfo> ListWindow(const std::string& cls);
// The first child of the class (and, when given, the text) in a listing; null when none.
const WinInfo* Child(const std::vector<WinInfo>& list, const std::string& cls, const std::string& text = {});

// A probe (the test kit's uiprobe, or another) run in the background; Ready() waits for its
// "ready" line and returns it.
class Probe {
 public:
  explicit Probe(const std::vector<std::string>& args, const std::string& program = "uiprobe");
  std::string Ready();
  // Waits for the probe to end; the value of its "result=" line, or -1.
  int Result();
  std::string Output() { return process_.Output(); }
  wine::Process& Process() { return process_; }

 private:
  wine::Process process_;
};

// key=value out of a "ready ..." line (values end at a blank, "text=" runs to the line's end).
std::string Field(const std::string& line, const std::string& key);
std::vector<int> Numbers(const std::string& commaList);

}  // namespace uitest
