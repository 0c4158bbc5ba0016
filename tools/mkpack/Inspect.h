// mkpack inspect: a reading walk of its own over a package file and the part files after it.
#pragma once
#include <string>
#include <vector>

// Prints what path holds; returns 0 when every file read has its magic and a checksum that
// holds (or is switched off), 1 otherwise.
int RunInspect(const std::string& path);

// Whether path is an update information file rather than a package: a name ending in ".info", or
// INI text with a [NewSetup] section.
bool IsInformationFile(const std::string& path);
// Shows what an information file announces and what an installed agent would decide about it
// (options: --version N[,N...] the installed versions, --stamp S the stamp it holds, --manual a
// check the user asked for). The announced file is looked for in the information file's folder.
// Returns 0, or 2 for bad options.
int RunInspectInfo(const std::string& path, const std::vector<std::string>& options);
