// Stand-in for the auto-update agent, for tests of the programs that talk to it (the controller).
// Its role follows its file name, as the agent's does:
//   X_<name>.exe [--record FILE] [--command-msg N]   the working copy: a hidden window of class
//       ".AutoUpdate." + its own stem with a one-second timer. It takes the agent's messages:
//         1123 (n)            quit countdown: at each tick it quits when 0, else counts down
//         1124 (wnd, msg)     registers wnd for replies and replies 50 (its window), 51 (N)
//         N (code, arg)       the commands, on 1125 unless --command-msg says otherwise: answers
//                             code * 1000 + arg, so a test sees both arrived; code 31 also
//                             replies 40 1 and 40 2, as a check would
//       and replies 43 0 when its loop has ended. The record gets "window <its handle>" first,
//       then one line per message taken: "<message> <wParam> <lParam>".
//   <name>.exe [/WM_MSG=a:b] [/STOP=n]   the plain copy: posts 1124 (a, b) and 1123 (n) to the
//       window of class ".AutoUpdate.X_" + its own stem, and ends; exit code 1 when there is none.
// Exit code 2 for a window that could not be made.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../common/Help.h"

namespace {
const UINT kShutDownMsg = 1123;
const UINT kLocalMsg = 1124;
const UINT kAgentMsg = 1125;

std::string g_record;
HWND g_replyWnd = nullptr;
UINT g_replyMsg = 0;
UINT g_commandMsg = kAgentMsg;
long g_countdown = -1;

void Record(const std::string& line) {
  if (g_record.empty()) return;
  if (FILE* f = std::fopen(g_record.c_str(), "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

void Reply(WPARAM code, LPARAM arg) {
  if (g_replyWnd && g_replyMsg) PostMessageA(g_replyWnd, g_replyMsg, code, arg);
}

LRESULT CALLBACK AgentProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kShutDownMsg || msg == kLocalMsg || msg == g_commandMsg)
    Record(std::to_string(msg) + " " + std::to_string(wp) + " " + std::to_string(lp));
  if (msg == g_commandMsg) {
    if (wp == 31) {
      Reply(40, 1);
      Reply(40, 2);
    }
    return LRESULT(wp * 1000 + lp);
  }
  switch (msg) {
    case kShutDownMsg:
      g_countdown = long(wp);
      return 0;
    case kLocalMsg:
      g_replyWnd = reinterpret_cast<HWND>(wp);
      g_replyMsg = UINT(lp);
      Reply(50, reinterpret_cast<LPARAM>(wnd));
      Reply(51, g_commandMsg);
      return 0;
    case WM_TIMER:
      if (g_countdown == 0) PostQuitMessage(0);
      if (g_countdown > 0) --g_countdown;
      return 0;
    default:
      return DefWindowProcA(wnd, msg, wp, lp);
  }
}

int RunWorkingCopy(const std::string& stem) {
  const std::string cls = ".AutoUpdate." + stem;
  WNDCLASSA wc{};
  wc.lpfnWndProc = AgentProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = cls.c_str();
  if (!RegisterClassA(&wc)) return 2;
  HWND wnd = CreateWindowA(cls.c_str(), "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, wc.hInstance, nullptr);
  if (!wnd) return 2;
  Record("window " + std::to_string(reinterpret_cast<UINT_PTR>(wnd)));
  SetTimer(wnd, 1, 1000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  Reply(43, 0);
  return 0;
}

// The text after "name" up to the next blank, or empty.
std::string Switch(const std::string& cmd, const char* name) {
  const size_t at = cmd.find(name);
  if (at == std::string::npos) return {};
  const size_t from = at + std::strlen(name);
  return cmd.substr(from, cmd.find(' ', from) - from);
}

int RunPlainCopy(const std::string& stem) {
  HWND agent = FindWindowA((".AutoUpdate.X_" + stem).c_str(), nullptr);
  if (!agent) return 1;
  const std::string cmd = GetCommandLineA();
  const std::string reg = Switch(cmd, "/WM_MSG=");
  if (!reg.empty()) {
    const size_t colon = reg.find(':');
    const long b = colon == std::string::npos ? 0 : std::atol(reg.c_str() + colon + 1);
    PostMessageA(agent, kLocalMsg, WPARAM(std::atol(reg.c_str())), LPARAM(b));
  }
  const std::string stop = Switch(cmd, "/STOP=");
  if (!stop.empty()) PostMessageA(agent, kShutDownMsg, WPARAM(std::atol(stop.c_str())), 0);
  return 0;
}
}  // namespace

constexpr const char* kUsage = R"(usage: X_<name>.exe [--record FILE] [--command-msg N]   the agent's working copy (a hidden window
         ".AutoUpdate." + its stem taking the agent's messages, recorded in FILE)
       <name>.exe [/WM_MSG=a:b] [/STOP=n]   the plain copy: posts 1124 (a, b) and 1123 (n) to the
         working copy's window and ends; exit code 1 when there is none
Stand-in for the auto-update agent in the controller's tests; its role follows its file name.
)";

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (PrintHelpIfAsked(__argc, __argv, kUsage)) return 0;
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string name = path;
  name = name.substr(name.find_last_of('\\') + 1);
  const std::string stem = name.substr(0, name.find_last_of('.'));
  for (int i = 1; i + 1 < __argc; ++i) {
    if (std::strcmp(__argv[i], "--record") == 0) g_record = __argv[i + 1];
    if (std::strcmp(__argv[i], "--command-msg") == 0) g_commandMsg = UINT(std::atol(__argv[i + 1]));
  }
  const bool working = stem.size() > 2 && (stem[0] == 'X' || stem[0] == 'x') && stem[1] == '_';
  return working ? RunWorkingCopy(stem) : RunPlainCopy(stem);
}
