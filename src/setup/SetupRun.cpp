// The setup run's decision flow: where to extract, the space question, the extraction with the
// host's bars, what the extraction's result means, the engine's start and the clean-up after it.
// Everything the user sees and the engine's process come through SetupHost.
#include <utility>

#include "pack/InfoFileKeys.h"
#include "pack/PackX.h"
#include "pack/UnPack.h"
#include "platform/System.h"
#include "setup/SetupBoxes.h"
#include "setup/SetupExtractUI.h"
#include "setup/SetupFolders.h"
#include "setup/SetupHost.h"
#include "setup/StubSetup.h"
#include "ui/VMsgBox.h"
#include "util/Files.h"
#include "util/IniReg.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {
LangLookup LangOf(const TGFileInfo& package) {
  return [&package](std::string_view key, std::string_view def) { return package.GetLangString(key, def); };
}

bool IniFlag(const std::string& file, const char* section, const char* key) {
  return !file.empty() && ReadIniString(file, section, key, "0") == "1";
}

std::string IniText(const std::string& file, const char* section, const char* key) {
  return file.empty() ? std::string() : ReadIniString(file, section, key, "");
}

// Deletes the shortcut a successful installation asks to remove, when it exists.
void RemoveShortcut(bool wanted, const std::string& link) {
  if (wanted && !link.empty() && FileExists(link)) {
    DebugLn("Removing shortcut " + link);
    DeleteFileByName(link);
  }
}

SetupOutcome Ended(SetupCause cause, std::string systemError = {}) {
  SetupOutcome outcome;
  outcome.cause = cause;
  outcome.exitCode = SetupExitCodeFor(cause, 0);
  outcome.systemError = std::move(systemError);
  return outcome;
}

// The engine's run: the completion atom first, so that only an atom that was there for the engine
// to delete can report a completed installation; the start; the window hidden; the waits for the
// process and for the dialogs that may outlive it (a reboot question left by a child); the atom's
// check, which also takes away an atom the engine left.
EngineRun RunEngineProcess(const EngineStart& start, SetupHost& host) {
  EnginePort& engine = host.Engine();
  int64_t error = 0;
  const bool atomAdded = engine.AddGlobalAtom(start.atomName, error);
  if (!atomAdded) DebugLn("Completion atom not added, error " + IntToStr(error));
  EngineRun run;
  run.started = engine.Start(start.command, start.show, run.systemError);
  host.ShowWindow(false);
  host.WaitPumping(1, 1000);
  run.exitCode = engine.WaitForExit();
  engine.WaitWhileWindowExists(start.dialogClass);
  host.WaitPumping(1, 1000);
  const uint16_t atom = engine.FindGlobalAtom(start.atomName);
  run.completed = atomAdded && atom == 0;
  if (atom) engine.DeleteGlobalAtom(atom);
  return run;
}

// Starts the engine named by the marked entry and waits until it and its dialogs are gone.
SetupOutcome RunEngine(const SetupRequest& request, const std::string& folder, const std::string& markedEntry,
                       SetupHost& host) {
  EngineLaunch launch;
  launch.folder = folder;
  launch.markedEntry = markedEntry;
  launch.extra = request.extraSwitches;
  launch.threadTag = ThreadTag(CurrentThreadId());
  launch.ownPath = request.ownPath;
  launch.autoUpdateProg = request.autoUpdateProg;
  EngineStart start;
  start.command = EngineCommandLine(launch);
  start.show = request.foreground;
  start.atomName = CompletionAtomName(launch.threadTag);
  start.dialogClass = EngineDialogClass(launch.threadTag);
  DebugLn(IntToStr(CurrentProcessId()) + " ==== WinExec(Engine.exe) >>" + start.command + "<<");

  // Read before the engine runs: the engine may rewrite the settings files.
  using namespace OriginalKey;
  const std::string startUpLink = IniText(request.originalFile, kUnInstall.data(), kStartUpLink.data());
  const std::string updateLink = IniText(request.originalFile, kUnInstall.data(), kCheckforNewUpdateLink.data());

  const EngineRun run = RunEngineProcess(start, host);
  if (!run.started) return Ended(SetupCause::EngineNotStarted, run.systemError);
  if (run.completed) {
    using namespace InfoKey;
    RemoveShortcut(IniFlag(request.infoFile, kNewSetup.data(), kRemoveStartUpShortcut.data()), startUpLink);
    RemoveShortcut(IniFlag(request.infoFile, kNewSetup.data(), kRemoveCheckForNewUpdateShortcut.data()), updateLink);
  }
  SetupOutcome outcome;
  outcome.exitCode = run.exitCode;
  outcome.completed = run.completed;
  return outcome;
}

// Extracts and, when the extraction gave an engine, runs it.
SetupOutcome ExtractAndRun(const SetupRequest& request, const std::string& target, const TGFileInfo& package,
                           SetupHost& host, const SetupBoxes& boxes) {
  const std::string buttons = package.GetLangString("BtnText", kMsgBoxDefaultButtons);
  const int charset = package.GetCharset();
  const std::string diskPrompt =
      package.GetLangString("s8", "Please insert <B>DISK #<DISK_NUM></B> and press OK to continue");
  const std::string diskCaption = package.GetLangString("Attention", "Attention");
  if (request.foreground) host.ShowWindow(true);
  host.WaitPumping(1, 1000);
  const bool forcePrompt =
      ReadRegString("HKEY_CURRENT_USER\\Software\\Corvalen\\Velkit\\SpanDisk", "ForcePrompt", "0") == "1";
  SetupExtractUI ui(host, boxes, {diskPrompt, diskCaption, buttons, charset});
  const ExtractResult extracted = ExtractPackage(request.packageFile, target, request.agentName, ui, forcePrompt);
  host.WaitPumping(1, 1000);

  const std::string errorCaption = package.GetLangString("Error", "Error");
  const std::string badCrc =
      package.GetLangString("s7", "Bad CRC!<P>This indicates that your setup file might be corrupted...");
  switch (extracted.end) {
    case ExtractEnd::NotAccepted:
      boxes.Error({badCrc, errorCaption, buttons, charset});
      return Ended(SetupCause::Damaged);
    case ExtractEnd::DamagedEntry:
      // A damaged entry that the checksum did not catch (checksum off, or a file above its limit).
      boxes.Error({badCrc + "<P><P>" + extracted.zlibError, errorCaption, buttons, charset});
      return Ended(SetupCause::Damaged, extracted.zlibError);
    case ExtractEnd::Cancelled:
      // The user gave up a disk or closed the window: a cancel, which says nothing more.
      return Ended(SetupCause::Cancelled);
    case ExtractEnd::Done:
      break;
  }
  if (extracted.markedEntry.empty()) return Ended(SetupCause::NoEngine);
  return RunEngine(request, target, extracted.markedEntry, host);
}
}  // namespace

bool HasEnoughSpace(std::string_view folder, const TGFileInfo& package) {
  return package.GetRequiredSpace(folder) < DiskFreeBytes(folder) && DirectoryExists(folder);
}

bool CheckTempSpace(std::string_view folder, const TGFileInfo& package, const SetupBoxes& boxes) {
  std::string text = SpaceQuestionText(package.ConfirmTempExtract(), folder, package.GetRequiredSpace(folder),
                                       DiskFreeBytes(folder), LangOf(package));
  if (text.empty()) return true;
  // Unasked, a silent run goes on: the extraction itself tells when the room runs out.
  return boxes.Confirm({text, package.GetLangString("Confirm", "Confirm"),
                        package.GetLangString("BtnText", kMsgBoxDefaultButtons), package.GetCharset()},
                       true);
}

SetupOutcome RunSetupPackage(const SetupRequest& request, SetupHost& host) {
  const TGFileInfo package(request.packageFile);
  // The first save failure of each run shows its box, also in an agent that runs for months.
  ResetSaveFailureCount();
  if (package.ShowSecondaryBar()) host.ShowActivityBar(true);
  host.SetStatusText(package.GetLangString("s1", "Extracting Files..."), package.GetFontName(), package.GetCharset(),
                     package.GetFontSize());

  // The alternative folders are chosen per run, never kept: an agent's drives change over months.
  const std::string altFolder =
      HasEnoughSpace(request.folder, package) ? std::string() : MakeAltExtractFolder(AltTempFolder());
  const std::string target = altFolder.empty() ? request.folder : altFolder;
  DebugLn(std::string("========= ForegroundOp=") + BoolToText(request.foreground) + " ==========");

  const SetupBoxes boxes(host, !request.foreground);
  const SetupOutcome outcome = request.foreground && !CheckTempSpace(target, package, boxes)
                                   ? Ended(SetupCause::SpaceDeclined)
                                   : ExtractAndRun(request, target, package, host, boxes);
  if (outcome.cause != SetupCause::EngineRan)
    DebugLn("Setup run ended without an engine, exit code " + IntToStr(outcome.exitCode));
  if (!altFolder.empty()) RemoveFolderTree(altFolder, false);
  return outcome;
}
