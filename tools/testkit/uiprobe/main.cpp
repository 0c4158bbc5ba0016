// Shows our message box or runs our stub window from a real Win32 program, so that the Wine tests
// can look at them with the window driver and answer them:
//   uiprobe box [--mode N] [--text T] [--caption C] [--buttons L] [--charset N] [--flags N]
//               [--timeout ms] [--font FACE,SIZE,CHARSET]
//       MsgBoxEx with these arguments; prints "ready ..." once the box stands (with the metrics its
//       text was measured with, its bold characters and its text) and "result=N" when it returns.
//   uiprobe disk [--text T] [--caption C] [--buttons L] [--charset N]
//       the extraction's next-disk question through the stub window's interface; "result=1" on OK.
//   uiprobe stubwin [--class C] [--title T] [--charset N] [--status T] [--progress LIST]
//       WinMain; on the first tick shows the window, sets the status line with that charset and
//       replays the progress calls ("kind,max,pos,step;..."), then prints "ready workarea=x,y,w,h";
//       "closed" at the end.
//       Message 1125 answers with 1125 + wParam. Both windows answer "QueryCancelAutoPlay".
// Exit code 0, or 2 for bad arguments.
#include <windows.h>
// after windows.h, which it needs
#include <richedit.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../common/RichEditRead.h"
#include "stub/StubWin.h"
#include "ui/MsgBoxMarkup.h"
#include "ui/VMsgBox.h"
#include "util/win32/WinSys.h"

namespace {
struct Options {
  std::string command;
  intptr_t mode = 1;
  std::string text = "Hello";
  std::string caption = "Probe";
  std::string buttons = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";
  int charset = 0;
  uint32_t flags = 0;
  int timeoutMs = 0;
  std::string fontFace;
  int fontSize = 0;
  int fontCharset = 1;
  std::string className = "VelkitProbeWindow";
  std::string title = "Velkit Installation Suite";
  std::string status;
  std::string progress;
};

Options opts;

void Print(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::string Escaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

bool Parse(int argc, char** argv) {
  if (argc < 2) return false;
  opts.command = argv[1];
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string opt = argv[i];
    const char* v = argv[i + 1];
    if (opt == "--mode") {
      opts.mode = std::strtol(v, nullptr, 0);
    } else if (opt == "--text") {
      opts.text = v;
    } else if (opt == "--caption") {
      opts.caption = v;
    } else if (opt == "--buttons") {
      opts.buttons = v;
    } else if (opt == "--charset") {
      opts.charset = std::atoi(v);
    } else if (opt == "--flags") {
      opts.flags = uint32_t(std::strtoul(v, nullptr, 0));
    } else if (opt == "--timeout") {
      opts.timeoutMs = std::atoi(v);
    } else if (opt == "--font") {
      char face[64] = {};
      if (std::sscanf(v, "%63[^,],%d,%d", face, &opts.fontSize, &opts.fontCharset) < 1) return false;
      opts.fontFace = face;
    } else if (opt == "--class") {
      opts.className = v;
    } else if (opt == "--title") {
      opts.title = v;
    } else if (opt == "--status") {
      opts.status = v;
    } else if (opt == "--progress") {
      opts.progress = v;
    } else {
      return false;
    }
  }
  return (argc % 2) == 0;
}

HWND FindChild(HWND parent, const char* cls) { return FindWindowExA(parent, nullptr, cls, nullptr); }

// Widths of the lines of the box's plain text in the box's font, and the font's line height.
std::string Metrics() {
  const MsgBoxFont& f = GetMsgBoxFont();
  HFONT font =
      CreateFontA(-PointsToPixels(f.size), 0, 0, 0, 0, 0, 0, 0, DWORD(f.charset), 0, 0, 0, FF_SWISS, f.face.c_str());
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  const MarkedText marked =
      ParseMsgBoxMarkup(PrepareMsgBoxEx(opts.mode, opts.text, opts.caption, opts.charset, 0).text);
  std::string widths;
  std::string text = marked.text.empty() ? " " : marked.text;
  for (size_t from = 0; from < text.size();) {
    size_t end = text.find("\r\n", from);
    std::string line = text.substr(from, end == std::string::npos ? std::string::npos : end - from);
    SIZE s{};
    GetTextExtentPoint32A(dc, line.data(), int(line.size()), &s);
    widths += (widths.empty() ? "" : ",") + std::to_string(s.cx);
    if (end == std::string::npos) break;
    from = end + 2;
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return "lineheight=" + std::to_string(tm.tmHeight + tm.tmExternalLeading) + " widths=" + widths +
         " frame=" + std::to_string(GetSystemMetrics(SM_CXFRAME)) + "," + std::to_string(GetSystemMetrics(SM_CYFRAME)) +
         " caption=" + std::to_string(GetSystemMetrics(SM_CYCAPTION));
}

// Runs inside the box's own loop once the box stands.
void CALLBACK BoxReady(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = FindWindowA("VMsgBox", nullptr);
  if (!box) return;
  KillTimer(nullptr, id);
  HWND edit = FindChild(box, "RICHEDIT");
  if (!edit) edit = FindChild(box, "EDIT");
  char text[4096] = {};
  GetWindowTextA(edit, text, sizeof text);
  Print("ready " + Metrics() + " bold=" + BoldRuns(edit) + " text=" + Escaped(text));
}

int Box() {
  if (!opts.fontFace.empty()) SetMsgBoxFont(opts.fontFace, opts.fontSize, opts.fontCharset);
  SetTimer(nullptr, 0, 1, BoxReady);
  const int result =
      MsgBoxEx(opts.mode, opts.text, opts.caption, opts.buttons, opts.charset, opts.flags, opts.timeoutMs);
  Print("result=" + std::to_string(result));
  return 0;
}

int NextDisk() {
  SetTimer(nullptr, 0, 1, BoxReady);
  // The next-disk question as the setup run asks it.
  const bool ok = ConfirmOkMsg(0, opts.text, opts.caption, opts.buttons, opts.charset);
  Print("result=" + std::to_string(ok ? 1 : 0));
  return 0;
}

void ReplayProgress() {
  const char* p = opts.progress.c_str();
  while (*p) {
    int kind = 0, max = 0, pos = 0, step = 0;
    const int n = std::sscanf(p, "%d,%d,%d,%d", &kind, &max, &pos, &step);
    if (n >= 1 && kind == 0) StubBars().Reset(max, pos, step);
    if (n >= 1 && kind == 1) StubBars().Step("");
    const char* next = std::strchr(p, ';');
    if (!next) break;
    p = next + 1;
  }
}

void FirstTick() {
  StopMainTimer();
  ShowMainWindow(true);
  if (!opts.status.empty()) SetStatusText(opts.status, "Tahoma", opts.charset, 8);
  ReplayProgress();
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  Print("ready workarea=" + std::to_string(work.left) + "," + std::to_string(work.top) + "," +
        std::to_string(work.right - work.left) + "," + std::to_string(work.bottom - work.top));
}

// Agent command messages answer with message number + wParam, so a test sees the hook's result.
intptr_t ControlMessage(unsigned msg, uintptr_t wParam, intptr_t) { return intptr_t(msg + wParam); }

int StubWindow() {
  StubWinOptions o;
  o.onControlMessage = ControlMessage;
  o.className = opts.className;
  o.title = opts.title;
  o.charset = opts.charset;
  o.onTimer = FirstTick;
  StubWin::WinMain(o);
  Print("closed");
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  PreloadSystemLibraries();  // as the stub does before its first window
  if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
    Print(
        "usage: uiprobe box [--mode N] [--text T] [--caption C] [--buttons L] [--charset N] [--flags N]\n"
        "                   [--timeout ms] [--font FACE,SIZE,CHARSET]\n"
        "       uiprobe disk [--text T] [--caption C] [--buttons L] [--charset N]\n"
        "       uiprobe stubwin [--class C] [--title T] [--charset N] [--status T] [--progress k,max,pos,step;...]");
    return 0;
  }
  if (!Parse(argc, argv)) return 2;
  // As the extraction does before asking for the next disk: the windows now answer AutoPlay.
  EnableAutoPlayCancel(true);
  if (opts.command == "box") return Box();
  if (opts.command == "stubwin") return StubWindow();
  if (opts.command == "disk") return NextDisk();
  return 2;
}
