// Extraction of a package into a folder: checksum per file, the block walk across numbered part
// files, zlib entries written with their time stamps, the next-disk question, the agent copy and
// the marked entry. Blocks are streamed, so memory stays bounded whatever their size.
#pragma once
#include <string>
#include <string_view>

#include "pack/ExtractUI.h"
#include "pack/PackFormat.h"

// How an extraction ended.
enum class ExtractEnd {
  Done,          // every part was walked (an engine is there when markedEntry is not empty)
  NotAccepted,   // a checksum test failed, or the source was not there to be read
  Cancelled,     // the user gave up: a next-disk question answered Cancel, or the window closed
  DamagedEntry,  // a compressed entry was corrupt; files written before it stay
};

struct ExtractResult {
  ExtractEnd end = ExtractEnd::NotAccepted;
  bool checksumOk = false;  // the last file read had a package trailer and passed its checksum test
  std::string markedEntry;  // the entry name (or header) carrying "*"; empty when cancelled
  std::string zlibError;    // zlib's text for a damaged entry
};

// Extracts the package at sourcePath (a stub executable, or a first part file ending in ".001")
// into outputFolder. agentName, when its file name part is not empty and the source is an ".exe"
// (or ".exe.001"), gets a fresh agent copy of the stub written into outputFolder. forcePrompt asks
// for every further part even when its file is there. An entry whose name would land outside
// outputFolder is skipped. A broken compressed entry ends as DamagedEntry with zlib's text.
ExtractResult ExtractPackage(std::string_view sourcePath, std::string_view outputFolder, std::string_view agentName,
                             ExtractUI& ui, bool forcePrompt);

// True for a relative name that stays inside the folder it is extracted to: not empty, no drive
// or stream colon, no leading separator (absolute or UNC), no ".." component, no device name.
bool IsSafeEntryName(std::string_view name);
// Forgets earlier save failures, so that the next one shows its box again: each setup run starts so.
void ResetSaveFailureCount();
