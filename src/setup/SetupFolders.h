// The folders a setup run works in: the setup work folder, named after the setup file's time
// stamp so that a relaunched copy finds the same one, and the alternative extraction folder on
// another fixed drive when the temporary drive is short of room. The names are pure functions;
// nothing is made or removed except by the calls that say so.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// System temporary folder (with backslash) + "SETUP_" + the time-of-day half of the executable's
// DOS time stamp.
std::string SetupWorkFolderFor(std::string_view tempDirWithBackslash, uint32_t exeDosTime);
// The setup work folder of the executable at ownPath (a name; nothing is made).
std::string SetupWorkFolderOf(std::string_view ownPath);
// Removes what a former run left in folder and makes it afresh, empty.
void PrepareWorkFolder(std::string_view folder);

// A drive other than the temporary one (C, D, E, whichever fixed disk has most room) that can take
// the extraction; empty when there is none. The drives are probed at every call: each setup run
// chooses afresh, so that a long-lived agent sees the drives as they are at its run.
std::string AltTempFolder();
// The alternative temporary folder + "_" + a random number, made empty (empty when there is no
// alternative temporary folder). The run that made it removes it.
std::string MakeAltExtractFolder(std::string_view altTempFolder);

// --- pure rules of the above
// The drive probe folder: letter + ":\TEMP", or inside it "\TEMP" + number when that exists.
std::string AltProbeFolderFor(char letter, bool tempExists, int64_t number);
// The drive letter chosen from the free space of C, D and E (0 for a drive not recorded): the
// first strictly larger than the best so far, starting from the temporary drive with 0.
char ChooseAltTempDrive(char tempDrive, const double freeCDE[3]);
// letter + ":\TEMP", with "\TEMP" appended when that folder already exists.
std::string AltTempFolderFor(char letter, bool tempExists);
std::string AltExtractFolderFor(std::string_view altTempFolder, int64_t number);
