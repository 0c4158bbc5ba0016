// Velkit agent controller: how another program watches and steers a running auto-update agent.
//
// The agent works in a hidden window of class ".AutoUpdate.X_" + the stem of its file name (the
// working "X_" copy of SampleAU.exe has the class ".AutoUpdate.X_SampleAU"). It takes three
// messages:
//   1123  wParam: quit countdown in ticks of its one-second timer (0: quit at the next tick)
//   1124  wParam: a window of yours, lParam: a message number; registers that window for replies
//   1125  wParam: command code, lParam: its argument; the result of SendMessage is the answer
// and posts replies to a registered window, the code in wParam and its argument in lParam:
//   50 <the agent's window>   51 <the message number for commands, 1125>   right after registering
//   40, 41, 42  <1 start, 2 end>   a check, an inform, an update
//   43 0                           its message loop has ended
// A program registers by starting the agent's plain file with "/WM_MSG=<window>:<message>" (the
// plain copy passes it to the running X copy, starting that first when needed), or by sending 1124
// to the agent's window itself.
//
// This program does both and prints every reply it gets, one a line ("reply <code> <argument>"),
// and the answer to every message it sends ("result <message> <wParam> <lParam> <answer>"). Run
// "controller --help" for its options; the actions run in the order given.
//
// Exit codes: 0 done, 1 timed out (no agent window, no answer, or fewer replies than asked for),
// 2 bad arguments, 3 the agent could not be started or the reply window not made.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
const char kClassName[] = "VelkitController";
const UINT kShutDownMsg = 1123;
const UINT kLocalMsg = 1124;
const UINT kAgentMsg = 1125;

const char kUsage[] =
    "usage: controller (--agent PATH | --class NAME) [options] [actions]\n"
    "  --agent PATH        the agent's plain file (e.g. C:\\App\\SampleAU.exe); its working copy's\n"
    "                      window has the class \".AutoUpdate.X_\" + the stem of PATH\n"
    "  --class NAME        address the window of this class instead\n"
    "options:\n"
    "  --reply-msg N       message number for replies (default 32768, WM_APP)\n"
    "  --out FILE          also append every printed line to FILE\n"
    "  --count N           after the actions, wait until N replies have come in all\n"
    "  --until CODE        after the actions, wait until a reply with this code has come\n"
    "                      (with both, whichever happens first)\n"
    "  --timeout MS        time limit of the whole run (default 30000)\n"
    "actions, run in the order given:\n"
    "  --start SWITCHES    start the agent's plain file with SWITCHES and /WM_MSG=<window>:<N>,\n"
    "                      then wait for the replies 50 and 51\n"
    "  --register          send 1124 (this window, N) to the agent's window, wait for 50 and 51\n"
    "  --stop N            send 1123 with the quit countdown N\n"
    "  --command CODE ARG  send 1125 with a command code and its argument\n"
    "prints \"reply <code> <argument>\" for every reply and \"result <message> <wParam> <lParam>\n"
    "<answer>\" for every message sent\n"
    "exit code: 0 done, 1 timed out, 2 bad arguments, 3 could not start the agent or make the window\n";

struct Action {
  enum Kind { kStart, kRegister, kStop, kCommand } kind;
  std::string switches;  // kStart
  long a = 0, b = 0;     // kStop: countdown; kCommand: code and argument
};

struct Options {
  std::string agentPath;
  std::string agentClass;
  UINT replyMsg = WM_APP;
  std::string outFile;
  long count = -1;
  long until = -1;
  DWORD timeoutMs = 30000;
  std::vector<Action> actions;
};

// What the replies told us so far; the window procedure fills it in.
struct State {
  Options opt;
  FILE* out = nullptr;
  HWND self = nullptr;
  HWND agent = nullptr;         // from reply 50
  UINT commandMsg = kAgentMsg;  // from reply 51
  bool registered = false;      // reply 51 has come
  long replies = 0;
  bool untilSeen = false;
  DWORD start = 0;
} g;

void Emit(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  if (g.out) {
    std::fprintf(g.out, "%s\n", line.c_str());
    std::fflush(g.out);
  }
}

LRESULT CALLBACK ReplyProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != g.opt.replyMsg) return DefWindowProcA(wnd, msg, wp, lp);
  Emit("reply " + std::to_string(wp) + " " + std::to_string(lp));
  ++g.replies;
  if (long(wp) == g.opt.until) g.untilSeen = true;
  if (wp == 50) g.agent = reinterpret_cast<HWND>(lp);
  if (wp == 51) {
    if (lp) g.commandMsg = UINT(lp);
    g.registered = true;
  }
  return 0;
}

bool Number(const char* text, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 0);
  return *text && !*end;
}

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    long n = 0;
    if (opt == "--register") {
      o.actions.push_back({Action::kRegister, {}, 0, 0});
    } else if (!(v = next())) {
      return false;
    } else if (opt == "--agent") {
      o.agentPath = v;
    } else if (opt == "--class") {
      o.agentClass = v;
    } else if (opt == "--out") {
      o.outFile = v;
    } else if (opt == "--start") {
      o.actions.push_back({Action::kStart, v, 0, 0});
    } else if (!Number(v, n)) {
      return false;
    } else if (opt == "--reply-msg") {
      o.replyMsg = UINT(n);
    } else if (opt == "--count") {
      o.count = n;
    } else if (opt == "--until") {
      o.until = n;
    } else if (opt == "--timeout") {
      o.timeoutMs = DWORD(n);
    } else if (opt == "--stop") {
      o.actions.push_back({Action::kStop, {}, n, 0});
    } else if (opt == "--command") {
      const char* arg = next();
      long m = 0;
      if (!arg || !Number(arg, m)) return false;
      o.actions.push_back({Action::kCommand, {}, n, m});
    } else {
      return false;
    }
  }
  if (o.agentClass.empty() && !o.agentPath.empty()) {
    std::string name = o.agentPath.substr(o.agentPath.find_last_of("\\/:") + 1);
    o.agentClass = ".AutoUpdate.X_" + name.substr(0, name.find_last_of('.'));
  }
  if (o.agentClass.empty() || o.replyMsg == 0) return false;
  for (const Action& a : o.actions)
    if (a.kind == Action::kStart && o.agentPath.empty()) return false;
  return true;
}

// Milliseconds left of the time-out, counted from the program's start.
DWORD Remaining() {
  const DWORD used = GetTickCount() - g.start;
  return used >= g.opt.timeoutMs ? 0 : g.opt.timeoutMs - used;
}

// Handles the messages that come in until done() holds; false when the time-out ran out first.
// pollMs > 0 also checks done() that often, for conditions that no message announces.
template <typename Done>
bool PumpUntil(Done done, DWORD pollMs = INFINITE) {
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (done()) return true;
    const DWORD left = Remaining();
    if (left == 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, left < pollMs ? left : pollMs, QS_ALLINPUT);
  }
}

// The agent's window: the one reply 50 named, else the one of its class (waited for, since the
// agent may still be starting).
HWND AgentWindow() {
  if (g.agent && IsWindow(g.agent)) return g.agent;
  HWND found = nullptr;
  PumpUntil([&] { return (found = FindWindowA(g.opt.agentClass.c_str(), nullptr)) != nullptr; }, 50);
  return found;
}

int Send(UINT msg, WPARAM wp, LPARAM lp) {
  HWND agent = AgentWindow();
  if (!agent) {
    std::fprintf(stderr, "controller: no window of class %s\n", g.opt.agentClass.c_str());
    return 1;
  }
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(agent, msg, wp, lp, SMTO_NORMAL, Remaining(), &answer)) {
    std::fprintf(stderr, "controller: the agent did not answer message %u\n", msg);
    return 1;
  }
  Emit("result " + std::to_string(msg) + " " + std::to_string(wp) + " " + std::to_string(lp) + " " +
       std::to_string(long(answer)));
  return 0;
}

int WaitRegistered() {
  if (PumpUntil([] { return g.registered; })) return 0;
  std::fprintf(stderr, "controller: the agent did not reply to the registration\n");
  return 1;
}

// Registration through the plain agent, the way the agent's documentation describes it.
int StartAgent(const std::string& switches) {
  std::string cmdLine = "\"" + g.opt.agentPath + "\"";
  if (!switches.empty()) cmdLine += " " + switches;
  cmdLine += " /WM_MSG=" + std::to_string(reinterpret_cast<UINT_PTR>(g.self)) + ":" + std::to_string(g.opt.replyMsg);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmdLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "controller: could not start %s (error %lu)\n", cmdLine.c_str(), GetLastError());
    return 3;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return WaitRegistered();
}

int Run(const Action& a) {
  switch (a.kind) {
    case Action::kStart:
      return StartAgent(a.switches);
    case Action::kRegister: {
      // The agent posts 50 and 51 while it handles the message, so they are queued when Send returns.
      const int rc = Send(kLocalMsg, reinterpret_cast<WPARAM>(g.self), LPARAM(g.opt.replyMsg));
      return rc ? rc : WaitRegistered();
    }
    case Action::kStop:
      return Send(kShutDownMsg, WPARAM(a.a), 0);
    case Action::kCommand:
      return Send(g.commandMsg, WPARAM(a.a), LPARAM(a.b));
  }
  return 2;
}

HWND CreateReplyWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = ReplyProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kClassName;
  if (!RegisterClassA(&wc)) return nullptr;
  // A hidden top-level window: any process can post to it, and nobody sees it.
  return CreateWindowA(kClassName, "Velkit Controller", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance,
                       nullptr);
}

int Main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  if (!ParseArgs(argc, argv, g.opt)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  g.start = GetTickCount();
  if (!g.opt.outFile.empty() && !(g.out = std::fopen(g.opt.outFile.c_str(), "a"))) {
    std::fprintf(stderr, "controller: cannot write %s\n", g.opt.outFile.c_str());
    return 3;
  }
  if (!(g.self = CreateReplyWindow())) return 3;
  for (const Action& a : g.opt.actions)
    if (int rc = Run(a)) return rc;
  const bool waitCount = g.opt.count >= 0, waitUntil = g.opt.until >= 0;
  if (!waitCount && !waitUntil) return 0;
  if (PumpUntil([&] { return (waitCount && g.replies >= g.opt.count) || (waitUntil && g.untilSeen); })) return 0;
  std::fprintf(stderr, "controller: timed out after %ld replies\n", g.replies);
  return 1;
}
}  // namespace

int main(int argc, char** argv) {
  const int rc = Main(argc, argv);
  if (g.out) std::fclose(g.out);
  return rc;
}
