// The sections and keys of the two settings files an update is described by: the information
// file that the vendor serves beside the update setup, and the original file that the installed
// copy keeps. The agent and the setup run read them, mkpack writes them; all take the names from
// here. No inline: constants of internal linkage compile as the literals would.
#pragma once
#include <string_view>

namespace InfoKey {
// Sections of the information file.
constexpr std::string_view kNewSetup = "NewSetup";
constexpr std::string_view kGeneral = "General";
constexpr std::string_view kAutoInform = "AutoInform";

// [NewSetup]
constexpr std::string_view kDownloadURL_UPDATE = "DownloadURL_UPDATE";
constexpr std::string_view kNameOfUpdateFile = "NameOfUpdateFile";
constexpr std::string_view kSizeOfUpdateFile = "SizeOfUpdateFile";
constexpr std::string_view kVersionNew = "VersionNew";
constexpr std::string_view kStamp = "Stamp";
constexpr std::string_view kValidVersions = "ValidVersions";
constexpr std::string_view kProgramName = "ProgramName";
constexpr std::string_view kRunningProcess = "RunningProcess";
constexpr std::string_view kShutDownMethod = "ShutDownMethod";
constexpr std::string_view kShutDownTimeout = "ShutDownTimeout";
constexpr std::string_view kRestartProcess = "RestartProcess";
constexpr std::string_view kInformFinish = "InformFinish";
constexpr std::string_view kBackgroundUpdate = "BackgroundUpdate";
constexpr std::string_view kConfirmDownload = "RequestConfirmationBeforeDownload";
constexpr std::string_view kConfirmDownloadForce = "RequestConfirmationBeforeDownloadForce";
constexpr std::string_view kConfirmInstall = "RequestConfirmationBeforeInstall";
constexpr std::string_view kConfirmInstallForce = "RequestConfirmationBeforeInstallForce";
constexpr std::string_view kRemoveStartUpShortcut = "RemoveStartUpShortcut";
constexpr std::string_view kRemoveCheckForNewUpdateShortcut = "RemoveCheckForNewUpdateShortcut";

// [General]
constexpr std::string_view kAutoInformOn = "AutoInform";

// [AutoInform]
constexpr std::string_view kDownloadURL_INFORM = "DownloadURL_INFORM";
constexpr std::string_view kNameOfInformFile = "NameOfInformFile";
constexpr std::string_view kSizeOfInformFile = "SizeOfInformFile";
constexpr std::string_view kAutoInformW = "AutoInformW";
constexpr std::string_view kAutoInformH = "AutoInformH";
}  // namespace InfoKey

namespace OriginalKey {
// Sections of the original file.
constexpr std::string_view kOriginalSetup = "OriginalSetup";
constexpr std::string_view kDirectories = "Directories";
constexpr std::string_view kUnInstall = "UnInstall";
constexpr std::string_view kMsgBox = "MsgBox";
constexpr std::string_view kAutoUpdate = "AutoUpdate";
constexpr std::string_view kSignature = "Signature";

// [UnInstall]: the shortcuts the setup made, which an update may remove.
constexpr std::string_view kStartUpLink = "StartUpLink";
constexpr std::string_view kCheckforNewUpdateLink = "CheckforNewUpdateLink";
}  // namespace OriginalKey
