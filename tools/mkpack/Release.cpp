// mkpack release: checks the release against the rules an agent applies, builds the update setup
// with mkpack build's code, and writes the information file last, so that a folder being served
// never announces a setup that is not there yet.
#include "Release.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "AgentView.h"
#include "InputRules.h"
#include "Signing.h"
#include "agent/UpdateChoices.h"
#include "pack/InfoFileKeys.h"
#include "pack/InfoFileWriter.h"
#include "util/Files.h"
#include "util/Signature.h"
#include "util/Utils.h"

namespace fs = std::filesystem;

namespace {

using namespace InfoKey;

enum class Kind { Text, Url, Flag, Version, Stamp, Versions, Method, Seconds, Program };
struct NewSetupKey {
  std::string_view key;
  Kind kind;
};
// The keys a release sets, in the order the information file lists them.
const NewSetupKey kNewSetupKeys[] = {
    {kDownloadURL_UPDATE, Kind::Url},
    {kVersionNew, Kind::Version},
    {kStamp, Kind::Stamp},
    {kValidVersions, Kind::Versions},
    {kProgramName, Kind::Text},
    {kRunningProcess, Kind::Program},
    {kShutDownMethod, Kind::Method},
    {kShutDownTimeout, Kind::Seconds},
    {kRestartProcess, Kind::Flag},
    {kInformFinish, Kind::Flag},
    {kBackgroundUpdate, Kind::Flag},
    {kConfirmDownload, Kind::Flag},
    {kConfirmDownloadForce, Kind::Flag},
    {kConfirmInstall, Kind::Flag},
    {kConfirmInstallForce, Kind::Flag},
    {kRemoveStartUpShortcut, Kind::Flag},
    {kRemoveCheckForNewUpdateShortcut, Kind::Flag},
};
const std::string_view kFilledKeys[] = {kNameOfUpdateFile, kSizeOfUpdateFile};

std::string CheckKnownKeys(const IniFile& ini) {
  std::vector<KnownKey> known = {{"Release", "Setup"}, {"Release", "Folder"}, {"Release", "UpdateFile"}};
  for (const NewSetupKey& k : kNewSetupKeys) known.push_back({kNewSetup, k.key});
  const std::optional<UnknownKey> unknown = FindUnknownKey(ini, known);
  if (!unknown) return {};
  if (unknown->key.empty())
    return "unknown section [" + unknown->section + "] (a release has [Release] and [NewSetup])";
  for (std::string_view k : kFilledKeys)
    if (unknown->knownAs == kNewSetup && SameText(k, unknown->key))
      return "[NewSetup] " + unknown->key + " is filled from the setup that mkpack builds; leave it out";
  return UnknownKeyText(*unknown);
}

// A whole number within lo..hi, as text without blanks or sign tricks.
bool IsNumberIn(const std::string& text, int64_t lo, int64_t hi, int64_t& out) {
  if (text.empty() || text.find_first_not_of("-0123456789") != std::string::npos) return false;
  const auto v = NumberIn(text, lo, hi);
  if (!v) return false;
  out = *v;
  return true;
}

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

std::string CheckValue(const NewSetupKey& k, std::string& value, const std::string& defaultUrl) {
  const std::string where = "[NewSetup] " + std::string(k.key) + "=" + value;
  int64_t number = 0;
  switch (k.kind) {
    case Kind::Text:
      return {};
    case Kind::Url:
      if (value.empty()) value = defaultUrl;
      if (value.empty()) return "[NewSetup] DownloadURL_UPDATE is empty: the agent would have nowhere to fetch from";
      return {};
    case Kind::Flag: {
      // The agent takes exactly "1" as on, so every spelling of yes becomes "1".
      const std::optional<bool> flag = value.empty() ? false : ParseFlag(value);
      if (!flag) return where + " is neither 1 nor 0";
      value = *flag ? "1" : "0";
      return {};
    }
    case Kind::Version:
      if (value.empty()) return "[NewSetup] VersionNew is missing: the version this release installs";
      if (!IsNumberIn(value, 1, kInt32Max, number)) return where + " must be a number from 1 to 2147483647";
      return {};
    case Kind::Stamp:
      if (value.empty()) return {};  // the version, filled in later
      if (!IsNumberIn(value, std::numeric_limits<int32_t>::min(), kInt32Max, number))
        return where + " must be a 32-bit number";
      if (number == 0)
        return where +
               ": an installed copy that never took an update holds stamp 0 and would take this release "
               "as one it has dealt with";
      return {};
    case Kind::Versions: {
      if (value.empty()) return {};
      size_t at = 0;
      while (at <= value.size()) {
        const size_t comma = std::min(value.find(',', at), value.size());
        if (!IsNumberIn(value.substr(at, comma - at), 1, kInt32Max, number) ||
            value.substr(at, comma - at) != IntToStr(number))
          return where + ": a list of versions (1 or more) separated by commas, without blanks";
        at = comma + 1;
      }
      return {};
    }
    case Kind::Method:
      if (value.empty() || ParseShutDownMethod(value) != ShutDownMethod::WaitOnly) return {};
      return where +
             " is none of \"Issue a Message Box\", \"Using WM_CLOSE\", \"Using WM_QUIT\", "
             "\"Using Terminate Process\", \"Don't Shut Down\" (exact; empty waits for the user)";
    case Kind::Seconds:
      if (value.empty()) value = "0";
      if (!IsNumberIn(value, 0, kInt32Max, number)) return where + " must be seconds from 0 (no limit) up";
      return {};
    case Kind::Program: {
      if (value.empty()) return {};
      const std::string macro = LeftoverMacro(ExpandOnSampleMachine(value));
      if (!macro.empty()) return where + ": " + macro + " is no macro";
      return {};
    }
  }
  return {};
}

std::string Value(const Release& r, std::string_view key) {
  for (const auto& [k, v] : r.newSetup)
    if (k == key) return v;
  return {};
}

void SetValue(Release& r, std::string_view key, std::string value) {
  for (auto& [k, v] : r.newSetup)
    if (k == key) v = std::move(value);
}

// Rules between keys.
std::string CheckRelease(Release& r) {
  const std::string version = Value(r, kVersionNew);
  if (Value(r, kStamp).empty()) SetValue(r, kStamp, version);
  const int64_t newVersion = StrToInt64Def(version, 0);
  const std::string valid = Value(r, kValidVersions);
  size_t at = 0;
  while (!valid.empty() && at <= valid.size()) {
    const size_t comma = std::min(valid.find(',', at), valid.size());
    const int64_t v = StrToInt64Def(valid.substr(at, comma - at), 0);
    if (v >= newVersion)
      return "VersionNew=" + version + " is not above version " + IntToStr(v) +
             ", which it is valid for (ValidVersions=" + valid + "): an agent of that version would never take it";
    at = comma + 1;
  }
  const std::string method = Value(r, kShutDownMethod);
  const bool stops = ParseShutDownMethod(method) != ShutDownMethod::DontShutDown && !method.empty();
  if (Value(r, kRunningProcess).empty() && (stops || Value(r, kRestartProcess) == "1"))
    return "[NewSetup] RunningProcess is empty: ShutDownMethod and RestartProcess need the program's path";
  if (r.updateName.empty() || r.updateName != ExtractFileName(r.updateName))
    return "[Release] UpdateFile=" + r.updateName + " must be a bare file name";
  if (SameText(r.updateName, r.infoName))
    return "[Release] UpdateFile=" + r.updateName + " is the name of the information file";
  return {};
}

void WarnUnusedForce(const Release& r, bool quiet) {
  if (quiet) return;
  for (const char* what : {"Download", "Install"}) {
    const std::string base = std::string("RequestConfirmationBefore") + what;
    if (Value(r, base + "Force") == "1" && Value(r, base) != "1")
      std::fprintf(stderr, "mkpack: warning: %sForce=1 has no effect without %s=1\n", base.c_str(), base.c_str());
  }
}

}  // namespace

std::string ReadRelease(const IniFile& ini, const std::string& iniDir, const std::vector<std::string>& options,
                        Release& r) {
  if (auto e = CheckKnownKeys(ini); !e.empty()) return e;
  const std::string setupIni = Resolve(iniDir, ini.Get("Release", "Setup"));
  r.folder = Resolve(iniDir, ini.Get("Release", "Folder"));
  r.updateName = ini.Get("Release", "UpdateFile");

  std::vector<std::string> buildOptions;
  const auto take = [&](const std::string& opt, const std::string* value) {
    if (opt == "--out") {
      r.folder = *value;
    } else if (opt == "--private-key") {
      r.privateKeyPath = *value;
    } else {
      buildOptions.push_back(opt);
      if (value) buildOptions.push_back(*value);
    }
  };
  const auto hint = [](const std::string& opt) {
    return std::string(opt == "--layout" || opt == "--part-size" ? " (an update setup is one file)" : "");
  };
  if (auto e = WalkOptions(options, {"--quiet"},
                           {"--out", "--stub", "--files", "--engine", "--level", "--public-key", "--private-key"},
                           take, hint);
      !e.empty())
    return e;
  if (setupIni.empty()) return "no setup settings (Setup= in [Release]): the mkpack build settings of the update setup";
  if (r.folder.empty()) return "no update folder (Folder= in [Release] or --out)";

  // The update setup: the build settings as they are, written into the folder.
  if (auto e = PrepareBuild(setupIni, buildOptions, r.setup); !e.empty()) return e;
  if (r.updateName.empty()) r.updateName = fs::path(r.setup.outPath).filename().string();
  r.setup.outPath = (fs::path(r.folder) / r.updateName).string();
  if (r.setup.job.layout != PackLayout::Single)
    return "the update setup must be a single file (Layout=single in " + setupIni + "): the agent fetches one file";
  if (r.setup.job.update.token.empty())
    return "the update setup needs the product's package token (Token= in [Update] of " + setupIni +
           "): the agent installs only a setup that carries its own";
  r.infoName = ExtractFileName(r.setup.job.update.infoFile);

  for (const NewSetupKey& k : kNewSetupKeys) {
    std::string value = ini.Get(kNewSetup, k.key);
    if (auto e = CheckValue(k, value, r.setup.job.update.infoUrl); !e.empty()) return e;
    r.newSetup.emplace_back(k.key, value);
  }
  if (auto e = CheckRelease(r); !e.empty()) return e;
  WarnUnusedForce(r, r.setup.quiet);
  return {};
}

std::string InformationFileText(const Release& r, int64_t setupSize) {
  using namespace InfoKey;
  InfoFileWriter w;
  w.Comment("the update information file, written by mkpack release");
  w.Section(kNewSetup);
  w.Key(kDownloadURL_UPDATE, Value(r, kDownloadURL_UPDATE));
  w.Key(kNameOfUpdateFile, r.updateName);
  w.Key(kSizeOfUpdateFile, IntToStr(setupSize));
  for (const auto& [key, value] : r.newSetup)
    if (key != kDownloadURL_UPDATE) w.Key(key, value);
  if (!r.inform.name.empty()) {
    w.Section(kAutoInform);
    w.Key(kDownloadURL_INFORM, r.inform.url);
    w.Key(kNameOfInformFile, r.inform.name);
    w.Key(kSizeOfInformFile, IntToStr(r.inform.size));
  }
  return w.Text();
}

int RunRelease(const std::vector<std::string>& args) {
  if (args.empty() || args[0].rfind("--", 0) == 0) {
    std::fputs("mkpack release: give the release settings file first\n", stderr);
    return 2;
  }
  const std::string iniPath = args[0];
  const std::vector<std::string> options(args.begin() + 1, args.end());
  IniFile ini;
  std::string text, error;
  if (!FileExists(iniPath)) {
    std::fprintf(stderr, "mkpack: the release settings %s do not exist\n", iniPath.c_str());
    return 2;
  }
  if (!ini.Parse(ReadFileRange(iniPath), &error)) {
    std::fprintf(stderr, "mkpack: %s: %s\n", iniPath.c_str(), error.c_str());
    return 2;
  }
  Release release;
  if (auto e = ReadRelease(ini, fs::path(iniPath).parent_path().string(), options, release); !e.empty()) {
    std::fprintf(stderr, "mkpack: %s\n", e.c_str());
    return 2;
  }

  std::error_code ec;
  fs::create_directories(release.folder, ec);
  std::vector<std::string> written;
  error = ec ? "cannot make the folder " + release.folder + ": " + ec.message() : ExecuteBuild(release.setup, written);
  const int64_t size = error.empty() ? GetFileSizeByName(release.setup.outPath) : 0;
  if (error.empty() && size > kInt32Max) error = "the update setup is larger than the agent can announce (2 GB)";
  const std::string infoPath = (fs::path(release.folder) / release.infoName).string();
  // Signed, the setup gets its signature before the information file announces it.
  if (error.empty() && !release.privateKeyPath.empty()) {
    error = SignFile(release.privateKeyPath, release.setup.outPath);
    if (error.empty()) written.push_back(release.setup.outPath + kSignatureSuffix);
  }
  if (error.empty()) {
    // Under a temporary name first: an agent fetching meanwhile gets the old file or the new one.
    const std::string temp = infoPath + ".mkpack-tmp";
    if (!WriteFileData(temp, InformationFileText(release, size)))
      error = "cannot write " + temp;
    // The signature names the file as published; it is made from the temporary copy.
    else if (!release.privateKeyPath.empty() && !(error = SignFile(release.privateKeyPath, temp, infoPath)).empty())
      DeleteFileByName(infoPath + kSignatureSuffix);
    else if (fs::rename(temp, infoPath, ec); ec)
      error = "cannot write " + infoPath + ": " + ec.message();
    if (!error.empty()) DeleteFileByName(temp);
  }
  if (!error.empty()) {
    std::fprintf(stderr, "mkpack: %s\n", error.c_str());
    return 1;
  }
  if (!release.setup.quiet) {
    PrintWritten(written);
    PrintWritten({infoPath});
  }
  return 0;
}
