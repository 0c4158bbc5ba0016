// The portable pieces of the setup run: names shared with the engine, the texts it shows and the
// engine's command line.
#include "setup/StubSetup.h"

#include <cmath>

#include "util/Utils.h"

std::string ThreadTag(unsigned long threadId) { return "_" + IntToStr(int64_t(threadId)); }

std::string CompletionAtomName(std::string_view threadTag) {
  return "AutoUpdateAtomTokenByVelkit" + std::string(threadTag);
}

std::string EngineDialogClass(std::string_view threadTag) { return ".SDialog_Class_Name." + std::string(threadTag); }

std::string SizeToMBText(double bytes) {
  double mb = bytes > 0 ? bytes / 1048576.0 : 0.0;
  int decimals = mb > 10 ? 1 : (mb < 1 ? 3 : 2);
  int64_t scale = decimals == 1 ? 10 : (decimals == 2 ? 100 : 1000);
  // Integer arithmetic instead of printf: no locale, and no floating-point printf in the stub.
  int64_t scaled = std::llround(mb * double(scale));
  return IntToStr(scaled / scale) + "." + IntToZeroPad(scaled % scale, decimals);
}

std::string RemoveSwitch(std::string_view command, std::string_view name) {
  std::string text(command);
  if (name.empty()) return text;
  size_t at = text.find(name);
  if (at == std::string::npos) return text;
  size_t next = text.find('/', at + 1);
  text.erase(at, next == std::string::npos ? std::string::npos : next - at);
  return text;
}

std::string EngineCommandLine(const EngineLaunch& launch) {
  std::string runName = launch.markedEntry;
  std::string extra = launch.extra;
  size_t star = launch.markedEntry.find('*');
  if (star != std::string::npos) {
    runName = Trim(launch.markedEntry.substr(0, star));
    extra = Trim(extra + " " + Trim(launch.markedEntry.substr(star + 1)));
  }
  std::string command = launch.folder + "\\" + runName;
  if (!extra.empty()) command += " " + extra;
  command += " /TH_ID=" + launch.threadTag;
  if (command.find("/OriginExe=") == std::string::npos) command += " /OriginExe=\"" + launch.ownPath + "\"";
  if (launch.autoUpdateProg) command += " /AutoUpdateProg";
  command = RemoveSwitch(command, "/SpanCdLvl=");
  return RemoveSwitch(command, "/SpanDiskFName1=");
}

std::string SpaceQuestionText(bool confirmTempExtract, std::string_view folder, double required, double free,
                              const LangLookup& lang) {
  std::string text;
  if (confirmTempExtract) text = lang("s2", "Velkit will extract files to your Temp Drive (<DRIVE>)<P>");
  if (required >= free) text = lang("s3", "Limited Free Space on your Temp Drive! (<DRIVE>)<P>");
  if (text.empty()) return text;
  text += lang("s4", "<P>Estimated space required on your Temp drive is: <T>  <SPACE_REQ> MB<P>");
  text += lang("s5", "Free space available on your Temp drive is: <T>  <SPACE_AVAIL> MB<P>");
  text += lang("s6", "<P>Continue with Setup?<P>");
  std::string drive = folder.empty() ? std::string() : UpperCase(folder.substr(0, 1)) + ":";
  text = ReplaceText(text, "<DRIVE>", drive);
  text = ReplaceText(text, "<SPACE_REQ>", SizeToMBText(required));
  return ReplaceText(text, "<SPACE_AVAIL>", SizeToMBText(free));
}

int SetupExitCodeFor(SetupCause cause, int engineExitCode) {
  switch (cause) {
    case SetupCause::EngineRan:
      return engineExitCode;
    case SetupCause::Damaged:
      return kExitBadPackage;
    case SetupCause::Cancelled:
      return kExitCancelled;
    case SetupCause::SpaceDeclined:
      return kExitSpaceDeclined;
    case SetupCause::NoEngine:
      return kExitNoEngine;
    case SetupCause::EngineNotStarted:
      return kExitEngineNotStarted;
    case SetupCause::DownloadFailed:
      return kExitDownloadFailed;
    case SetupCause::BadSignature:
      return kExitBadSignature;
  }
  return kExitBadPackage;
}

const char* SetupCauseName(SetupCause cause) {
  switch (cause) {
    case SetupCause::EngineRan:
      return "engine ran";
    case SetupCause::Damaged:
      return "damaged";
    case SetupCause::Cancelled:
      return "cancelled";
    case SetupCause::SpaceDeclined:
      return "space declined";
    case SetupCause::NoEngine:
      return "no engine";
    case SetupCause::EngineNotStarted:
      return "engine not started";
    case SetupCause::DownloadFailed:
      return "download failed";
    case SetupCause::BadSignature:
      return "bad signature";
  }
  return "";
}
