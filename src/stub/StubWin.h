// The stub's main window: one small hidden-at-first top-level window with an icon, a status line
// and two progress bars, whose one-second timer drives the setup run or the agent's update cycle
// and whose procedure receives the agent's control messages. The roles plug into it through
// StubWinOptions before WinMain runs; the layout and progress arithmetic are portable.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/MsgBoxLayout.h"
#include "util/Progress.h"

class TGFileInfo;

inline constexpr int kStubWinWidth = 492;
inline constexpr int kStubWinHeight = 110;
inline constexpr unsigned kStubTimerId = 1;
inline constexpr unsigned kStubTimerMs = 1000;

struct StubWinOptions {
  std::string className;                            // one window of this class per setup file or agent
  std::string title = "Velkit Installation Suite";  // language string "s0"
  std::string fontName = "Tahoma";                  // language font, handed to the message boxes
  int fontSize = 8;
  int charset = 0;
  // What the role's hooks work on. The hooks are plain functions (std::function would cost the
  // stub about half a kilobyte), so they find the role through StubWinOptionsInUse().context while
  // WinMain runs, and the role needs no global of its own.
  void* context = nullptr;
  // Every tick of timer 1: the setup run (which stops the timer first) or the agent's cycle.
  void (*onTimer)() = nullptr;
  // Messages 1123, 1124 and 1125 (agent control); the result of 1125 is the message's result.
  intptr_t (*onControlMessage)(unsigned msg, uintptr_t wParam, intptr_t lParam) = nullptr;
  // While the window is destroyed: removes the setup work folder.
  void (*onDestroy)() = nullptr;
  // After the message loop: tells a registered controller that the agent has ended.
  void (*onLoopEnd)() = nullptr;
};

// Options of a stub window of the given class with the title ("s0") and the font of the
// package's language. The hooks are left to the role.
StubWinOptions StubWinOptionsFor(const TGFileInfo& package, std::string_view className);

// Builds the window, runs the message loop and returns when the loop ends; false when the window
// could not be made (no loop ran). In a namespace of its own because the platform headers declare
// the process entry WinMain with C linkage, which no overload may share a name with.
namespace StubWin {
bool WinMain(const StubWinOptions& options);
}

// The main window as a handle value; 0 while there is none.
intptr_t MainWindowHandle();
// Whether the window of the running WinMain has been destroyed (the user's second close): work
// still running in the window's loop should stop.
bool MainWindowDestroyed();
void ShowMainWindow(bool show);
// Shows or hides the small activity bar (the setup run shows it when the package asks for it).
void ShowActivityBar(bool show);
// Stops timer 1, so that the setup run starts only once.
void StopMainTimer();

// Restyles and fills the status line: right-to-left and right-aligned for charsets 177 and 178,
// a font of the face and charset at the given point size.
void SetStatusText(std::string_view text, std::string_view fontName, int charset, int fontSize);

// The window's two bars as a Progress: a reset sets the main bar to 0..maximum at position with
// step (and the activity bar to 0..5), a step advances both.
Progress& StubBars();

// The window's stop request to the download that its run has under way: raised by a close of the
// window, lowered by the run when a download starts, read by the download after every chunk.
bool& MainWindowCancel();
// First close request: raises the download stop request and keeps the window (false); a later one
// lets it close (true).
bool CloseMainWindow();
// Clean-up when the window goes: stop request, setup work folder, quit message.
void DestroyMainWindow();

// --- portable pieces

// Bars' state as the progress callback leaves it.
struct StubProgressState {
  int mainMax = 100;
  int mainPos = 0;
  int mainStep = 10;
  int activityPos = 0;
  uint32_t activityCounter = 0;
  // Applies one report (kind 0 a reset, 1 a step); false for kinds that change nothing. The main bar stops at its
  // maximum instead of starting over as the control's own step would.
  bool Apply(int kind, int maximum, int position, int step);
};
const StubProgressState& StubProgress();
// Whether a bar width pixels wide shows position to differently from position from: the control
// fills position * width / maximum pixels. A download steps the main bar once per 8 KB, thousands
// of times over a few hundred pixels, and the control repaints at every change of its position.
bool BarFillChanges(int from, int to, int maximum, int width);

// Hebrew and Arabic: text to the right, activity bar to the left.
bool IsRightToLeftCharset(int charset);
Rect StatusLineRect(int charset);
Rect MainBarRect();
Rect ActivityBarRect(int charset);

// --- shared by the platform halves of the window
// The options of the running WinMain.
const StubWinOptions& StubWinOptionsInUse();
void SetStubWinOptionsInUse(const StubWinOptions& options);
// Platform half: shows the bars' new state.
void UpdateProgressBars(const StubProgressState& state, bool rangeChanged);
// Platform half: posts the quit message and raises the destroyed flag.
void EndMessageLoop();
// The steps after the message loop: stop request, Internet library, the loop-end hook.
void FinishMainWindow();
