// What one update check decides: whether a fetched information file counts as fetched, the chain
// of tests of GetOkToPerformAU with its codes 0..6, the size check of the announced file, what the
// check records in the installed-version file, and what it tells the user in manual mode. Every
// rule reads the settings files at the moment it runs and takes the machine (clock, file sizes,
// connection) as arguments, so the agent and mkpack run the same decision.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "agent/OverrideList.h"
#include "agent/UpdateSettings.h"
#include "platform/Clock.h"

// --- decision codes
enum DecisionCode : int {
  kDecisionNotFetched = 0,
  kDecisionNoOriginal = 1,
  kDecisionTooEarly = 2,
  kDecisionNotNewer = 3,
  kDecisionNotValid = 4,
  kDecisionSizeError = 5,
  kDecisionOk = 6,
};
// The texts as one token list: token i is the text of code i.
inline constexpr std::string_view kDecisionTexts =
    "|Error downloading .INFO file|Error reading .ORIGINAL file|Too early for retesting|"
    "New version is not higher then old version|\"Valid for version\" mismatch|Download file size error|OK|";
// The text of a code; empty for a code outside 0..6.
std::string DecisionText(int code);

// --- the information file as fetched
struct InfoFetch {
  bool fetched = false;
  std::string error;  // shown by the manual-mode report when not empty
};
// Judges the fetch of an information file from the download's error text and content: a server's
// HTML error page is not an information file (the 404 text becomes the error), an empty body is
// not fetched, and an error text that begins with "3" is dropped (the fetch stays as judged).
// The content is stored as the information file whatever the judgement.
InfoFetch JudgeInfoFetch(std::string_view downloadError, std::string_view content, std::string_view location);

// --- the size check
// What the size check asks of the machine.
class UpdateFileSizes {
 public:
  virtual ~UpdateFileSizes() = default;
  // Size of the file at a local or network path; nullopt when there is no file.
  virtual std::optional<int64_t> LocalFileSize(std::string_view path) const = 0;
  // The download client's connection check.
  virtual bool Connected() const = 0;
  // Content-Length of the answer to url; -1 when unknown.
  virtual int64_t HttpFileSize(std::string_view url) const = 0;
};

// Test mode as a check sees it: the local folder that stands in for the update source.
struct TestSource {
  bool on = false;
  std::string folder;
};

struct SizeCheck {
  bool pass = false;
  int64_t expected = 0;
  int64_t actual = -1;   // -1 when no size could be found
  std::string location;  // the location tried last
  // The three log lines of a failed check ("  InfoSize=" ...); none when it passed.
  std::vector<std::string> LogLines() const;
};

// The announced and the actual size agree when they differ by less than 100 bytes.
bool SizesAgree(int64_t expected, int64_t actual);
// Checks the announced file (the update setup, or the inform file of an inform announcement):
// the file-name part of its name in the update source folder (the test folder in test mode),
// first as a local file, then, outside test mode and when connected, by an HTTP size query.
SizeCheck CheckAnnouncedFileSize(const InfoFile& info, const TestSource& test, const UpdateFileSizes& sizes);

// --- GetOkToPerformAU
struct Decision {
  int code = kDecisionNotFetched;
  std::string text;
  std::optional<SizeCheck> sizeCheck;  // when the chain came as far
  bool Ok() const { return code == kDecisionOk; }
  // "GetOkToPerformAU = 6 - OK": the log file's line.
  std::string LogLine() const;
};

// Installed version valid for the offer: the list is empty, or holds the version as one of its
// comma-separated entries (compared as text, so a blank makes an entry match nothing).
bool IsValidForVersion(std::string_view validVersions, int32_t version);
// An announcement dealt with may be offered again: ReAskSecondsLast + ReAskSecondsInterval lies
// before now and the interval is above 0.
bool ReAskTimeHasCome(const OriginalFile& original, int64_t nowSeconds);

// The chain: 0 not fetched; 1 VersionOriginal is 0 or less; 2 the same stamp, before the re-ask
// time and not manual; 3 VersionNew not above VersionOriginal; 4 not valid for the installed
// version; 5 the size check failed; 6 OK. Each test runs only when the one before passed (the
// size check asks the machine only then).
Decision GetOkToPerformAU(bool fetched, const OriginalFile& original, const InfoFile& info, bool manual,
                          const TestSource& test, const Clock& clock, const UpdateFileSizes& sizes);
// Writes the decision to the debug channel (process id, " GetOkToPerformAU=", the code) and the
// log file (the size check's lines when it failed, then LogLine).
void LogDecision(const Decision& decision);

// --- what a check records and does
// ProbeSecondsLast := now, after every fetch of the information file, whatever its outcome.
void RecordCheckTime(OriginalFile& original, const Clock& clock);
// After an OK: ReAskSecondsLast := now, and the announcement's Stamp is stored as dealt with.
void RecordAcceptedAnnouncement(OriginalFile& original, const InfoFile& info, const Clock& clock);

enum class ShotAction { None, Inform, Update };
// Nothing unless the decision is OK; then the inform dialog for an announcement with AutoInform
// 1, otherwise the update.
ShotAction ChooseShotAction(const Decision& decision, const InfoFile& info);

// --- manual mode (a check the user asked for)
enum class ReportBox { Error, Attention };
struct ManualReport {
  ReportBox box = ReportBox::Attention;
  int ownerMode = 1;
  std::string text;
};
// Why nothing was done: outside test mode without a connection, s2 (with "<P><P>" and the
// connection's reason when there is one); outside test mode after a failed fetch, its error;
// otherwise s21, with "(code - text)" for a developer.
ManualReport ManualModeReport(const OriginalFile& original, bool testMode, bool connected,
                              std::string_view connectionReason, std::string_view fetchError, const Decision& decision,
                              bool developer);

// The check-now question comes before a due check when it is manual or override 0 is 1.
bool AsksCheckNow(int status, bool manual, const OverrideList& overrides);
// s22 + s23 + s24 + the test-mode notice, "PROG_NAME" replaced by the installed-version file's
// ProgramName; s23 only for a web source (not a local drive path), the notice only in test mode.
std::string CheckNowQuestionText(const OriginalFile& original, std::string_view source, bool testMode);
inline constexpr std::string_view kTestModeNotice =
    "<P><P><T><B>PLEASE NOTE</B> - You are now running in <B>Test Mode</B>!";
