// vdebug: the viewer of the stub's debug channel. It owns a top-level window of class
// ".VDebug." and appends every text it is sent (an atom named by the text, in the second
// parameter of the registered ".V_DebugMsg." message) to a file or to standard output.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {
const char kUsage[] =
    "usage: vdebug [--out FILE] [--chunks] [--ready FILE]\n"
    "       vdebug --stop\n"
    "Shows what Velkit programs write to their debug channel.\n"
    "  --out FILE    append the text to FILE instead of standard output\n"
    "  --chunks      write each received chunk on a line of its own as [length]text,\n"
    "                with \\\\, \\r and \\n escaped\n"
    "  --ready FILE  create FILE once the viewer window exists (for scripts)\n"
    "  --stop        close the running viewer and wait until it is gone\n";

UINT g_debugMsg = 0;
FILE* g_out = stdout;
bool g_chunks = false;

void Emit(const char* text) {
  if (g_chunks) {
    std::fprintf(g_out, "[%u]", unsigned(std::strlen(text)));
    for (const char* p = text; *p; ++p) {
      if (*p == '\\') std::fputs("\\\\", g_out);
      else if (*p == '\r') std::fputs("\\r", g_out);
      else if (*p == '\n') std::fputs("\\n", g_out);
      else std::fputc(*p, g_out);
    }
    std::fputc('\n', g_out);
  } else {
    std::fputs(text, g_out);
  }
  std::fflush(g_out);
}

LRESULT CALLBACK ViewerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == g_debugMsg && g_debugMsg != 0) {
    char text[1024] = {};
    if (GlobalGetAtomNameA(ATOM(lp), text, sizeof text) > 0) Emit(text);
    return 0;
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

// Says why the viewer gives up, with the system's error code.
int Failed(const char* what) {
  std::fprintf(stderr, "vdebug: %s (error %lu)\n", what, static_cast<unsigned long>(GetLastError()));
  return 1;
}

int Stop() {
  HWND viewer = FindWindowA(".VDebug.", nullptr);
  if (!viewer) return 0;
  PostMessageA(viewer, WM_CLOSE, 0, 0);
  for (int i = 0; i < 200 && FindWindowA(".VDebug.", nullptr); ++i) Sleep(25);
  return FindWindowA(".VDebug.", nullptr) ? 1 : 0;
}
}  // namespace

int main(int argc, char** argv) {
  const char* outPath = nullptr;
  const char* readyPath = nullptr;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--stop") {
      return Stop();
    } else if (a == "--chunks") {
      g_chunks = true;
    } else if (a == "--out" && i + 1 < argc) {
      outPath = argv[++i];
    } else if (a == "--ready" && i + 1 < argc) {
      readyPath = argv[++i];
    } else {
      std::fprintf(stderr, "vdebug: unknown argument '%s'\n%s", argv[i], kUsage);
      return 2;
    }
  }
  // A viewer that was just told to close may still hold its window for a moment.
  HWND other = FindWindowA(".VDebug.", nullptr);
  for (int i = 0; i < 200 && other; ++i) {
    Sleep(25);
    other = FindWindowA(".VDebug.", nullptr);
  }
  if (other) {
    DWORD pid = 0;
    GetWindowThreadProcessId(other, &pid);
    std::fprintf(stderr, "vdebug: a viewer is already running (process %lu)\n", static_cast<unsigned long>(pid));
    return 1;
  }
  if (outPath && !(g_out = std::fopen(outPath, "ab"))) {
    std::fprintf(stderr, "vdebug: cannot open '%s'\n", outPath);
    return 1;
  }
  g_debugMsg = RegisterWindowMessageA(".V_DebugMsg.");
  WNDCLASSA wc = {};
  wc.lpfnWndProc = ViewerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = ".VDebug.";
  if (!RegisterClassA(&wc)) return Failed("cannot register the window class");
  HWND wnd = CreateWindowA(".VDebug.", "Velkit debug viewer", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 400,
                           200, nullptr, nullptr, wc.hInstance, nullptr);
  if (!wnd) return Failed("cannot create the viewer window");
  if (readyPath) {
    FILE* f = std::fopen(readyPath, "wb");
    if (!f) return Failed("cannot create the ready file");
    std::fclose(f);
  }
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  if (g_out != stdout) std::fclose(g_out);
  return 0;
}
