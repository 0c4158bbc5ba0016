// Host build: debug-channel chunks go to standard error when VELKIT_DEBUG is set, else nowhere.
#include <cstdio>
#include <cstdlib>

#include "util/VDebug.h"

namespace {
class StderrSink : public DebugViewerSink {
 public:
  void Forward(std::string_view chunk) override { std::fwrite(chunk.data(), 1, chunk.size(), stderr); }
};
}  // namespace

DebugViewerSink* PlatformDebugViewerSink() {
  static StderrSink sink;
  return std::getenv("VELKIT_DEBUG") ? &sink : nullptr;
}
