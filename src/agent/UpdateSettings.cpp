// The settings files' keys, defaults and reading rules.
#include "agent/UpdateSettings.h"

#include "agent/SecondsClock.h"
#include "pack/InfoFileKeys.h"
#include "util/Utils.h"

namespace {
using namespace InfoKey;
using namespace OriginalKey;

// The low 32 bits as a signed value.
int32_t Low32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(uint64_t(value))); }
}  // namespace

// --- SettingsFile

std::string SettingsFile::Text(std::string_view section, std::string_view key, std::string_view def) const {
  std::string value = ini_.Read(path_, section, key);
  if (value.empty()) return std::string(def);
  if (value.size() > kSettingsTextLimit) value.resize(kSettingsTextLimit);
  return value;
}

int64_t SettingsFile::Int64(std::string_view section, std::string_view key, int64_t def) const {
  return StrToInt64Def(Text(section, key, IntToStr(def)), def);
}

int32_t SettingsFile::Int(std::string_view section, std::string_view key, int32_t def) const {
  return Low32(Int64(section, key, def));
}

bool SettingsFile::Flag(std::string_view section, std::string_view key) const { return Text(section, key, "0") == "1"; }

bool SettingsFile::WriteText(std::string_view section, std::string_view key, std::string_view value) {
  return ini_.Write(path_, section, key, value);
}

bool SettingsFile::WriteInt(std::string_view section, std::string_view key, int64_t value) {
  return WriteText(section, key, IntToStr(value));
}

// --- OriginalFile

int64_t OriginalFile::ProbeSecondsInterval() const { return file_.Int64(kOriginalSetup, "ProbeSecondsInterval", 0); }
int64_t OriginalFile::ProbeSecondsLast() const { return file_.Int64(kOriginalSetup, "ProbeSecondsLast", 0); }
int64_t OriginalFile::ReAskSecondsInterval() const { return file_.Int64(kOriginalSetup, "ReAskSecondsInterval", 0); }
int64_t OriginalFile::ReAskSecondsLast() const { return file_.Int64(kOriginalSetup, "ReAskSecondsLast", 0); }
int32_t OriginalFile::VersionOriginal() const { return file_.Int(kOriginalSetup, "VersionOriginal", 0); }
int32_t OriginalFile::Stamp() const { return file_.Int(kOriginalSetup, "Stamp", 0); }
std::string OriginalFile::ProgramName() const { return file_.Text(kOriginalSetup, "ProgramName", ""); }
std::string OriginalFile::TargetDir() const { return file_.Text(kDirectories, "TargetDir", ""); }
std::string OriginalFile::SharedDir() const { return file_.Text(kDirectories, "SharedDir", ""); }
std::string OriginalFile::AuxiliaryDir() const { return file_.Text(kDirectories, "AuxiliaryDir", ""); }
std::string OriginalFile::StartUpLink() const { return file_.Text(kUnInstall, kStartUpLink, ""); }
std::string OriginalFile::CheckforNewUpdateLink() const { return file_.Text(kUnInstall, kCheckforNewUpdateLink, ""); }
std::string OriginalFile::BtnText() const { return file_.Text(kMsgBox, "BtnText", kDefaultButtonList); }
std::string OriginalFile::Error() const { return file_.Text(kMsgBox, "Error", "Error"); }
std::string OriginalFile::Confirm() const { return file_.Text(kMsgBox, "Confirm", "Confirm"); }
std::string OriginalFile::Attention() const { return file_.Text(kMsgBox, "Attention", "Attention"); }
int32_t OriginalFile::CharSet() const { return file_.Int(kMsgBox, "CharSet", 0); }
std::string OriginalFile::FontName() const { return file_.Text(kMsgBox, "FontName", "Tahoma"); }
int32_t OriginalFile::FontSize() const { return file_.Int(kMsgBox, "FontSize", 8); }

std::string OriginalFile::AutoUpdate(std::string_view key, std::string_view def) const {
  return file_.Text(kAutoUpdate, key, def);
}

bool OriginalFile::SetProbeSecondsInterval(int64_t seconds) {
  return file_.WriteInt(kOriginalSetup, "ProbeSecondsInterval", seconds);
}

bool OriginalFile::SetReAskSecondsInterval(int64_t seconds) {
  return file_.WriteInt(kOriginalSetup, "ReAskSecondsInterval", seconds);
}

bool OriginalFile::SetProbeSecondsLast(int64_t seconds) { return SetSecondsWithCompanion("ProbeSecondsLast", seconds); }
bool OriginalFile::SetReAskSecondsLast(int64_t seconds) { return SetSecondsWithCompanion("ReAskSecondsLast", seconds); }
bool OriginalFile::SetVersionOriginal(int32_t version) {
  return file_.WriteInt(kOriginalSetup, "VersionOriginal", version);
}
bool OriginalFile::SetStamp(int32_t stamp) { return file_.WriteInt(kOriginalSetup, "Stamp", stamp); }
std::string OriginalFile::PublicKey() const { return file_.Text(kSignature, "PublicKey", ""); }
bool OriginalFile::SetPublicKey(std::string_view hex) { return file_.WriteText(kSignature, "PublicKey", hex); }

bool OriginalFile::SetSecondsWithCompanion(std::string_view key, int64_t seconds) {
  const bool written = file_.WriteInt(kOriginalSetup, key, seconds);
  file_.WriteText(kOriginalSetup, "__" + std::string(key), SecondsCompanionText(seconds));
  return written;
}

// --- InfoFile

bool InfoFile::OverriddenFlag(int position, std::string_view key) const {
  // The file is not consulted once the override is set.
  return overrides_.IsSet(position) ? overrides_.Flag(position, false) : file_.Flag(kNewSetup, key);
}

std::string InfoFile::DownloadURL_UPDATE() const { return file_.Text(kNewSetup, kDownloadURL_UPDATE, ""); }
std::string InfoFile::NameOfUpdateFile() const { return file_.Text(kNewSetup, kNameOfUpdateFile, ""); }
int32_t InfoFile::SizeOfUpdateFile() const { return file_.Int(kNewSetup, kSizeOfUpdateFile, 0); }
bool InfoFile::RequestConfirmationBeforeDownload() const {
  return OverriddenFlag(OverrideList::kConfirmDownload, kConfirmDownload);
}
bool InfoFile::RequestConfirmationBeforeDownloadForce() const {
  return OverriddenFlag(OverrideList::kConfirmDownloadForce, kConfirmDownloadForce);
}
bool InfoFile::RequestConfirmationBeforeInstall() const {
  return OverriddenFlag(OverrideList::kConfirmInstall, kConfirmInstall);
}
bool InfoFile::RequestConfirmationBeforeInstallForce() const {
  return OverriddenFlag(OverrideList::kConfirmInstallForce, kConfirmInstallForce);
}
bool InfoFile::BackgroundUpdate() const { return OverriddenFlag(OverrideList::kBackgroundUpdate, kBackgroundUpdate); }
std::string InfoFile::ShutDownMethod() const { return file_.Text(kNewSetup, kShutDownMethod, ""); }
int32_t InfoFile::ShutDownTimeout() const { return file_.Int(kNewSetup, kShutDownTimeout, 0); }
bool InfoFile::RestartProcess() const { return OverriddenFlag(OverrideList::kRestartProcess, kRestartProcess); }
bool InfoFile::InformFinish() const { return OverriddenFlag(OverrideList::kInformFinish, kInformFinish); }
std::string InfoFile::RunningProcess() const { return file_.Text(kNewSetup, kRunningProcess, ""); }
std::string InfoFile::ProgramName() const { return file_.Text(kNewSetup, kProgramName, ""); }
int32_t InfoFile::VersionNew() const { return file_.Int(kNewSetup, kVersionNew, 0); }
int32_t InfoFile::Stamp() const { return file_.Int(kNewSetup, kStamp, 0); }
std::string InfoFile::ValidVersions() const { return file_.Text(kNewSetup, kValidVersions, ""); }
bool InfoFile::RemoveStartUpShortcut() const { return file_.Flag(kNewSetup, kRemoveStartUpShortcut); }
bool InfoFile::RemoveCheckForNewUpdateShortcut() const {
  return file_.Flag(kNewSetup, kRemoveCheckForNewUpdateShortcut);
}
int64_t InfoFile::AutoInform() const { return file_.Int64(kGeneral, kAutoInformOn, 0); }
std::string InfoFile::DownloadURL_INFORM() const { return file_.Text(kAutoInform, kDownloadURL_INFORM, ""); }
std::string InfoFile::NameOfInformFile() const { return file_.Text(kAutoInform, kNameOfInformFile, ""); }
int32_t InfoFile::SizeOfInformFile() const { return file_.Int(kAutoInform, kSizeOfInformFile, 0); }
int32_t InfoFile::AutoInformW() const { return file_.Int(kAutoInform, kAutoInformW, 360); }
int32_t InfoFile::AutoInformH() const { return file_.Int(kAutoInform, kAutoInformH, 360); }

// --- the user texts

namespace {
enum class ProgName { None, Info, Original, Running };

struct UserText {
  int number;
  const char* def;
  ProgName progName;
};

const UserText kUserTexts[] = {
    {2, "", ProgName::None},
    {3, "File Download Aborted!", ProgName::None},
    {4, "File not Found!", ProgName::None},
    {5, "Unable to Download File!", ProgName::None},
    {11, "", ProgName::Info},
    {12, "", ProgName::Info},
    {13, "", ProgName::Info},
    {14, "", ProgName::Info},
    {15, "", ProgName::Running},
    {16, "", ProgName::Info},
    {17, "", ProgName::None},
    {18, "", ProgName::Info},
    {19, "", ProgName::Info},
    {20, "", ProgName::Info},
    {21, "", ProgName::None},
    {22, "", ProgName::Original},
    {23, "", ProgName::Original},
    {24, "", ProgName::Original},
    {31, "Downloading INFO File...", ProgName::None},
    {32, "Downloading UPDATE File...", ProgName::None},
    {33, "Downloading INFORM File...", ProgName::None},
    {34, "New Version", ProgName::None},
    {35, "Download", ProgName::None},
};
}  // namespace

std::string AutoUpdateText(const OriginalFile& original, const InfoFile& info, int number,
                           std::string_view runningProcessName) {
  const std::string key = "s" + IntToStr(number);
  for (const UserText& t : kUserTexts) {
    if (t.number != number) continue;
    std::string text = original.AutoUpdate(key, t.def);
    if (text.find("PROG_NAME") == std::string::npos) return text;
    switch (t.progName) {
      case ProgName::None:
        return text;
      case ProgName::Info:
        return ReplaceText(text, "PROG_NAME", info.ProgramName());
      case ProgName::Original:
        return ReplaceText(text, "PROG_NAME", original.ProgramName());
      case ProgName::Running:
        return ReplaceText(text, "PROG_NAME", runningProcessName);
    }
  }
  return original.AutoUpdate(key, "");
}
