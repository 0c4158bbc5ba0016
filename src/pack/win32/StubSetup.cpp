// The setup run on the stub window's thread: space question, extraction with the window's bars,
// the engine's start and the waits for it and its dialogs, the exit code, and the clean-up.
#include "pack/StubSetup.h"

#include <windows.h>

#include "agent/StubGlob.h"
#include "pack/PackX.h"
#include "pack/SetupBoxes.h"
#include "pack/UnPack.h"
#include "pack/ZLibOpen.h"
#include "pack/win32/StubSetupWin.h"
#include "platform/System.h"
#include "stub/CmdLine.h"
#include "stub/Stub.h"
#include "stub/StubWin.h"
#include "stub/win32/ExtractWindow.h"
#include "ui/VMsgBox.h"
#include "util/Files.h"
#include "util/IniReg.h"
#include "util/Process.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {
LangLookup LangOf(const TGFileInfo& package) {
  return [&package](std::string_view key, std::string_view def) { return package.GetLangString(key, def); };
}

// The stub window's extraction interface with the run's boxes, noting whether the disk question
// was cancelled. A silent run cannot ask for a disk: it ends as cancelled.
class SetupExtractUI : public ExtractWindow {
 public:
  explicit SetupExtractUI(const SetupBoxes& boxes) : boxes_(boxes) {}
  bool diskCancelled = false;

  bool ConfirmNextDisk(std::string_view text, std::string_view caption, std::string_view buttons,
                       int charset) override {
    bool ok = boxes_.ConfirmOk(text, caption, buttons, charset, false);
    if (!ok) diskCancelled = true;
    return ok;
  }
  void ShowError(std::string_view text) override { boxes_.Error(text); }

 private:
  const SetupBoxes& boxes_;
};

// Deletes the shortcut a successful installation asks to remove, when it exists.
void RemoveShortcut(bool wanted, const std::string& link) {
  if (wanted && !link.empty() && FileExists(link)) {
    DebugLn("Removing shortcut " + link);
    DeleteFileByName(link);
  }
}

struct EngineRun {
  bool started = false;
  bool completed = false;  // the engine deleted the completion atom
};

// Starts the engine named by the marked entry and waits until it and its dialogs are gone.
EngineRun RunEngine(const std::string& folder, const std::string& markedEntry, std::string_view extra,
                    bool foreground) {
  EngineLaunch launch;
  launch.folder = folder;
  launch.markedEntry = markedEntry;
  launch.extra = std::string(extra);
  launch.threadTag = ThreadTag(CurrentThreadId());
  launch.ownPath = OwnExePath();
  launch.autoUpdateProg = OwnPackage().IsAutoUpdateAgent();
  const std::string command = EngineCommandLine(launch);
  DebugLn(IntToStr(CurrentProcessId()) + " ==== WinExec(Engine.exe) >>" + command + "<<");

  // Read before the engine runs: the engine may rewrite the settings files.
  const std::string startUpLink = StartUpLink();
  const std::string updateLink = CheckforNewUpdateLink();

  const std::string atomName = CompletionAtomName(launch.threadTag);
  GlobalAddAtomA(atomName.c_str());
  EngineRun run;
  KernelHandle process = RunProcess(command, foreground ? SW_SHOW : SW_HIDE);
  run.started = bool(process);
  ShowMainWindow(false);
  WaitPumping(1, 1000);
  WaitForProcess(process.get());
  DWORD code = 0;
  if (process && GetExitCodeProcess(process.get(), &code)) SetStubExitCode(int(code));
  // The engine's last dialogs may outlive its process (a reboot question left by a child).
  const std::string dialogClass = EngineDialogClass(launch.threadTag);
  WaitWhileWindowExists(dialogClass, "");
  WaitPumping(1, 1000);
  ATOM atom = GlobalFindAtomA(atomName.c_str());
  run.completed = atom == 0;
  if (atom) GlobalDeleteAtom(atom);

  if (run.completed) {
    RemoveShortcut(RemoveStartUpShortcut(), startUpLink);
    RemoveShortcut(RemoveCheckForNewUpdateShortcut(), updateLink);
  }
  return run;
}
}  // namespace

bool HasEnoughSpace(std::string_view folder, std::string_view packageFile) {
  TGFileInfo package(packageFile);
  return package.GetRequiredSpace(folder) < DiskFreeBytes(folder) && DirectoryExists(folder);
}

bool CheckTempSpace(std::string_view folder, const TGFileInfo& package, const SetupBoxes& boxes) {
  std::string text = SpaceQuestionText(package.ConfirmTempExtract(), folder, package.GetRequiredSpace(folder),
                                       DiskFreeBytes(folder), LangOf(package));
  if (text.empty()) return true;
  // Unasked, a silent run goes on: the extraction itself tells when the room runs out.
  return boxes.Confirm(text, package.GetLangString("Confirm", "Confirm"),
                       package.GetLangString("BtnText", kMsgBoxDefaultButtons), package.GetCharset(), true);
}

bool RunSetupPackage(std::string_view folder, std::string_view packageFile, std::string_view agentName,
                     std::string_view extraSwitches, bool foreground) {
  TGFileInfo package(packageFile);
  const std::string buttons = package.GetLangString("BtnText", kMsgBoxDefaultButtons);
  const int charset = package.GetCharset();
  if (package.ShowSecondaryBar()) ShowActivityBar(true);
  SetStatusText(package.GetLangString("s1", "Extracting Files..."), package.GetFontName(), charset,
                package.GetFontSize());

  std::string target(folder);
  if (!HasEnoughSpace(folder, packageFile) && HasAltTempFolder()) target = AltExtractFolder();
  DebugLn(std::string("========= ForegroundOp=") + BoolToText(foreground) + " ==========");

  const SetupBoxes boxes(!foreground);
  bool result = false;
  int failure = 0;  // our exit code when no engine runs
  if (foreground && !CheckTempSpace(target, package, boxes)) {
    failure = kExitSpaceDeclined;
  } else {
    const std::string diskPrompt =
        package.GetLangString("s8", "Please insert <B>DISK #<DISK_NUM></B> and press OK to continue");
    const std::string diskCaption = package.GetLangString("Attention", "Attention");
    if (foreground) ShowMainWindow(true);
    WaitPumping(1, 1000);
    const bool forcePrompt =
        ReadRegString("HKEY_CURRENT_USER\\Software\\Corvalen\\Velkit\\SpanDisk", "ForcePrompt", "0") == "1";
    SetupExtractUI ui(boxes);
    bool ok = false;
    std::string marked;
    std::string zlibError;
    try {
      ExtractPackage(packageFile, target, agentName, ok, ui, diskPrompt, diskCaption, buttons, charset, forcePrompt,
                     marked);
    } catch (const EZLibError& e) {
      zlibError = e.what();
    }
    WaitPumping(1, 1000);

    const std::string errorCaption = package.GetLangString("Error", "Error");
    const std::string badCrc =
        package.GetLangString("s7", "Bad CRC!<P>This indicates that your setup file might be corrupted...");
    if (!ok) {
      boxes.Error(badCrc, errorCaption, buttons, charset);
      failure = kExitBadPackage;
    } else if (!zlibError.empty()) {
      // A damaged entry that the checksum did not catch (checksum off, or a file above its limit).
      boxes.Error(badCrc + "<P><P>" + zlibError, errorCaption, buttons, charset);
      failure = kExitBadPackage;
    } else if (marked.empty()) {
      failure = ui.diskCancelled ? kExitCancelled : kExitNoEngine;
    } else {
      EngineRun run = RunEngine(target, marked, extraSwitches, foreground);
      result = run.completed;
      if (!run.started) failure = kExitEngineNotStarted;
    }
  }
  if (failure != 0) {
    DebugLn("Setup run ended without an engine, exit code " + IntToStr(failure));
    SetStubExitCode(failure);
  }
  RemoveAltExtractFolder();
  return result;
}

void StartSetupRun() {
  StopMainTimer();
  const TGFileInfo& own = OwnPackage();
  const std::string agentName = own.InstallsAgent() ? own.GetAgentExeName() : std::string();
  const std::string workFolder = SetupWorkFolder();
  if (own.IsWebSetup()) {
    StartWebSetupRun(workFolder, agentName);
  } else {
    std::string packageFile = OwnExePath();
    // A relaunched copy reads the part files of the setup that started it.
    std::string firstPart = ReadParamStr("/SpanDiskFName1=");
    if (!firstPart.empty()) packageFile = firstPart;
    const bool hidden = ParamExists("/hide") || own.GetHideFlag();
    RunSetupPackage(workFolder, packageFile, agentName, GetCmdParams(), !hidden);
  }
  RemoveFolderTree(workFolder, false);
  PostQuitMessage(0);
}
