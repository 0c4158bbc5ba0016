// The setup run: finds the package, asks about space, extracts it, starts the setup engine with
// its own command line, waits for it and its dialogs, and keeps its exit code. The pure pieces
// (texts, the engine's command line, the exit codes of a run that failed before the engine) are
// portable and tested on the host; the run itself is Win32 (win32/StubSetup.cpp).
#pragma once
#include <functional>
#include <string>
#include <string_view>

class SetupBoxes;
class TGFileInfo;

// Process exit codes of a setup run that ended before an engine ran. Whenever an engine ran, its
// own exit code is the process's; these tell a script why nothing was installed.
enum SetupExitCode : int {
  kExitBadPackage = 90,        // checksum failed, package unreadable or damaged
  kExitCancelled = 91,         // the user cancelled (disk question, download question)
  kExitSpaceDeclined = 92,     // the space question was answered No
  kExitNoEngine = 93,          // the package has no marked entry
  kExitEngineNotStarted = 94,  // the engine could not be started
  kExitDownloadFailed = 95,    // a web setup could not fetch or verify its package
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

// --- the run (Win32)
// The first timer tick of a plain install stub: runs the whole setup once.
void StartSetupRun();
// Extracts packageFile into folder and runs its engine; true when the engine deleted the
// completion atom. foreground: questions and the stub window may be shown.
bool RunSetupPackage(std::string_view folder, std::string_view packageFile, std::string_view agentName,
                     std::string_view extraSwitches, bool foreground);
// The space question; true to go on (also when nothing needed asking, or nobody can be asked).
bool CheckTempSpace(std::string_view folder, const TGFileInfo& package, const SetupBoxes& boxes);
// Required space of the package for the folder's drive < free space there, and the folder exists.
bool HasEnoughSpace(std::string_view folder, std::string_view packageFile);
// A web setup (the package's web flag): writes the agent copy when agentName is set, then finds or
// downloads the package named by the web block and runs it (FetchAndRunWebSetup).
void StartWebSetupRun(std::string_view workFolder, std::string_view agentName);
void FetchAndRunWebSetup(std::string_view folder, std::string_view source, std::string_view packageName);
