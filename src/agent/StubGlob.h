// The agent's settings files and working folders: where the installed-version file and the
// information file lie, the keys the setup run reads from them, and the process-wide working
// folders (setup work folder, alternative temporary folder, alternative extraction folder).
// Folders are computed once per process; settings are read afresh at every call.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// --- settings files
// Agent folder + the information file name of the own package's update block.
std::string InfoFilePath();
// Agent folder + the installed-version file name (".original").
std::string OriginalFilePath();
// [NewSetup] flags of the information file (set only for exactly "1").
bool RemoveStartUpShortcut();
bool RemoveCheckForNewUpdateShortcut();
// [UnInstall] shortcut paths of the installed-version file.
std::string StartUpLink();
std::string CheckforNewUpdateLink();

// --- working folders
// System temporary folder (with backslash) + "SETUP_" + the time-of-day half of the running
// executable's DOS time stamp. On first use in the process an existing folder is removed and the
// folder made afresh.
std::string SetupWorkFolder();
// Whether a drive other than the temporary one (C, D, E, whichever fixed disk has most room) can
// take the extraction; chosen once per process.
bool HasAltTempFolder();
std::string AltTempFolder();  // empty when there is none
// The alternative temporary folder + "_" + a random number; made on first use (empty when there
// is no alternative temporary folder).
std::string AltExtractFolder();
// Removes the alternative extraction folder if this process made one.
void RemoveAltExtractFolder();

// --- pure rules of the above
std::string SetupWorkFolderFor(std::string_view tempDirWithBackslash, uint32_t exeDosTime);
// The drive probe folder: letter + ":\TEMP", or inside it "\TEMP" + number when that exists.
std::string AltProbeFolderFor(char letter, bool tempExists, int64_t number);
// The drive letter chosen from the free space of C, D and E (0 for a drive not recorded): the
// first strictly larger than the best so far, starting from the temporary drive with 0.
char ChooseAltTempDrive(char tempDrive, const double freeCDE[3]);
// letter + ":\TEMP", with "\TEMP" appended when that folder already exists.
std::string AltTempFolderFor(char letter, bool tempExists);
std::string AltExtractFolderFor(std::string_view altTempFolder, int64_t number);

// Whether the root letter + ":\" is a fixed disk (platform).
bool IsFixedDrive(char letter);
