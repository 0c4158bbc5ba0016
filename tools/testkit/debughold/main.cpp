// A debug viewer that holds its sender: it owns the ".VDebug." window as vdebug does, and when a
// program sends a debug text that contains a given text, it answers only once a release file
// exists. Debug texts travel by SendMessage, so the sender stops right at that line, and a test
// can act on it there (queue window messages, say) at a known point of its work.
//   debughold --text TEXT --holding FILE --release FILE [--ready FILE] [--out FILE]
// --holding is created when the hold begins; only the first matching text holds (at most 2 min).
// --out appends every text to FILE. Ends when its window is closed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "../common/Help.h"

namespace {
UINT g_debugMsg = 0;
std::string g_text, g_holding, g_release;
FILE* g_out = nullptr;
bool g_held = false;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Touch(const std::string& path) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) std::fclose(f);
}

void Hold() {
  g_held = true;
  Touch(g_holding);
  for (DWORD start = GetTickCount(); !Exists(g_release) && GetTickCount() - start < 120000;) Sleep(10);
}

LRESULT CALLBACK ViewerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == g_debugMsg && g_debugMsg != 0) {
    char text[1024] = {};
    if (GlobalGetAtomNameA(ATOM(lp), text, sizeof text) > 0) {
      if (g_out) {
        std::fputs(text, g_out);
        std::fflush(g_out);
      }
      if (!g_held && std::strstr(text, g_text.c_str())) Hold();
    }
    return 0;
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}
}  // namespace

constexpr const char* kUsage = R"(usage: debughold --text TEXT --holding FILE --release FILE [--ready FILE] [--out FILE]
A debug viewer that holds the first sender of a text containing TEXT until FILE (--release)
exists; --holding is created when the hold begins, --out appends every text. Ends when its
window is closed.
)";

int main(int argc, char** argv) {
  if (PrintHelpIfAsked(argc, argv, kUsage)) return 0;
  std::string ready, out;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--text")
      g_text = argv[i + 1];
    else if (a == "--holding")
      g_holding = argv[i + 1];
    else if (a == "--release")
      g_release = argv[i + 1];
    else if (a == "--ready")
      ready = argv[i + 1];
    else if (a == "--out")
      out = argv[i + 1];
  }
  if (g_text.empty() || g_holding.empty() || g_release.empty()) {
    std::fputs("usage: debughold --text TEXT --holding FILE --release FILE [--ready FILE] [--out FILE]\n", stderr);
    return 2;
  }
  if (FindWindowA(".VDebug.", nullptr)) {
    std::fputs("debughold: a viewer is already running\n", stderr);
    return 1;
  }
  if (!out.empty() && !(g_out = std::fopen(out.c_str(), "ab"))) return 1;
  g_debugMsg = RegisterWindowMessageA(".V_DebugMsg.");
  WNDCLASSA wc = {};
  wc.lpfnWndProc = ViewerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = ".VDebug.";
  if (!RegisterClassA(&wc)) return 1;
  HWND wnd = CreateWindowA(".VDebug.", "Velkit debug hold", WS_OVERLAPPEDWINDOW, 0, 0, 300, 100, nullptr, nullptr,
                           wc.hInstance, nullptr);
  if (!wnd) return 1;
  if (!ready.empty()) Touch(ready);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  if (g_out) std::fclose(g_out);
  return 0;
}
