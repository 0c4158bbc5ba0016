// mkpack release: from the INI of a release to the update folder that a static web server or a
// file share serves to the installed agents: the information file and the update setup, built
// with the product's package token.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Settings.h"
#include "util/IniFile.h"

// The inform file of an auto-inform announcement goes into the same folder, named and sized in
// [AutoInform] of the information file. Releases do not make one yet; the folder and the
// information file leave it its place.
struct InformFilePart {
  std::string name;  // empty: no inform file
  int64_t size = 0;
  std::string url;  // DownloadURL_INFORM
};

struct Release {
  std::string folder;      // the update folder
  std::string infoName;    // the information file: the product's [Update] InfoFile
  std::string updateName;  // NameOfUpdateFile: the update setup's name in the folder
  // [NewSetup] of the information file as the agent reads it, every key but the two that the built
  // setup fills (NameOfUpdateFile, SizeOfUpdateFile), in the order written.
  std::vector<std::pair<std::string, std::string>> newSetup;
  InformFilePart inform;
  BuildInputs setup;  // the update setup's build, its output in the folder
  std::string privateKeyPath;  // --private-key: the setup and the information file get signatures
};

// Reads the release settings (paths relative to iniDir) and the options (--out DIR, --stub FILE,
// --files DIR, --engine FILE, --level N, --quiet); builds nothing yet. Returns the error text,
// empty on success.
std::string ReadRelease(const IniFile& ini, const std::string& iniDir, const std::vector<std::string>& options,
                        Release& release);
// The information file, CR LF lines: [NewSetup] with NameOfUpdateFile and SizeOfUpdateFile, then
// the release's keys; [AutoInform] when there is an inform file.
std::string InformationFileText(const Release& release, int64_t setupSize);

// "mkpack release RELEASE.ini [OPTIONS]"; returns the exit code.
int RunRelease(const std::vector<std::string>& args);
