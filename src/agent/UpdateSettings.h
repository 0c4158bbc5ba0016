// The agent's two settings files: the installed-version file (".original", beside the agent, made
// by the product's setup) and the information file (".info", fetched from the update source).
// Every value is read from its file at the moment it is asked for, never kept, so a file stored
// during a run is seen at once. Reading rules: a missing file, section or key, or an empty value,
// gives the default; a text is at most 10240 characters; a number is a signed 64-bit decimal (an
// int key keeps its low 32 bits) and anything else gives the default; a flag is on only for
// exactly "1".
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "agent/IniStore.h"
#include "agent/OverrideList.h"

inline constexpr size_t kSettingsTextLimit = 10240;
inline constexpr std::string_view kDefaultButtonList = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";

// One INI file under the reading rules.
class SettingsFile {
 public:
  SettingsFile(IniStore& ini, std::string path) : ini_(ini), path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

  std::string Text(std::string_view section, std::string_view key, std::string_view def) const;
  int64_t Int64(std::string_view section, std::string_view key, int64_t def) const;
  int32_t Int(std::string_view section, std::string_view key, int32_t def) const;
  bool Flag(std::string_view section, std::string_view key) const;
  bool WriteText(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInt(std::string_view section, std::string_view key, int64_t value);

 private:
  IniStore& ini_;
  std::string path_;
};

// The installed-version file.
class OriginalFile {
 public:
  OriginalFile(IniStore& ini, std::string path) : file_(ini, std::move(path)) {}
  const SettingsFile& File() const { return file_; }

  // [OriginalSetup]; seconds on the seconds clock.
  int64_t ProbeSecondsInterval() const;  // 0: one more check, -1: none
  int64_t ProbeSecondsLast() const;
  int64_t ReAskSecondsInterval() const;  // 0 or less: an announcement dealt with is not offered again
  int64_t ReAskSecondsLast() const;
  int32_t VersionOriginal() const;  // 0 or less: the file is unusable
  int32_t Stamp() const;
  std::string ProgramName() const;
  // [Directories]
  std::string TargetDir() const;
  std::string SharedDir() const;
  std::string AuxiliaryDir() const;
  // [UnInstall]
  std::string StartUpLink() const;
  std::string CheckforNewUpdateLink() const;
  // [MsgBox]
  std::string BtnText() const;
  std::string Error() const;
  std::string Confirm() const;
  std::string Attention() const;
  int32_t CharSet() const;
  std::string FontName() const;
  int32_t FontSize() const;
  // [AutoUpdate] text by key ("s2" .. "s35") with the caller's default.
  std::string AutoUpdate(std::string_view key, std::string_view def) const;

  // Writes. The last-check times write their "__" companion with them.
  bool SetProbeSecondsInterval(int64_t seconds);
  bool SetReAskSecondsInterval(int64_t seconds);
  bool SetProbeSecondsLast(int64_t seconds);
  bool SetReAskSecondsLast(int64_t seconds);
  bool SetVersionOriginal(int32_t version);
  bool SetStamp(int32_t stamp);
  // [Signature] PublicKey: the release key a verified update brought (ReleaseKey).
  std::string PublicKey() const;
  bool SetPublicKey(std::string_view hex);

 private:
  bool SetSecondsWithCompanion(std::string_view key, int64_t seconds);
  SettingsFile file_;
};

// The information file. The flags that have an override position read the override once it is
// set, and the file only while it is unset.
class InfoFile {
 public:
  InfoFile(IniStore& ini, std::string path, const OverrideList& overrides)
      : file_(ini, std::move(path)), overrides_(overrides) {}
  const SettingsFile& File() const { return file_; }

  // [NewSetup]
  std::string DownloadURL_UPDATE() const;
  std::string NameOfUpdateFile() const;
  int32_t SizeOfUpdateFile() const;
  bool RequestConfirmationBeforeDownload() const;
  bool RequestConfirmationBeforeDownloadForce() const;
  bool RequestConfirmationBeforeInstall() const;
  bool RequestConfirmationBeforeInstallForce() const;
  bool BackgroundUpdate() const;
  std::string ShutDownMethod() const;
  // Seconds the agent waits for the program to end before it gives this attempt up; 0 or less:
  // no limit. A key of ours: without it a program that asks about unsaved work and is never
  // answered would hold the update for ever.
  int32_t ShutDownTimeout() const;
  bool RestartProcess() const;
  bool InformFinish() const;
  std::string RunningProcess() const;
  std::string ProgramName() const;
  int32_t VersionNew() const;
  int32_t Stamp() const;
  std::string ValidVersions() const;
  bool RemoveStartUpShortcut() const;
  bool RemoveCheckForNewUpdateShortcut() const;
  // [General]
  int64_t AutoInform() const;
  bool IsAutoInform() const { return AutoInform() == 1; }
  // [AutoInform]
  std::string DownloadURL_INFORM() const;
  std::string NameOfInformFile() const;
  int32_t SizeOfInformFile() const;
  int32_t AutoInformW() const;
  int32_t AutoInformH() const;

 private:
  bool OverriddenFlag(int position, std::string_view key) const;
  SettingsFile file_;
  const OverrideList& overrides_;
};

// A user text of section [AutoUpdate] ("s2" .. "s35" by number) with its default, "PROG_NAME"
// replaced as the text's use asks: by the information file's ProgramName for the download,
// install and finish texts, by the installed-version file's ProgramName for the check-now
// question, by runningProcessName (the file name of the expanded RunningProcess) in the request
// to close the program, and not at all in the others.
std::string AutoUpdateText(const OriginalFile& original, const InfoFile& info, int number,
                           std::string_view runningProcessName = {});
