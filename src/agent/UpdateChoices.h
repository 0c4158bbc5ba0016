// The choices of an update once a check said OK, apart from the work they steer: where a file is
// fetched from and what a failed fetch tells the user (DownloadFileAU), which questions come
// before the download and the install, how the running program is shut down and whether it is
// started again, the update run's file and switches, the finish message (PerformAutoUpdate), and
// the command that restarts the agent (ReStartAutoUpdateExe). The Win32 side asks these and does
// what they say; they read the settings at the moment they are asked.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "agent/OverrideList.h"
#include "agent/UpdateSettings.h"

// --- fetching (DownloadFileAU)
enum class FetchKind : int { Info = 1, Update = 2, Inform = 3 };

// The folder a file is fetched from: the source, or the test folder in test mode.
std::string FetchSource(std::string_view source, bool testMode, std::string_view testFolder);
// Folder + "\" + the file-name part of name: where a local or network copy is looked for.
std::string FetchLocalLocation(std::string_view folder, std::string_view name);
// Folder + "/" + the file-name part of name: the web address.
std::string FetchWebLocation(std::string_view folder, std::string_view name);
// Number of the status-line text of the kind (s31, s32, s33).
int FetchStatusTextNumber(FetchKind kind);
// The agent's window shows itself during the fetch of an update setup that was asked for
// (RequestConfirmationBeforeDownload, outside manual mode).
bool FetchIsVisible(FetchKind kind, const InfoFile& info, bool manual);
// A failed fetch of an update or inform file is told only when a download question was asked
// and the location is longer than 2 characters.
bool TellsFetchFailure(std::string_view error, std::string_view location, const InfoFile& info);
// A local or network location ("X:" or "\\"); anything else is a web address.
bool IsFolderLocation(std::string_view location);
// s3 when the user aborted; s4 + "<P><P>" + location for a local or network location ("X:" or
// "\\"); s5 + "<P><P>" + location for a web address.
std::string FetchFailureText(const OriginalFile& original, bool aborted, std::string_view location);
// (A fetched file of another product is refused with TokenMismatchText of setup/WebSetup.h, as a
// web setup refuses its download.)

// --- the questions (PerformAutoUpdate)
// Notice: OK only (the Attention caption); Question: Yes/No (Confirm); Error: OK only (Error).
enum class AskKind { None, Notice, Question, Error };
struct UpdateMessage {
  AskKind kind = AskKind::None;
  int ownerMode = 0;
  std::string text;
};
// The download question: s11 + (forced: s19 with an install question to follow, else s18;
// otherwise s13 or s12 the same way), "PROG_NAME" = the information file's ProgramName. A notice
// (OK only) when forced, a question otherwise; none when no confirmation is asked or in manual
// mode.
UpdateMessage DownloadQuestion(const OriginalFile& original, const InfoFile& info, bool manual);
// The install question after a fetched setup: s20 when forced (a notice), else s14; none when no
// confirmation is asked, nothing was fetched, or in manual mode.
UpdateMessage InstallQuestion(const OriginalFile& original, const InfoFile& info, bool fetched, bool manual);

// --- shut-down
enum class ShutDownMethod {
  MessageBox,    // "Issue a Message Box": ask the user until the program no longer runs
  Close,         // "Using WM_CLOSE"
  Quit,          // "Using WM_QUIT"
  Terminate,     // "Using Terminate Process"
  DontShutDown,  // "Don't Shut Down": nothing, and no wait
  WaitOnly,      // any other text, also empty: nothing, then the wait
};
// The method of a ShutDownMethod text: exact, case counts.
ShutDownMethod ParseShutDownMethod(std::string_view text);
// The text of a method; empty for WaitOnly.
std::string_view ShutDownMethodText(ShutDownMethod method);
// Every method but "Don't Shut Down" waits for the program to end.
bool WaitsForProgramEnd(ShutDownMethod method);
// The wait gives this attempt up once a limit above 0 is reached (ShutDownTimeout).
bool ShutDownWaitGivesUp(int64_t waitedSeconds, int32_t limitSeconds);
// The request to close the program: s15 with "PROG_NAME" = the file name of the program's path.
std::string CloseRequestText(const OriginalFile& original, const InfoFile& info, std::string_view programPath);

// The program is started again only when RestartProcess is set and it ran before the shut-down
// and runs no more.
bool RestartsProgram(bool restartProcess, bool wasRunning, bool runsNow);
// And then only when the user did not say no, and when a program exists at the path: a failed
// update may have removed it, and the information file's path is never started blind.
bool StartsProgramAgain(bool restart, bool answer, bool programExists);

// --- the update run
// The file-name part of NameOfUpdateFile, used both to store the fetched setup and to run it.
std::string UpdateFileName(const InfoFile& info);
struct UpdateRun {
  std::string setupFile;   // agent folder + UpdateFileName
  std::string infoSwitch;  // /OriginalInfoFile="<information file>"
  bool foreground = true;  // not BackgroundUpdate: a background run asks nothing and shows nothing
};
UpdateRun PlanUpdateRun(std::string_view agentFolderWithBackslash, const InfoFile& info);

// The finish message after the update run: none when the run failed or neither InformFinish is
// set nor the check manual; a question (s16 + s17, owner mode 1) when the program is to be
// restarted, a notice (s16) otherwise.
UpdateMessage FinishMessage(const OriginalFile& original, const InfoFile& info, bool result, bool manual, bool restart);

// --- restart of the agent (ReStartAutoUpdateExe)
// Only while no quit countdown runs (0 or less).
bool RestartsAgent(int32_t quitCountdown);
// The agent's path (agent folder + AU name) in double quotes + " /_ZZ=99 /WAIT=10 /TRANSIENT=" + the
// override list. Quoted, or the system would start a program at a shorter prefix of a path with blanks.
std::string RestartAgentCommand(std::string_view agentFolderWithBackslash, std::string_view agentExeName,
                                const OverrideList& overrides);
