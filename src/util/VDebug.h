// The debug channel: the program's diagnostic text output. Text collects in a 128-character
// buffer; each time the buffer fills or a line is completed, the buffered chunk is forwarded to
// the installed viewer sink (on Windows: the ".VDebug." window, if one runs). The channel never
// fails and never shows anything to the user.
#pragma once
#include <string>
#include <string_view>

// Receives each forwarded chunk (at most kDebugBufferSize characters, line ends included).
class DebugViewerSink {
 public:
  virtual ~DebugViewerSink() = default;
  virtual void Forward(std::string_view chunk) = 0;
};

inline constexpr size_t kDebugBufferSize = 128;
inline constexpr size_t kDebugMaxChunk = 10241;

// Installs the sink that receives flushed chunks; nullptr drops them. Returns the previous one.
DebugViewerSink* SetDebugViewerSink(DebugViewerSink* sink);
// The platform's own sink (the viewer window on Windows); installed at start-up.
DebugViewerSink* PlatformDebugViewerSink();

// Appends text to the channel without ending the line.
void DebugWrite(std::string_view text);
// Appends text, then CR LF, and flushes: a write-line.
void DebugLn(std::string_view text = {});
// Forwards whatever the buffer holds.
void DebugFlush();

// Log file (agents only). Enabled once at start-up; all calls are no-ops while disabled.
void SetLogEnabled(bool enabled);
bool IsLogEnabled();
void SetLogMarker(std::string_view marker);
// Own folder + the own file name with "X_" in front (unless it already starts with "X_",
// case-sensitive) and ".log" as its extension. Computed on first use.
std::string GetLogFileName();
void WriteStubLog(std::string_view message);

// Pure pieces of the above, for tests.
std::string LogFileNameFor(std::string_view ownPath);
// time text + " " + thread id right-aligned in 5 + marker + message + CR LF.
std::string FormatLogLine(std::string_view timeText, unsigned long threadId, std::string_view marker,
                          std::string_view message);
