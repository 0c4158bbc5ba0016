// informprobe: shows our inform dialog from a real Win32 program, so that the Wine tests can measure
// it with the window driver, press its button or close it. The dialog is owned by a hidden window
// of the probe that stands in for the agent's main window: it answers message 1125 with
// 1125 + wParam while the dialog is open. Commands:
//   informprobe dialog [--content T | --content-file F] [--address A] [--title T] [--button T]
//                      [--width N] [--height N] [--font FACE] [--size N] [--charset N] [--rtl]
//                      [--quit-while-open]
//       the inform dialog (ShowInform with the Win32 side) with these values
//   informprobe agent --dir AGENTDIR --token TOKEN
//       PerformAutoInform over AGENTDIR\App.original and AGENTDIR\App.info, with the update
//       source a local folder (DownloadURL_UPDATE): the inform file is copied into AGENTDIR and
//       refused (deleted, "refused" printed) unless it carries TOKEN, as the agent's fetch does
// Prints "ready ..." once the dialog stands: the work area, the screen's dots per inch, the focus
// window's class, the text control's default and first character face, its bold characters, the
// button font's face, height and charset, and the control's plain text. "result=0|1" when the
// dialog (or PerformAutoInform) returns. With --quit-while-open the probe posts a quit message
// once the dialog stands, prints "quit-passed" when its loop has gone past it, and "quit=N" when
// the quit reaches the probe's own loop after the dialog.
// Exit code 0, or 2 for bad arguments.
#include <windows.h>
// after windows.h, which it needs
#include <richedit.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../common/RichEditRead.h"
#include "agent/AutoInform.h"
#include "agent/InformFile.h"
#include "agent/IniStore.h"
#include "agent/UpdateSettings.h"
#include "agent/win32/InformDialog.h"
#include "util/Files.h"
#include "util/Utils.h"
#include "util/VDebug.h"
#include "../common/Help.h"

namespace {
constexpr int kQuitCode = 7;
constexpr UINT kAgentCommand = 1125;

struct Options {
  std::string command;
  InformDialogRequest request;
  std::string dir, token;
  bool quitWhileOpen = false;
};
Options opts;
HWND g_owner = nullptr;

void Print(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::string Escaped(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
  return out;
}

bool Parse(int argc, char** argv) {
  if (argc < 2) return false;
  opts.command = argv[1];
  InformDialogRequest& r = opts.request;
  r.title = "New Version";
  r.buttonCaption = "Download";
  r.fontName = "Tahoma";
  for (int i = 2; i < argc; ++i) {
    const std::string opt = argv[i];
    if (opt == "--rtl") {
      r.rightToLeft = true;
      continue;
    }
    if (opt == "--quit-while-open") {
      opts.quitWhileOpen = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string v = argv[++i];
    if (opt == "--content")
      r.content = v;
    else if (opt == "--content-file")
      r.content = ReadFileRange(v);
    else if (opt == "--address")
      r.address = v;
    else if (opt == "--title")
      r.title = v;
    else if (opt == "--button")
      r.buttonCaption = v;
    else if (opt == "--width")
      r.width = std::atoi(v.c_str());
    else if (opt == "--height")
      r.height = std::atoi(v.c_str());
    else if (opt == "--font")
      r.fontName = v;
    else if (opt == "--size")
      r.fontSize = std::atoi(v.c_str());
    else if (opt == "--charset")
      r.charSet = std::atoi(v.c_str());
    else if (opt == "--dir")
      opts.dir = v;
    else if (opt == "--token")
      opts.token = v;
    else
      return false;
  }
  return opts.command == "dialog" || (opts.command == "agent" && !opts.dir.empty());
}

std::string FaceAt(HWND edit, bool defaultFormat) {
  CHARFORMATA cf{};
  cf.cbSize = sizeof cf;
  if (!defaultFormat) {
    CHARRANGE first{0, 1};
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&first));
  }
  SendMessageA(edit, EM_GETCHARFORMAT, defaultFormat ? SCF_DEFAULT : SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  CHARRANGE none{0, 0};
  SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
  return cf.szFaceName;
}

std::string ButtonFont(HWND button) {
  if (!button) return "buttonface= buttonheight=0 buttoncharset=0";
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0));
  LOGFONTA lf{};
  GetObjectA(font, sizeof lf, &lf);
  return std::string("buttonface=") + lf.lfFaceName + " buttonheight=" + std::to_string(lf.lfHeight) +
         " buttoncharset=" + std::to_string(lf.lfCharSet) + " buttonfamily=" + std::to_string(lf.lfPitchAndFamily);
}

std::string ClassName(HWND w) {
  char buf[64] = {};
  if (w) GetClassNameA(w, buf, sizeof buf);
  return buf;
}

void CALLBACK QuitPassed(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  Print("quit-passed");
}

// Runs inside the dialog's loop once the dialog stands.
void CALLBACK DialogReady(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = FindWindowA(kInformWindowClass, nullptr);
  DWORD pid = 0;
  if (!dialog || (GetWindowThreadProcessId(dialog, &pid), pid != GetCurrentProcessId())) return;
  KillTimer(nullptr, id);
  HWND edit = FindWindowExA(dialog, nullptr, "RICHEDIT", nullptr);
  HWND button = FindWindowExA(dialog, nullptr, "Button", nullptr);
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  const int len = GetWindowTextLengthA(edit);
  std::string text(size_t(len) + 1, '\0');
  GetWindowTextA(edit, text.data(), len + 1);
  text.resize(size_t(len));
  Print("ready workarea=" + std::to_string(work.left) + "," + std::to_string(work.top) + "," +
        std::to_string(work.right - work.left) + "," + std::to_string(work.bottom - work.top) +
        " dpi=" + std::to_string(dpi) + " focus=" + ClassName(GetFocus()) + " defaultface=" + FaceAt(edit, true) +
        " firstface=" + FaceAt(edit, false) + " " + ButtonFont(button) + " bold=" + BoldRuns(edit) +
        " text=" + Escaped(text));
  if (opts.quitWhileOpen) {
    PostQuitMessage(kQuitCode);
    // A timer comes only after a waiting quit message has been taken from the queue.
    SetTimer(nullptr, 0, 1, QuitPassed);
  }
}

LRESULT CALLBACK OwnerProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kAgentCommand) return LRESULT(kAgentCommand + wParam);
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

HWND MakeOwner() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "VelkitInformProbeOwner";
  RegisterClassA(&wc);
  return CreateWindowA(wc.lpszClassName, "Velkit inform probe", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                       wc.hInstance, nullptr);
}

// The dialog side of PerformAutoInform: the Win32 dialog, saying when the address opens at once.
class ProbeUi : public InformUi {
 public:
  ProbeUi() : ui_(g_owner) {}
  bool RunDialog(const InformDialogRequest& request) override { return ui_.RunDialog(request); }
  void OpenAddress(std::string_view address) override {
    Print("open-at-once");
    ui_.OpenAddress(address);
  }

 private:
  Win32InformUi ui_;
};

// The check's side of an inform with a local update folder, as the agent's fetch treats one: the
// file copied into dir under its file-name part, and deleted when its token is not ours.
InformFetch FetchInform(const InfoFile& info, const std::string& dir, const std::string& token) {
  InformFetch fetch;
  if (!BeginAutoInform(info)) return fetch;
  Print("activity=2");
  Print("note=41,1");
  const std::string fileName = ExtractFileName(info.NameOfInformFile());
  const std::string content = ReadFileRange(SetTrailingBackslash(info.DownloadURL_UPDATE(), true) + fileName);
  const std::string target = dir + fileName;
  if (!content.empty() && WriteFileData(target, content)) {
    fetch.fetched = InformTokenMatches(content, token);
    if (!fetch.fetched) {
      DeleteFileByName(target);
      WriteStubLog("ERROR: Bad Secret Token!");
      Print("refused");
    }
  }
  Print("note=41,2");
  if (fetch.fetched) fetch.text = ReadFileRange(target);
  return fetch;
}

}  // namespace

constexpr const char* kUsage = R"(usage: informprobe dialog [--content T | --content-file F] [--address A] [--title T] [--button T]
                          [--width N] [--height N] [--font FACE] [--size N] [--charset N] [--rtl]
                          [--quit-while-open]
       informprobe agent --dir AGENTDIR --token TOKEN
The inform dialog from a real Win32 program, or PerformAutoInform over AGENTDIR, for the tests.
)";

int main(int argc, char** argv) {
  if (PrintHelpIfAsked(argc, argv, kUsage)) return 0;
  if (!Parse(argc, argv)) {
    std::fputs("usage: informprobe dialog [options] | informprobe agent --dir AGENTDIR --token TOKEN\n", stderr);
    return 2;
  }
  g_owner = MakeOwner();
  SetTimer(nullptr, 0, 1, DialogReady);
  bool result = false;
  if (opts.command == "dialog") {
    Win32InformUi ui(g_owner);
    result = ShowInform(opts.request, ui);
  } else {
    const std::string dir = SetTrailingBackslash(opts.dir, true);
    IniFileStore ini;
    OverrideList overrides;
    OriginalFile original(ini, dir + "App.original");
    InfoFile info(ini, dir + "App.info", overrides);
    const InformFetch fetch = FetchInform(info, dir, opts.token);
    ProbeUi ui;
    result = PerformAutoInform(original, info, fetch, ui);
  }
  Print(std::string("result=") + (result ? "1" : "0"));
  if (opts.quitWhileOpen) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    Print("quit=" + std::to_string(msg.wParam));
  }
  DestroyWindow(g_owner);
  return 0;
}
