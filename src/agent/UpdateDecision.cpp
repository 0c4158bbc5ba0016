// The update decision and the other choices of a check.
#include "agent/UpdateDecision.h"

#include "agent/SecondsClock.h"
#include "net/CommUtils.h"
#include "util/Utils.h"
#include "util/VDebug.h"
#include "util/VSUB.h"

std::string DecisionText(int code) { return SUB::Get(kDecisionTexts, code); }

InfoFetch JudgeInfoFetch(std::string_view downloadError, std::string_view content, std::string_view location) {
  InfoFetch result;
  result.error = std::string(downloadError);
  // A server that answers a missing file with a page of its own: the body arrived, but it is
  // the page, not the file.
  if (result.error.empty() && !content.empty()) result.error = GetNotFoundText({}, content, location, {});
  result.fetched = result.error.empty() && !content.empty();
  if (!result.error.empty() && result.error[0] == '3') result.error.clear();
  return result;
}

// --- size check

std::vector<std::string> SizeCheck::LogLines() const {
  if (pass) return {};
  return {"  InfoSize=" + IntToStr(expected), "  HttpSize=" + IntToStr(actual), "  URL=" + location};
}

bool SizesAgree(int64_t expected, int64_t actual) {
  const int64_t difference = actual - expected;
  return (difference < 0 ? -difference : difference) < 100;
}

SizeCheck CheckAnnouncedFileSize(const InfoFile& info, const TestSource& test, const UpdateFileSizes& sizes) {
  SizeCheck check;
  std::string name = info.NameOfUpdateFile();
  check.expected = info.SizeOfUpdateFile();
  if (info.IsAutoInform()) {
    name = info.NameOfInformFile();
    check.expected = info.SizeOfInformFile();
  }
  name = ExtractFileName(name);
  const std::string source = test.on ? test.folder : info.DownloadURL_UPDATE();
  check.location = source + "\\" + name;
  if (const auto local = sizes.LocalFileSize(check.location)) {
    check.actual = *local;
  } else if (!test.on && sizes.Connected()) {
    check.location = source + "/" + name;
    check.actual = sizes.HttpFileSize(check.location);
  }
  check.pass = SizesAgree(check.expected, check.actual);
  return check;
}

// --- GetOkToPerformAU

std::string Decision::LogLine() const { return "GetOkToPerformAU = " + IntToStr(code) + " - " + text; }

bool IsValidForVersion(std::string_view validVersions, int32_t version) {
  if (validVersions.empty()) return true;
  const std::string list = "," + std::string(validVersions) + ",";
  return list.find("," + IntToStr(version) + ",") != std::string::npos;
}

bool ReAskTimeHasCome(const OriginalFile& original, int64_t nowSeconds) {
  const int64_t interval = original.ReAskSecondsInterval();
  return interval > 0 && AddSeconds(original.ReAskSecondsLast(), interval) < nowSeconds;
}

namespace {
// How far the chain comes; the size check is the last and the only one that asks the machine.
int DecisionChain(bool fetched, const OriginalFile& original, const InfoFile& info, bool manual, const TestSource& test,
                  const Clock& clock, const UpdateFileSizes& sizes, Decision& decision) {
  if (!fetched) return kDecisionNotFetched;
  const int32_t installed = original.VersionOriginal();
  if (installed <= 0) return kDecisionNoOriginal;
  if (info.Stamp() == original.Stamp() && !ReAskTimeHasCome(original, NowSeconds(clock)) && !manual)
    return kDecisionTooEarly;
  if (info.VersionNew() <= installed) return kDecisionNotNewer;
  if (!IsValidForVersion(info.ValidVersions(), installed)) return kDecisionNotValid;
  decision.sizeCheck = CheckAnnouncedFileSize(info, test, sizes);
  if (!decision.sizeCheck->pass) return kDecisionSizeError;
  return kDecisionOk;
}
}  // namespace

Decision GetOkToPerformAU(bool fetched, const OriginalFile& original, const InfoFile& info, bool manual,
                          const TestSource& test, const Clock& clock, const UpdateFileSizes& sizes) {
  Decision decision;
  decision.code = DecisionChain(fetched, original, info, manual, test, clock, sizes, decision);
  decision.text = DecisionText(decision.code);
  return decision;
}

void LogDecision(const Decision& decision) {
  if (decision.sizeCheck)
    for (const std::string& line : decision.sizeCheck->LogLines()) WriteStubLog(line);
  DebugLn(IntToStr(CurrentProcessId()) + " GetOkToPerformAU=" + IntToStr(decision.code));
  WriteStubLog(decision.LogLine());
}

// --- records and actions

void RecordCheckTime(OriginalFile& original, const Clock& clock) { original.SetProbeSecondsLast(NowSeconds(clock)); }

void RecordAcceptedAnnouncement(OriginalFile& original, const InfoFile& info, const Clock& clock) {
  original.SetReAskSecondsLast(NowSeconds(clock));
  original.SetStamp(info.Stamp());
}

ShotAction ChooseShotAction(const Decision& decision, const InfoFile& info) {
  if (!decision.Ok()) return ShotAction::None;
  return info.IsAutoInform() ? ShotAction::Inform : ShotAction::Update;
}

// --- manual mode

ManualReport ManualModeReport(const OriginalFile& original, bool testMode, bool connected,
                              std::string_view connectionReason, std::string_view fetchError, const Decision& decision,
                              bool developer) {
  if (!testMode && !connected) {
    std::string text = original.AutoUpdate("s2", "");
    if (!connectionReason.empty()) text += "<P><P>" + std::string(connectionReason);
    return {ReportBox::Error, 0, text};
  }
  if (!testMode && !fetchError.empty()) return {ReportBox::Error, 0, std::string(fetchError)};
  std::string text = original.AutoUpdate("s21", "");
  if (developer) text += "<P><P>(" + IntToStr(decision.code) + " - " + decision.text + ")   ";
  return {ReportBox::Attention, 1, text};
}

bool AsksCheckNow(int status, bool manual, const OverrideList& overrides) {
  return status > 0 && (manual || overrides.Get(OverrideList::kCheckNowQuestion) == 1);
}

std::string CheckNowQuestionText(const OriginalFile& original, std::string_view source, bool testMode) {
  const bool localSource = source.size() < 2 || source[1] == ':';
  std::string text = original.AutoUpdate("s22", "");
  if (!localSource) text += original.AutoUpdate("s23", "");
  text += original.AutoUpdate("s24", "");
  if (testMode) text += kTestModeNotice;
  return ReplaceText(text, "PROG_NAME", original.ProgramName());
}
