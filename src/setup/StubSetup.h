// The setup run: asks about space, extracts the package, starts the setup engine with its own
// command line, waits for it and its dialogs, and says how it ended. A request comes in and an
// outcome goes out; the window, the boxes and the engine's process come through SetupHost, so the
// whole decision flow runs and is tested on the host (SetupRun.cpp), and the names and texts are
// pure functions (StubSetup.cpp).
#pragma once
#include <functional>
#include <string>
#include <string_view>

class TGFileInfo;

// Process exit codes of a run that ended before an engine ran. Whenever an engine ran, its own
// exit code is the process's; these tell a script why nothing was installed.
enum SetupExitCode : int {
  kExitBadPackage = 90,        // checksum failed, package unreadable or damaged
  kExitCancelled = 91,         // the user cancelled (disk question, download question, closed window),
                               // or a silent run missed a part file
  kExitSpaceDeclined = 92,     // the space question was answered No
  kExitNoEngine = 93,          // the package has no marked entry
  kExitEngineNotStarted = 94,  // the engine could not be started
  kExitDownloadFailed = 95,    // a web setup could not fetch or verify its package
  kExitNoWindow = 96,          // the stub window could not be made (a class name too long, say)
  kExitRelaunchFailed = 97,    // the span-disk relaunch could not copy or start its copy
  kExitBadSignature = 98,      // a web setup's package lacks a valid signature by the product's key
};

// --- names shared with the setup engine
// "_" + the decimal id of the thread that runs the setup run.
std::string ThreadTag(unsigned long threadId);
// Global atom the engine deletes to report a completed installation.
std::string CompletionAtomName(std::string_view threadTag);
// Window class of the engine's dialogs; the run waits while one exists.
std::string EngineDialogClass(std::string_view threadTag);

// --- texts
// Byte count as megabytes: negative as 0, "." as decimal separator, 1 decimal above 10, 3 below
// 1, else 2 (0 -> "0.000", 1048576 -> "1.00", 10.5 MB -> "10.5").
std::string SizeToMBText(double bytes);
// Deletes the first exact-case occurrence of name from its "/" up to, not including, the next "/"
// (or to the end); unchanged when name does not occur.
std::string RemoveSwitch(std::string_view command, std::string_view name);

struct EngineLaunch {
  std::string folder;       // extraction folder, no trailing backslash
  std::string markedEntry;  // "Engine.exe*" or "Engine.exe* /x", as the extraction reported it
  std::string extra;        // the stub's own parameter part
  std::string threadTag;
  std::string ownPath;  // named by "/OriginExe=" unless extra already carries one
  bool autoUpdateProg = false;
};
// folder\run-name [extra] /TH_ID=tag [/OriginExe="own path"] [/AutoUpdateProg], without the
// stub's "/SpanCdLvl=" and "/SpanDiskFName1=".
std::string EngineCommandLine(const EngineLaunch& launch);

// A language string: key and compiled default in, the text of the package's language out.
using LangLookup = std::function<std::string(std::string_view key, std::string_view def)>;
// The space question's text, or empty when nothing needs asking: asked when the package wants it
// (confirmTempExtract) or when required >= free; "<DRIVE>" is the folder's drive letter + ":".
std::string SpaceQuestionText(bool confirmTempExtract, std::string_view folder, double required, double free,
                              const LangLookup& lang);

// --- the run
// What a setup run is asked to do.
struct SetupRequest {
  std::string packageFile;      // the stub itself, the first part file, or a downloaded package
  std::string folder;           // the setup work folder, where the entries go
  std::string agentName;        // written as an agent copy beside the entries; empty for none
  std::string extraSwitches;    // the stub's own parameter part, passed on to the engine
  std::string ownPath;          // the setup file, named by "/OriginExe="
  bool autoUpdateProg = false;  // the own package's auto-update flag: "/AutoUpdateProg"
  bool foreground = true;       // false for a silent run: no question, no window, the engine hidden
  // The installed application's settings files (empty when the process has none): a completed
  // installation may ask to remove the shortcuts they name.
  std::string infoFile;
  std::string originalFile;
};

// Why a setup run ended.
enum class SetupCause {
  EngineRan,         // the engine ran; the exit code is its own
  Damaged,           // checksum failed, no package could be read, or a compressed entry was corrupt
  Cancelled,         // the user cancelled: a disk question, the download question, or closed the window
  SpaceDeclined,     // the space question was answered No
  NoEngine,          // the package has no marked entry
  EngineNotStarted,  // the engine could not be started
  DownloadFailed,    // a web setup could not fetch or verify its package
  BadSignature,      // a web setup's package is not signed by the product's key
};

struct SetupOutcome {
  SetupCause cause = SetupCause::EngineRan;
  int exitCode = 0;         // the process's exit code for this run
  bool completed = false;   // the engine reported a completed installation
  std::string systemError;  // the system's (or zlib's, or the download's) text behind a failure
};

// The exit code of a run that ended for cause (the engine's own when it ran).
int SetupExitCodeFor(SetupCause cause, int engineExitCode);
const char* SetupCauseName(SetupCause cause);

class SetupHost;
// Extracts the package into the request's folder (or an alternative extraction folder when the
// temporary drive is short of room) and runs its engine, asking first about space in the
// foreground.
SetupOutcome RunSetupPackage(const SetupRequest& request, SetupHost& host);
class SetupBoxes;
// The space question; true to go on (also when nothing needed asking, or nobody can be asked).
bool CheckTempSpace(std::string_view folder, const TGFileInfo& package, const SetupBoxes& boxes);
// Required space of the package for the folder's drive < free space there, and the folder exists.
bool HasEnoughSpace(std::string_view folder, const TGFileInfo& package);
