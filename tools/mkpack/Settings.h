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
  std::string privateKeyPath;  // build: sign what is published (the web package, or the setup)
  bool quiet = false;
};

// Fills inputs from ini (relative paths against iniDir) and then the command-line options.
// Returns the error text, empty on success.
std::string ReadBuildInputs(const IniFile& ini, const std::string& iniDir, const std::vector<std::string>& options,
                            BuildInputs& inputs);

// Bytes with an optional K, M or G suffix (binary units); -1 when the text is not such a size.
long long ParseByteSize(const std::string& text);

// Reads the settings file (none when iniPath is empty) and the options into inputs, and loads the
// stub, the engine and the list of files. Returns the error text (a fault of the settings or the
// command line), empty on success.
std::string PrepareBuild(const std::string& iniPath, const std::vector<std::string>& options, BuildInputs& inputs);
// Writes the package(s) with progress on stderr; written receives the files. Returns the error
// text, empty on success.
std::string ExecuteBuild(const BuildInputs& inputs, std::vector<std::string>& written);
// The files written with their sizes, on stdout.
void PrintWritten(const std::vector<std::string>& written);

// "mkpack build ARGS"; returns the exit code.
int RunBuild(const std::vector<std::string>& args);
