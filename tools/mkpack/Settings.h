// mkpack build: from the settings INI and the command line to a PackJob, and the run of the build.
#pragma once
#include <string>
#include <vector>

#include "pack/PackWriter.h"
#include "util/IniFile.h"

// What the settings name besides the job itself (paths are resolved already).
struct BuildInputs {
  std::string stubPath, filesDir, enginePath, outPath;
  PackJob job;  // everything but the stub image and the files
  bool quiet = false;
};

// Fills inputs from ini (relative paths against iniDir) and then the command-line options.
// Returns the error text, empty on success.
std::string ReadBuildInputs(const IniFile& ini, const std::string& iniDir, const std::vector<std::string>& options,
                            BuildInputs& inputs);

// Bytes with an optional K, M or G suffix (binary units); -1 when the text is not such a size.
long long ParseByteSize(const std::string& text);

// "mkpack build ARGS"; returns the exit code.
int RunBuild(const std::vector<std::string>& args);
