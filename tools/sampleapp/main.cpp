// Velkit sample application: what a product does to live with its auto-update agent.
//
// A product installed by a Velkit setup finds its agent beside it: the stub, installed under the
// agent name of the package (SampleAU.exe in our samples). The product starts that agent each time
// it starts, with the switches it wants. When the agent installs an update it shuts the product
// down in the way the update's information file names: a message box asking the user to close it,
// WM_CLOSE or WM_QUIT posted to its main window, or termination of the process; afterwards it
// starts the product again, by its path alone, without switches.
//
// So a product should:
//   - have one visible, titled main window (that is the window the agent picks and posts to);
//   - end when that window gets WM_CLOSE, or ask first when it has unsaved work;
//   - end its message loop on WM_QUIT (GetMessage returns 0 for it);
//   - keep its settings in a file rather than on its command line, since a restart carries none.
//
// This program does exactly that and writes what happened to a record file, so that tests and the
// demo can see it. Run "sampleapp --help" for its switches. Settings not given on the command line
// come from the INI file beside the program with the program's name (sampleapp.ini):
//   [App]    Version=1.0       the version it shows and records
//            OnClose=end       what WM_CLOSE does: end | ask (the unsaved-changes question) | refuse
//            Record=<file>     where to append the record
//   [Agent]  Exe=SampleAU.exe  the agent's file name, beside the program (empty: start no agent)
//            Switches=         the agent's switches, e.g. /DELAY=30
//
// The record has one line per event: "start pid=.. version=.. cmdline=..", then "agent started
// pid=.. cmdline=.." (or "agent failed error=.." / "agent none"), "close wparam=.. lparam=..",
// "refused" when a close was turned down, and "end close code=0" or "end quit code=<wParam of
// WM_QUIT>". A terminated process leaves no end line.
//
// Exit codes: 0 after WM_CLOSE, the WM_QUIT's wParam after WM_QUIT, 2 bad arguments, 3 the record
// file or the main window could not be made.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {
const char kClassName[] = "VelkitSampleApp";
const char kTitle[] = "Velkit Sample Application";
const char kQuestionTitle[] = "Unsaved changes";

const char kUsage[] =
    "usage: sampleapp [options]\n"
    "  --agent NAME            file name of the auto-update agent beside this program\n"
    "  --agent-switches TEXT   the switches the agent is started with\n"
    "  --no-agent              start no agent, whatever the INI file says\n"
    "  --version TEXT          the version to show and record\n"
    "  --on-close MODE         what WM_CLOSE does: end (default), ask (asks about unsaved changes;\n"
    "                          No keeps the program running) or refuse (keeps it running)\n"
    "  --record FILE           append a line per event (start, agent, close, end) to FILE\n"
    "Options not given are read from the INI file beside the program with its name:\n"
    "  [App] Version= OnClose= Record=   [Agent] Exe= Switches=\n"
    "exit code: 0 closed, the WM_QUIT's wParam when quit, 2 bad arguments, 3 could not start\n";

struct Settings {
  std::string version = "1.0";
  std::string onClose = "end";
  std::string record;
  std::string agentExe;
  std::string agentSwitches;
};

// State of the running program; it has one window, so plain globals keep the code short.
Settings g_settings;
std::string g_agentState = "none";
bool g_asking = false;  // the unsaved-changes question is on screen
bool g_closed = false;  // the main window was destroyed after WM_CLOSE

// A GUI program has no console of its own; --help writes to the one it was started from, if any.
void Print(const char* text, DWORD stdHandle) {
  HANDLE out = GetStdHandle(stdHandle);
  if (!out || out == INVALID_HANDLE_VALUE) {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    out = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
  }
  DWORD written = 0;
  WriteFile(out, text, DWORD(std::strlen(text)), &written, nullptr);
}

std::string ExePath() {
  char buf[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, buf, sizeof buf);
  return buf;
}

// The folder of this program, with its trailing backslash.
std::string ExeFolder() {
  std::string path = ExePath();
  return path.substr(0, path.find_last_of('\\') + 1);
}

std::string IniValue(const std::string& ini, const char* section, const char* key, const std::string& fallback) {
  char buf[1024] = "";
  GetPrivateProfileStringA(section, key, fallback.c_str(), buf, sizeof buf, ini.c_str());
  return buf;
}

void ReadIni(Settings& s) {
  std::string ini = ExePath();
  ini = ini.substr(0, ini.find_last_of('.')) + ".ini";
  s.version = IniValue(ini, "App", "Version", s.version);
  s.onClose = IniValue(ini, "App", "OnClose", s.onClose);
  s.record = IniValue(ini, "App", "Record", s.record);
  s.agentExe = IniValue(ini, "Agent", "Exe", s.agentExe);
  s.agentSwitches = IniValue(ini, "Agent", "Switches", s.agentSwitches);
}

// Command-line options override the INI file. False on a bad argument.
bool ParseArgs(int argc, char** argv, Settings& s) {
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    if (opt == "--no-agent") {
      s.agentExe.clear();
      continue;
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (opt == "--agent") {
      s.agentExe = value;
    } else if (opt == "--agent-switches") {
      s.agentSwitches = value;
    } else if (opt == "--version") {
      s.version = value;
    } else if (opt == "--on-close") {
      s.onClose = value;
    } else if (opt == "--record") {
      s.record = value;
    } else {
      return false;
    }
  }
  return s.onClose == "end" || s.onClose == "ask" || s.onClose == "refuse";
}

// Appends one line to the record. The file is opened and closed each time, so every line is on
// disk at once, also when the process is terminated a moment later.
bool Record(const std::string& line) {
  if (g_settings.record.empty()) return true;
  HANDLE f = CreateFileA(g_settings.record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  const bool ok = WriteFile(f, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
  CloseHandle(f);
  return ok;
}

// Starts the agent beside this program, as a product does at each start: quoted path, then the
// switches. The agent's plain copy ends after a moment (it starts its working copy, or passes the
// switches on to the one that runs), so nobody waits for it.
void StartAgent() {
  if (g_settings.agentExe.empty()) {
    Record("agent none");
    return;
  }
  std::string cmdLine = "\"" + ExeFolder() + g_settings.agentExe + "\"";
  if (!g_settings.agentSwitches.empty()) cmdLine += " " + g_settings.agentSwitches;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmdLine.data(), nullptr, nullptr, FALSE, 0, nullptr, ExeFolder().c_str(), &si, &pi)) {
    const DWORD error = GetLastError();
    g_agentState = "could not be started";
    Record("agent failed error=" + std::to_string(error) + " cmdline=" + cmdLine);
    return;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  g_agentState = "started";
  Record("agent started pid=" + std::to_string(pi.dwProcessId) + " cmdline=" + cmdLine);
}

// WM_CLOSE: end, unless the user keeps the (pretended) unsaved work or the program is told to refuse.
void OnClose(HWND wnd, WPARAM wp, LPARAM lp) {
  Record("close wparam=" + std::to_string(wp) + " lparam=" + std::to_string(lp));
  if (g_asking) return;  // the question is already up; its answer decides
  bool end = g_settings.onClose == "end";
  if (g_settings.onClose == "ask") {
    g_asking = true;
    const int answer = MessageBoxA(wnd, "You have unsaved changes. Close the program anyway?", kQuestionTitle,
                                   MB_YESNO | MB_ICONWARNING);
    g_asking = false;
    // A WM_QUIT that came meanwhile ended the box, which posted it again: the main loop ends now,
    // and the box's answer means nothing.
    MSG quit;
    if (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) return;
    end = answer == IDYES;
  }
  if (!end) {
    Record("refused");
    return;
  }
  DestroyWindow(wnd);
}

void OnPaint(HWND wnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(wnd, &ps);
  const std::string lines[] = {
      std::string(kTitle) + " " + g_settings.version,
      "Agent: " + (g_settings.agentExe.empty() ? "none" : g_settings.agentExe + " (" + g_agentState + ")")};
  int y = 16;
  for (const std::string& line : lines) {
    TextOutA(dc, 16, y, line.c_str(), int(line.size()));
    y += 24;
  }
  EndPaint(wnd, &ps);
}

LRESULT CALLBACK MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      OnClose(wnd, wp, lp);
      return 0;
    case WM_DESTROY:
      g_closed = true;
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      OnPaint(wnd);
      return 0;
    default:
      return DefWindowProcA(wnd, msg, wp, lp);
  }
}

HWND CreateMainWindow(HINSTANCE instance) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterClassA(&wc)) return nullptr;
  return CreateWindowA(kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 420, 140, nullptr,
                       nullptr, instance, nullptr);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  for (int i = 1; i < __argc; ++i) {
    if (std::strcmp(__argv[i], "--help") == 0 || std::strcmp(__argv[i], "-h") == 0) {
      Print(kUsage, STD_OUTPUT_HANDLE);
      return 0;
    }
  }
  ReadIni(g_settings);
  if (!ParseArgs(__argc, __argv, g_settings)) {
    Print(kUsage, STD_ERROR_HANDLE);
    return 2;
  }
  if (!Record("start pid=" + std::to_string(GetCurrentProcessId()) + " version=" + g_settings.version +
              " cmdline=" + GetCommandLineA()))
    return 3;
  HWND wnd = CreateMainWindow(instance);
  if (!wnd) return 3;
  StartAgent();
  ShowWindow(wnd, show);
  UpdateWindow(wnd);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  // GetMessage returned 0: WM_QUIT, posted by our own WM_DESTROY or sent from outside.
  const int code = int(msg.wParam);
  Record(std::string("end ") + (g_closed ? "close" : "quit") + " code=" + std::to_string(code));
  return code;
}
