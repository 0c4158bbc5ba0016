// Debug channel buffering and the log file rules. The platform supplies the viewer sink, the
// clock text, the thread id and the file append.
#include "util/VDebug.h"

#include <cstdio>

#include "platform/System.h"
#include "util/Files.h"
#include "util/Utils.h"

namespace {
DebugViewerSink* viewerSink = nullptr;
bool sinkInstalled = false;
std::string pending;
bool logEnabled = false;
std::string logMarker = "   ";
std::string logFileName;

DebugViewerSink* Sink() {
  if (!sinkInstalled) {
    sinkInstalled = true;
    viewerSink = PlatformDebugViewerSink();
  }
  return viewerSink;
}
}  // namespace

DebugViewerSink* SetDebugViewerSink(DebugViewerSink* sink) {
  DebugViewerSink* previous = Sink();
  viewerSink = sink;
  return previous;
}

void DebugFlush() {
  CriticalSectionLock lock;
  if (pending.empty()) return;
  std::string chunk = pending.substr(0, kDebugMaxChunk);
  pending.clear();
  // The channel must never make the program fail: whatever the forward raises is dropped. (The stub
  // is built without exceptions; there a failed allocation ends the process anyway.)
#if __cpp_exceptions
  try {
    if (DebugViewerSink* sink = Sink()) sink->Forward(chunk);
  } catch (...) {
  }
#else
  if (DebugViewerSink* sink = Sink()) sink->Forward(chunk);
#endif
}

void DebugWrite(std::string_view text) {
  while (!text.empty()) {
    size_t room = kDebugBufferSize - pending.size();
    size_t take = text.size() < room ? text.size() : room;
    pending.append(text.substr(0, take));
    text.remove_prefix(take);
    if (pending.size() >= kDebugBufferSize) DebugFlush();
  }
}

void DebugLn(std::string_view text) {
  DebugWrite(text);
  DebugWrite("\r\n");
  DebugFlush();
}

void SetLogEnabled(bool enabled) { logEnabled = enabled; }
bool IsLogEnabled() { return logEnabled; }
void SetLogMarker(std::string_view marker) { logMarker = marker; }

std::string LogFileNameFor(std::string_view ownPath) {
  size_t slash = ownPath.find_last_of("\\/:");
  std::string folder(ownPath.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
  std::string name(ownPath.substr(slash == std::string_view::npos ? 0 : slash + 1));
  if (name.compare(0, 2, "X_") != 0) name = "X_" + name;
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return folder + name + ".log";
}

std::string FormatLogLine(std::string_view timeText, unsigned long threadId, std::string_view marker,
                          std::string_view message) {
  char tid[24];
  std::snprintf(tid, sizeof tid, "%5lu", threadId);
  std::string line(timeText);
  line += ' ';
  line += tid;
  line += marker;
  line += message;
  line += "\r\n";
  return line;
}

std::string GetLogFileName() {
  if (logFileName.empty()) logFileName = LogFileNameFor(OwnExePath());
  return logFileName;
}

void WriteStubLog(std::string_view message) {
  if (!logEnabled) return;
  AppendText(GetLogFileName(), FormatLogLine(LogTimestamp(LocalNow()), CurrentThreadId(), logMarker, message));
}
