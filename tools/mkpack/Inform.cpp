// mkpack inform: reads the announcement's settings and the command line, checks them against what
// the agent accepts, and writes the inform file and then the information file (so that an agent
// that fetches the new information file finds the inform file already there).
#include "Inform.h"

#include "InputRules.h"
#include "Signing.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "agent/AutoInform.h"
#include "agent/InformFile.h"
#include "agent/InformLayout.h"
#include "pack/InfoFileKeys.h"
#include "pack/InfoFileWriter.h"
#include "pack/PackWriter.h"
#include "pack/PackX.h"
#include "util/Files.h"
#include "util/IniFile.h"
#include "util/Utils.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSection = "Inform";
const char* const kKeys[] = {"Text",     "Token",     "Scrambled",     "Folder",      "InformFile",
                             "InfoFile", "UpdateUrl", "WebPage",       "Width",       "Height",
                             "Version",  "Stamp",     "ValidVersions", "ProgramName", "Seed"};
constexpr int kMaxDialogSize = 32767;

struct InformInputs {
  std::string textPath;
  std::string privateKeyPath;  // signs the inform file and the information file
  std::string token;  // clear
  bool scrambled = true;
  std::string folder;
  std::string informName;  // NameOfInformFile; default: the text's stem + ".inform"
  std::string infoName;    // the information file, as InfoFile= of the setup's [Update]
  std::string updateUrl;   // DownloadURL_UPDATE
  std::string webPage;     // DownloadURL_INFORM
  int width = kInformDefaultSize, height = kInformDefaultSize;
  int version = 0, stamp = 0;
  std::string validVersions, programName;
  uint32_t seed = 1;
  bool quiet = false;
};

std::string CheckKnownKeys(const IniFile& ini) {
  std::vector<KnownKey> known;
  for (const char* k : kKeys) known.push_back({kSection, k});
  const std::optional<UnknownKey> unknown = FindUnknownKey(ini, known);
  if (!unknown || unknown->key.empty()) return unknown ? UnknownKeyText(*unknown) : std::string();
  return "unknown key " + unknown->key + " in [" + kSection + "]";
}

std::string ReadNumber(const std::string& text, const char* what, int64_t lo, int64_t hi, int64_t& out) {
  const std::optional<int64_t> v = NumberIn(text, lo, hi);
  if (!v) return NumberRangeText(std::string(what) + "=" + text, lo, hi);
  out = *v;
  return {};
}

std::string ReadBool(const std::string& text, const char* what, bool& out) {
  const std::optional<bool> flag = ParseFlag(text);
  if (!flag) return NotAFlagText(what, text);
  out = *flag;
  return {};
}

bool IsBareName(const std::string& name) {
  return !name.empty() && name.find_first_of("/\\:|*?\"<>") == std::string::npos;
}

// The agent compares "," + its version + "," with "," + the list + ",", so the list must be bare
// decimal numbers; and an agent whose version is not below the announced one never shows it.
std::string CheckValidVersions(const std::string& list, int version) {
  if (list.empty()) return {};
  size_t from = 0;
  for (;;) {
    const size_t comma = list.find(',', from);
    const std::string item = list.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos)
      return "ValidVersions=" + list + " must be version numbers separated by \",\" without blanks";
    if (ParseInt64(item).value_or(INT64_MAX) >= version)
      return "ValidVersions holds " + item + ", which is not below Version=" + std::to_string(version) +
             ": an agent of that version never shows the announcement";
    if (comma == std::string::npos) return {};
    from = comma + 1;
  }
}

std::string ReadInputs(const IniFile& ini, const std::string& iniDir, const std::vector<std::string>& options,
                       InformInputs& in) {
  if (auto e = CheckKnownKeys(ini); !e.empty()) return e;
  auto get = [&](const char* key, const char* def = "") { return ini.Get(kSection, key, def); };
  in.textPath = Resolve(iniDir, get("Text"));
  in.token = get("Token");
  std::string scrambled = get("Scrambled", "1");
  in.folder = Resolve(iniDir, get("Folder"));
  in.informName = get("InformFile");
  in.infoName = get("InfoFile");
  in.updateUrl = get("UpdateUrl");
  in.webPage = get("WebPage");
  std::string width = get("Width", "360"), height = get("Height", "360"), version = get("Version"),
              stamp = get("Stamp"), seed = get("Seed", "1");
  in.validVersions = get("ValidVersions");
  in.programName = get("ProgramName");

  const auto take = [&](const std::string& opt, const std::string* value) {
    if (opt == "--quiet")
      in.quiet = true;
    else if (opt == "--plain")
      scrambled = "0";
    else if (opt == "--text")
      in.textPath = *value;
    else if (opt == "--token")
      in.token = *value;
    else if (opt == "--private-key")
      in.privateKeyPath = *value;
    else
      in.folder = *value;
  };
  if (auto e = WalkOptions(options, {"--quiet", "--plain"}, {"--text", "--token", "--out", "--private-key"}, take);
      !e.empty())
    return e;

  if (auto e = ReadBool(scrambled, "Scrambled", in.scrambled); !e.empty()) return e;
  if (in.textPath.empty()) return "no announcement (Text= or --text)";
  if (in.token.empty()) return "no token (Token= or --token): the agent shows only an inform file with its product's";
  if (ScrambleToken(in.token, 1).empty()) return "the token " + in.token + " is longer than 15 characters";
  if (in.folder.empty()) return "no update folder (Folder= or --out)";
  if (in.informName.empty()) in.informName = fs::path(in.textPath).stem().string() + ".inform";
  if (!IsBareName(in.informName)) return "InformFile=" + in.informName + " must be a bare file name";
  if (!IsBareName(in.infoName))
    return "InfoFile= must name the information file (a bare file name, as InfoFile= of the setup's [Update])";
  if (SameText(in.infoName, in.informName)) return "InformFile and InfoFile name the same file";
  if (in.updateUrl.empty()) return "no UpdateUrl= (the folder the agents fetch the inform file from)";
  if (!Trim(in.webPage).empty() && !IsWebAddress(in.webPage))
    return "WebPage=" + in.webPage + " is not an http:// or https:// address; the agent would not open it";

  int64_t n = 0;
  if (auto e = ReadNumber(width, "Width", 1, kMaxDialogSize, n); !e.empty()) return e;
  in.width = int(n);
  if (auto e = ReadNumber(height, "Height", 1, kMaxDialogSize, n); !e.empty()) return e;
  in.height = int(n);
  if (version.empty()) return "no Version= (the agents show the announcement while their version is below it)";
  if (auto e = ReadNumber(version, "Version", 1, INT32_MAX, n); !e.empty()) return e;
  in.version = int(n);
  if (stamp.empty()) stamp = version;
  if (auto e = ReadNumber(stamp, "Stamp", INT32_MIN, INT32_MAX, n); !e.empty()) return e;
  in.stamp = int(n);
  if (auto e = ReadNumber(seed, "Seed", 0, 0xFFFFFFFFLL, n); !e.empty()) return e;
  in.seed = uint32_t(n);
  return CheckValidVersions(in.validVersions, in.version);
}

std::string InfoFileText(const InformInputs& in, int64_t informSize) {
  using namespace InfoKey;
  InfoFileWriter w;
  w.Section(kNewSetup);
  w.Key(kDownloadURL_UPDATE, in.updateUrl);
  w.Key(kVersionNew, std::to_string(in.version));
  w.Key(kStamp, std::to_string(in.stamp));
  if (!in.validVersions.empty()) w.Key(kValidVersions, in.validVersions);
  if (!in.programName.empty()) w.Key(kProgramName, in.programName);
  w.Section(kGeneral, true);
  w.Key(kAutoInformOn, "1");
  w.Section(kAutoInform, true);
  w.Key(kDownloadURL_INFORM, Trim(in.webPage));
  w.Key(kNameOfInformFile, in.informName);
  w.Key(kSizeOfInformFile, std::to_string(informSize));
  w.Key(kAutoInformW, std::to_string(in.width));
  w.Key(kAutoInformH, std::to_string(in.height));
  return w.Text();
}

// Written under a temporary name and renamed, so that a reader never sees half a file.
std::string WriteWhole(const std::string& path, const std::string& data) {
  const std::string tmp = path + ".mkpack-tmp";
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return "cannot write " + tmp;
  const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  if (std::fclose(f) != 0 || !ok) {
    std::remove(tmp.c_str());
    return "cannot write " + tmp;
  }
  std::error_code ec;
  fs::rename(tmp, path, ec);
  if (ec) {
    std::remove(tmp.c_str());
    return "cannot rename " + tmp + " to " + path + ": " + ec.message();
  }
  return {};
}

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "mkpack inform: %s\n", message.c_str());
  return code;
}

int Show(const std::vector<std::string>& args) {
  std::string path, token;
  bool withToken = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--token" && i + 1 < args.size()) {
      token = args[++i];
      withToken = true;
    } else if (path.empty() && args[i].rfind("--", 0) != 0) {
      path = args[i];
    } else {
      return Fail(2, "usage: mkpack inform --show FILE [--token TOKEN]");
    }
  }
  if (path.empty()) return Fail(2, "usage: mkpack inform --show FILE [--token TOKEN]");
  if (!FileExists(path)) return Fail(2, "the inform file " + path + " does not exist");
  const std::string text = ReadFileRange(path);
  const TInformHeader h = ParseInformHeader(text);
  std::printf("inform file      %s  %lld bytes\n", path.c_str(), static_cast<long long>(text.size()));
  std::printf("form             %s\n", StartsWith("Scrambled=01", text, false) ? "scrambled" : "plain");
  std::printf("token (clear)    %s\n", h.token.c_str());
  std::printf("content          %s, %lld bytes\n",
              h.body.empty()              ? "none (the agent opens the web page at once, if there is one)"
              : IsRichTextContent(h.body) ? "rich text"
                                          : "plain text",
              static_cast<long long>(h.body.size()));
  std::printf("---\n%s\n---\n", h.body.c_str());
  if (!withToken) return 0;
  if (!InformTokenMatches(text, token)) {
    std::printf("token DOES NOT MATCH %s: an agent of that product refuses the file\n", token.c_str());
    return 1;
  }
  std::printf("token matches %s\n", token.c_str());
  return 0;
}

}  // namespace

int RunInform(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "--show") return Show({args.begin() + 1, args.end()});
  std::vector<std::string> options = args;
  IniFile ini;
  std::string iniDir;
  if (!options.empty() && options[0].rfind("--", 0) != 0) {
    const std::string iniPath = options[0];
    options.erase(options.begin());
    if (!FileExists(iniPath)) return Fail(2, "the settings file " + iniPath + " does not exist");
    std::string error;
    if (!ini.Parse(ReadFileRange(iniPath), &error)) return Fail(2, iniPath + ": " + error);
    iniDir = fs::path(iniPath).parent_path().string();
  }
  InformInputs in;
  if (auto e = ReadInputs(ini, iniDir, options, in); !e.empty()) return Fail(2, e);
  if (!FileExists(in.textPath)) return Fail(2, "the announcement " + in.textPath + " does not exist");
  const std::string content = ReadFileRange(in.textPath);
  if (content.empty() && GetFileSizeByName(in.textPath) > 0) return Fail(2, "cannot read " + in.textPath);
  if (content.empty() && Trim(in.webPage).empty())
    return Fail(2, "the announcement is empty and there is no WebPage=: the agent would show nothing");

  const std::string inform =
      BuildInformFile(content, ScrambleToken(in.token, in.seed), in.scrambled, int(33 + in.seed % 90));
  std::error_code ec;
  fs::create_directories(in.folder, ec);
  if (ec) return Fail(1, "cannot make the folder " + in.folder + ": " + ec.message());
  const std::string informPath = (fs::path(in.folder) / in.informName).string();
  const std::string infoPath = (fs::path(in.folder) / in.infoName).string();
  if (auto e = WriteWhole(informPath, inform); !e.empty()) return Fail(1, e);
  std::vector<std::string> written{informPath, infoPath};
  if (!in.privateKeyPath.empty()) {
    if (auto e = SignFile(in.privateKeyPath, informPath); !e.empty()) return Fail(1, e);
    written.push_back(informPath + kSignatureSuffix);
  }
  const std::string infoText = InfoFileText(in, int64_t(inform.size()));
  // The information file's signature comes first, so that the announced file is complete when it appears.
  if (!in.privateKeyPath.empty()) {
    const std::string temp = infoPath + ".mkpack-sign";
    std::string e = WriteFileData(temp, infoText) ? SignFile(in.privateKeyPath, temp, infoPath) : "cannot write " + temp;
    DeleteFileByName(temp);
    if (!e.empty()) return Fail(1, e);
    written.push_back(infoPath + kSignatureSuffix);
  }
  if (auto e = WriteWhole(infoPath, infoText); !e.empty()) return Fail(1, e);
  if (!in.quiet)
    for (const auto& path : written)
      std::printf("%s  %lld bytes\n", path.c_str(), static_cast<long long>(GetFileSizeByName(path)));
  return 0;
}
