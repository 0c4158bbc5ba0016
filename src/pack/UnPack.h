// Extraction of a package into a folder: checksum per file, the block walk across numbered part
// files, zlib entries written with their time stamps, the next-disk question, the agent copy and
// the marked entry. Blocks are streamed, so memory stays bounded whatever their size.
#pragma once
#include <string>
#include <string_view>

#include "pack/ExtractUI.h"

// Extracts the package at sourcePath (a stub executable, or a first part file ending in ".001")
// into outputFolder. ok ends true when the last file read had a package trailer and passed its
// checksum test; a file without one (or with a foreign magic) ends the walk with ok false: the set
// is damaged. markedEntry receives the entry name (or header) carrying "*", and is cleared when
// the user cancels a disk question.
// agentName, when its file name part is not empty and the source is an ".exe" (or ".exe.001"),
// gets a fresh agent copy of the stub written into outputFolder. diskPrompt has every
// "<DISK_NUM>" replaced by the part number. An entry whose name would land outside outputFolder
// is skipped. Raises EZLibError for a damaged compressed entry; files written before stay.
void ExtractPackage(std::string_view sourcePath, std::string_view outputFolder, std::string_view agentName, bool& ok,
                    ExtractUI& ui, std::string_view diskPrompt, std::string_view promptCaption,
                    std::string_view buttons, int charset, bool forcePrompt, std::string& markedEntry);

// True for a relative name that stays inside the folder it is extracted to: not empty, no drive
// or stream colon, no leading separator (absolute or UNC), no ".." component, no device name.
bool IsSafeEntryName(std::string_view name);
// The path of part number part (2, 3, ...) of the package whose first file is sourcePath:
// Setup.exe and Setup.exe.001 both give Setup.exe.002 for part 2.
std::string PartFilePath(std::string_view sourcePath, int part);
// Forgets earlier save failures, so that the next one shows its box again (tests only).
void ResetSaveFailureCount();
