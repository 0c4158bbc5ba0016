// The tests' hands on other programs' windows, run under Wine next to them:
//   windriver wait  <target> [--timeout ms] [--visible]  waits until the window exists (and shows)
//   windriver gone  <target> [--timeout ms]              waits until it no longer exists
//   windriver list  <target>                             the window and its children, one a line
//   windriver key   <target> (--key X | --vk N) [--char] presses a key in the window's focus
//   windriver click <target> --button TEXT               presses the child button with that text
//   windriver close <target> [--syscommand]              asks the window to close
//   windriver move  <target> --rect X,Y,W,H              moves and sizes the window (as a user's drag
//                                                        would), and returns once it has taken it
//   windriver send  <target> (--msg N | --registered NAME) [--wparam N] [--lparam N] [--child CLASS]
//                                                        sends a message (to the window's first
//                                                        child of that class), prints "result=N"
// <target> is --class NAME and/or --title TEXT (exact, as FindWindow takes them).
// Exit codes: 0 done, 1 not found / timed out, 2 bad arguments. Keys and clicks are posted, not
// synthesised as input, so they reach the window whether or not the X display gives it the focus.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
struct Args {
  std::string command;
  const char* cls = nullptr;
  const char* title = nullptr;
  std::string clsText, titleText, button, key;
  int vk = 0;
  int timeoutMs = 10000;
  bool visible = false;
  bool withChar = false;
  bool sysCommand = false;
  unsigned msg = 0;
  std::string registered;
  std::string child;
  long wParam = 0, lParam = 0;
  bool hasRect = false;
  RECT rect{};  // left, top, width, height
};

void Usage() {
  std::puts(
      "usage: windriver COMMAND (--class NAME | --title TEXT)... [options]\n"
      "  wait   [--timeout ms] [--visible]  wait for the top-level window (and that it shows)\n"
      "  gone   [--timeout ms]              wait until the window no longer exists\n"
      "  list                               print the window and its children:\n"
      "         window <hwnd> class=\"..\" text=\"..\" rect=x,y,w,h client=w,h visible=0|1 style=0x.. exstyle=0x..\n"
      "         child <hwnd> id=N class=\"..\" text=\"..\" rect=x,y,w,h [pos=N range=lo,hi] visible=0|1 style=0x..\n"
      "               exstyle=0x..   (pos and range for progress bars)\n"
      "         (child rectangles in the window's client coordinates)\n"
      "  key    (--key X | --vk N) [--char] post key down/up (and WM_CHAR) to the window's focus\n"
      "  click  --button TEXT               press the child button whose text is TEXT\n"
      "  close  [--syscommand]              post WM_CLOSE (or the Close menu command)\n"
      "  move   --rect X,Y,W,H              move and size the window; returns once it has done so\n"
      "  send   (--msg N | --registered NAME) [--wparam N] [--lparam N] [--child CLASS]\n"
      "                                     send a message (a registered one by name), print result=N;\n"
      "                                     with --child to the window's first child of that class\n"
      "exit code 0 done, 1 not found or timed out, 2 bad arguments");
}

bool Parse(int argc, char** argv, Args& a) {
  if (argc < 2) return false;
  a.command = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::string opt = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (opt == "--visible") {
      a.visible = true;
    } else if (opt == "--char") {
      a.withChar = true;
    } else if (opt == "--syscommand") {
      a.sysCommand = true;
    } else if (!(v = next())) {
      return false;
    } else if (opt == "--class") {
      a.clsText = v;
    } else if (opt == "--title") {
      a.titleText = v;
    } else if (opt == "--timeout") {
      a.timeoutMs = std::atoi(v);
    } else if (opt == "--button") {
      a.button = v;
    } else if (opt == "--key") {
      a.key = v;
    } else if (opt == "--msg") {
      a.msg = unsigned(std::strtoul(v, nullptr, 0));
    } else if (opt == "--child") {
      a.child = v;
    } else if (opt == "--registered") {
      a.registered = v;
    } else if (opt == "--wparam") {
      a.wParam = std::strtol(v, nullptr, 0);
    } else if (opt == "--lparam") {
      a.lParam = std::strtol(v, nullptr, 0);
    } else if (opt == "--rect") {
      a.hasRect = std::sscanf(v, "%ld,%ld,%ld,%ld", &a.rect.left, &a.rect.top, &a.rect.right, &a.rect.bottom) == 4;
      if (!a.hasRect) return false;
    } else if (opt == "--vk") {
      a.vk = int(std::strtol(v, nullptr, 0));
    } else {
      return false;
    }
  }
  if (!a.clsText.empty()) a.cls = a.clsText.c_str();
  if (!a.titleText.empty()) a.title = a.titleText.c_str();
  return a.cls || a.title;
}

HWND Find(const Args& a) {
  HWND w = FindWindowA(a.cls, a.title);
  if (w && a.visible && !IsWindowVisible(w)) return nullptr;
  return w;
}

HWND WaitWindow(const Args& a) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND w = Find(a)) return w;
    if (int(GetTickCount() - start) >= a.timeoutMs) return nullptr;
    Sleep(20);
  }
}

// Text of any window, also of another process's controls: WM_GETTEXT is marshalled, while
// GetWindowText only returns the title stored at creation for foreign controls.
std::string Text(HWND w) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return {};
  std::string text(len + 1, '\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutA(w, WM_GETTEXT, WPARAM(text.size()), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000,
                      &got);
  text.resize(got);
  return text;
}

std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

std::string ClassOf(HWND w) {
  char buf[256] = {};
  GetClassNameA(w, buf, sizeof buf);
  return buf;
}

void PrintCommon(HWND w, const RECT& r) {
  std::printf(" class=%s text=%s rect=%ld,%ld,%ld,%ld", Quoted(ClassOf(w)).c_str(), Quoted(Text(w)).c_str(), r.left,
              r.top, r.right - r.left, r.bottom - r.top);
}

// Progress bars also show where they stand; their messages carry no pointers, so they work
// across processes.
void PrintStyles(HWND w) {
  if (ClassOf(w) == "msctls_progress32") {
    std::printf(" pos=%ld range=%ld,%ld", static_cast<long>(SendMessageA(w, PBM_GETPOS, 0, 0)),
                static_cast<long>(SendMessageA(w, PBM_GETRANGE, TRUE, 0)),
                static_cast<long>(SendMessageA(w, PBM_GETRANGE, FALSE, 0)));
  }
  std::printf(" visible=%d style=0x%08lx exstyle=0x%08lx\n", IsWindowVisible(w) ? 1 : 0,
              static_cast<unsigned long>(GetWindowLongA(w, GWL_STYLE)),
              static_cast<unsigned long>(GetWindowLongA(w, GWL_EXSTYLE)));
}

struct ListState {
  HWND top;
};

BOOL CALLBACK PrintChild(HWND child, LPARAM lp) {
  HWND top = reinterpret_cast<ListState*>(lp)->top;
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&r), 2);
  std::printf("child %p id=%ld", static_cast<void*>(child), static_cast<long>(GetDlgCtrlID(child)));
  PrintCommon(child, r);
  PrintStyles(child);
  return TRUE;
}

void List(HWND w) {
  RECT r, c;
  GetWindowRect(w, &r);
  GetClientRect(w, &c);
  std::printf("window %p", static_cast<void*>(w));
  PrintCommon(w, r);
  std::printf(" client=%ld,%ld", c.right, c.bottom);
  PrintStyles(w);
  ListState state{w};
  EnumChildWindows(w, PrintChild, reinterpret_cast<LPARAM>(&state));
}

// The window that has the keyboard focus in the target's thread; the window itself when none does.
HWND FocusOf(HWND w) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info) && info.hwndFocus) return info.hwndFocus;
  return w;
}

int Key(HWND w, const Args& a) {
  int vk = a.vk;
  char ch = 0;
  if (!a.key.empty()) {
    ch = a.key[0];
    vk = (ch >= 'a' && ch <= 'z') ? ch - 'a' + 'A' : ch;
  }
  if (vk == 0) return 2;
  HWND target = FocusOf(w);
  const UINT scan = MapVirtualKeyA(UINT(vk), 0);
  PostMessageA(target, WM_KEYDOWN, WPARAM(vk), LPARAM(1 | (scan << 16)));
  if (a.withChar && ch) PostMessageA(target, WM_CHAR, WPARAM(static_cast<unsigned char>(ch)), LPARAM(1 | (scan << 16)));
  PostMessageA(target, WM_KEYUP, WPARAM(vk), LPARAM(1 | (scan << 16) | (3u << 30)));
  return 0;
}

struct ButtonSearch {
  const std::string* text;
  HWND found;
};

BOOL CALLBACK FindButton(HWND child, LPARAM lp) {
  auto* s = reinterpret_cast<ButtonSearch*>(lp);
  if (Text(child) != *s->text) return TRUE;
  s->found = child;
  return FALSE;
}

int Click(HWND w, const Args& a) {
  ButtonSearch search{&a.button, nullptr};
  EnumChildWindows(w, FindButton, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return 1;
  PostMessageA(search.found, BM_CLICK, 0, 0);
  return 0;
}

int Run(const Args& a) {
  if (a.command == "gone") {
    const DWORD start = GetTickCount();
    while (Find(a)) {
      if (int(GetTickCount() - start) >= a.timeoutMs) return 1;
      Sleep(20);
    }
    return 0;
  }
  HWND w = WaitWindow(a);
  if (!w) {
    std::fprintf(stderr, "windriver: no window\n");
    return 1;
  }
  if (a.command == "wait") {
    std::printf("%p\n", static_cast<void*>(w));
    return 0;
  }
  if (a.command == "list") {
    List(w);
    return 0;
  }
  if (a.command == "key") return Key(w, a);
  if (a.command == "click") return Click(w, a);
  if (a.command == "send") {
    const UINT msg = a.registered.empty() ? a.msg : RegisterWindowMessageA(a.registered.c_str());
    DWORD_PTR result = 0;
    if (!a.child.empty() && !(w = FindWindowExA(w, nullptr, a.child.c_str(), nullptr))) return 1;
    if (!SendMessageTimeoutA(w, msg, WPARAM(a.wParam), LPARAM(a.lParam), SMTO_ABORTIFHUNG, 10000, &result)) {
      // Timed out, or the window counted as hung or was gone: say which, for a failing test's output.
      std::printf("windriver: send failed, error %lu, window %s\n", GetLastError(), IsWindow(w) ? "exists" : "gone");
      return 1;
    }
    std::printf("result=%ld\n", static_cast<long>(result));
    return 0;
  }
  if (a.command == "move") {
    if (!a.hasRect) return 2;
    // Sent, not posted: the window's thread has handled its WM_SIZE when this returns.
    return SetWindowPos(w, nullptr, a.rect.left, a.rect.top, a.rect.right, a.rect.bottom, SWP_NOZORDER | SWP_NOACTIVATE)
               ? 0
               : 1;
  }
  if (a.command == "close") {
    PostMessageA(w, a.sysCommand ? WM_SYSCOMMAND : WM_CLOSE, a.sysCommand ? SC_CLOSE : 0, 0);
    return 0;
  }
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  Args a;
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    Usage();
    return 0;
  }
  if (!Parse(argc, argv, a)) {
    Usage();
    return 2;
  }
  const int rc = Run(a);
  std::fflush(stdout);
  return rc;
}
