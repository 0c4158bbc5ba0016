// Forwards debug-channel chunks to the ".VDebug." viewer window: the text travels as a global
// atom named by the text, sent synchronously with the registered ".V_DebugMsg." message (first
// parameter: channel 1), and the atom is deleted when the send returns. No viewer: dropped.
#include <windows.h>

#include "util/VDebug.h"

namespace {
class ViewerWindowSink : public DebugViewerSink {
 public:
  void Forward(std::string_view chunk) override {
    HWND viewer = FindWindowA(".VDebug.", nullptr);
    if (!viewer) return;
    std::string text(chunk);
    ATOM atom = GlobalAddAtomA(text.c_str());
    if (!atom) return;
    SendMessageA(viewer, message_, 1, atom);
    GlobalDeleteAtom(atom);
  }

 private:
  UINT message_ = RegisterWindowMessageA(".V_DebugMsg.");
};
}  // namespace

DebugViewerSink* PlatformDebugViewerSink() {
  static ViewerWindowSink sink;
  return &sink;
}
