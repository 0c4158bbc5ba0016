// Process and window control by executable path: find a running program, its main window, ask
// it to close or quit, kill it, and wait until it or a window has gone. Every wait dispatches the
// calling thread's messages. The matching rule and the main-window scoring are portable; the
// calls live in the Win32 layer (Process.cpp there).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Whether a process matches the executable path p (case and surrounding blanks ignored): its full
// path equals p; or, unless fullPathOnly, its file name equals p; or its short (8.3) path equals
// p's short form, when p has one.
bool ProcessMatches(std::string_view processPath, std::string_view processName, std::string_view processShortPath,
                    std::string_view path, std::string_view shortPath, bool fullPathOnly);

// Collects the top-level windows of one process (at most kMaxWindows) and picks its main window:
// a window gets one point for every collected window whose top owner it is, times four, plus 2
// with a title and 1 when visible; the highest score above 0 wins, the earliest on a tie.
class TAnalizer {
 public:
  static constexpr size_t kMaxWindows = 2001;
  using Window = uintptr_t;  // a window handle; 0 is none

  explicit TAnalizer(unsigned long processId) : processId_(processId) {}
  unsigned long ProcessId() const { return processId_; }
  size_t Count() const { return windows_.size(); }
  // Adds a window with its top owner (0 when it has none); false once kMaxWindows are held.
  bool Add(Window window, Window topOwner, bool titled, bool visible);
  std::vector<uint16_t> Scores() const;
  // The chosen window, or 0 when every score is 0.
  Window MainWindow() const;

 private:
  struct Entry {
    Window window, topOwner;
    bool titled, visible;
  };
  unsigned long processId_;
  std::vector<Entry> windows_;
};

// Process id of a process running the executable p (the one the system lists last), 0 if none.
unsigned long FindProcessByPath(std::string_view path, bool fullPathOnly);
// p may carry surrounding blanks and double quotes.
bool IsProcessRunning(std::string_view path);
// Returns when no process runs p any more, or timeoutMs (0 = none) has passed; waits in whole
// seconds and at least one.
void WaitProcessEnd(std::string_view path, int64_t timeoutMs);
// Main window of the process running p, chosen by TAnalizer; 0 when none scores above 0.
TAnalizer::Window FindMainWindow(std::string_view path, bool fullPathOnly);
// The last window of the window's owner chain; 0 when it has no owner.
TAnalizer::Window GetTopOwner(TAnalizer::Window window);
// Posts the message to the main window of the process running p; true when there is one.
bool PostProcessMessage(std::string_view path, bool fullPathOnly, unsigned message, uintptr_t wParam, intptr_t lParam);
bool CloseProcessWindow(std::string_view path, bool fullPathOnly);  // WM_CLOSE, 15, 255
bool QuitProcessWindow(std::string_view path, bool fullPathOnly);   // WM_QUIT, 15, 255
// True when the process running p was ended (with exit code 0).
bool TerminateProcessByPath(std::string_view path, bool fullPathOnly);
// Returns once no top-level window of that class and title exists (an empty text matches any).
void WaitWhileWindowExists(std::string_view windowClass, std::string_view title);
