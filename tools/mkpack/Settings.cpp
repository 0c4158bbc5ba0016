// mkpack build: reads the settings and the command line, collects the folder of files and writes
// the package with progress on stderr.
#include "Settings.h"

#include "InputRules.h"
#include "Signing.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "util/Files.h"
#include "util/Signature.h"
#include "util/Utils.h"

namespace fs = std::filesystem;

namespace {

// Every key the settings may hold outside the language sections; anything else is a typo.
const KnownKey kKnownKeys[] = {
    {"Package", "Stub"},
    {"Package", "Files"},
    {"Package", "Engine"},
    {"Package", "EngineName"},
    {"Package", "EngineSwitches"},
    {"Package", "Output"},
    {"Package", "Layout"},
    {"Package", "PartSize"},
    {"Package", "Compression"},
    {"Package", "Checksum"},
    {"Package", "Seed"},
    {"Options", "ConfirmTempExtract"},
    {"Options", "SecondaryBar"},
    {"Options", "AgentLog"},
    {"Options", "ConfirmDownload"},
    {"Options", "InstallAgent"},
    {"Options", "AutoUpdateAgent"},
    {"Update", "InfoUrl"},
    {"Update", "InfoFile"},
    {"Update", "AgentExe"},
    {"Update", "Token"},
    {"Update", "Hide"},
    {"Update", "PublicKey"},
    {"Web", "Url"},
    {"Web", "SetupName"},
    {"Web", "AlwaysDownload"},
    {"Web", "Token"},
};
constexpr std::string_view kLanguagePrefix = "Language ";

// A flag of the settings; an empty value leaves out as it is.
std::string ReadBool(const IniFile& ini, const char* section, const char* key, bool& out) {
  std::string v = ini.Get(section, key);
  if (v.empty()) return {};
  const std::optional<bool> flag = ParseFlag(v);
  if (!flag) return NotAFlagText(std::string("[") + section + "] " + key, v);
  out = *flag;
  return {};
}

std::string ReadInt(const std::string& text, const char* what, int64_t lo, int64_t hi, int64_t& out) {
  const std::optional<int64_t> v = NumberIn(text, lo, hi);
  if (!v) return NumberRangeText(what, lo, hi);
  out = *v;
  return {};
}

std::string ReadLayout(const std::string& text, PackLayout& layout) {
  static const std::map<std::string, PackLayout> kLayouts = {{"single", PackLayout::Single},
                                                             {"span", PackLayout::Span},
                                                             {"relaunch", PackLayout::SpanRelaunch},
                                                             {"web", PackLayout::Web}};
  for (const auto& [name, value] : kLayouts)
    if (SameText(name, text)) return layout = value, std::string();
  return "layout \"" + text + "\" is none of single, span, relaunch, web";
}

// The files of dir as a folder tree: names relative to dir with "\" between folders, in name order.
std::string CollectFiles(const std::string& dir, std::vector<PackFileSource>& files) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return "the files folder " + dir + " does not exist";
  std::vector<std::pair<std::string, std::string>> found;  // name, path
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string name = it->path().lexically_relative(dir).generic_string();
    std::replace(name.begin(), name.end(), '/', '\\');
    found.emplace_back(name, it->path().string());
  }
  if (ec) return "cannot list " + dir + ": " + ec.message();
  std::sort(found.begin(), found.end());
  for (auto& [name, path] : found) files.push_back({name, path, {}, GetFileDosTime(path)});
  return {};
}

std::string ReadWholeFile(const std::string& path, const char* what, std::string& out) {
  if (!FileExists(path)) return std::string("the ") + what + " " + path + " does not exist";
  out = ReadFileRange(path);
  if (out.empty() && GetFileSizeByName(path) > 0) return "cannot read " + path;
  return {};
}

// Progress on stderr: a line that rewrites itself on a terminal, a line per tenth otherwise.
class ProgressLine {
 public:
  explicit ProgressLine(bool quiet) : quiet_(quiet), tty_(isatty(2)) {}
  ~ProgressLine() {
    if (shown_ && tty_) std::fputc('\n', stderr);
  }
  void operator()(int64_t done, int64_t total, std::string_view name) {
    if (quiet_ || total <= 0) return;
    int step = int(done * (tty_ ? 100 : 10) / total);
    if (step == last_) return;
    last_ = step;
    shown_ = true;
    std::fprintf(stderr, tty_ ? "\rmkpack: %3d%% %.1f of %.1f MB  %-40.40s" : "mkpack: %d%% %.1f of %.1f MB  %.60s\n",
                 int(done * 100 / total), double(done) / 1048576, double(total) / 1048576, std::string(name).c_str());
  }

 private:
  bool quiet_, tty_;
  bool shown_ = false;
  int last_ = -1;
};

}  // namespace

long long ParseByteSize(const std::string& text) {
  if (text.empty() || !std::isdigit(uint8_t(text[0]))) return -1;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  std::string unit = end;
  int shift = 0;
  if (unit == "K" || unit == "k")
    shift = 10;
  else if (unit == "M" || unit == "m")
    shift = 20;
  else if (unit == "G" || unit == "g")
    shift = 30;
  else if (!unit.empty())
    return -1;
  if (v > (1LL << (62 - shift))) return -1;
  return v << shift;
}

std::string ReadBuildInputs(const IniFile& ini, const std::string& iniDir, const std::vector<std::string>& options,
                            BuildInputs& in) {
  if (auto unknown = FindUnknownKey(ini, kKnownKeys, kLanguagePrefix)) return UnknownKeyText(*unknown);
  PackJob& job = in.job;
  in.stubPath = Resolve(iniDir, ini.Get("Package", "Stub"));
  in.filesDir = Resolve(iniDir, ini.Get("Package", "Files"));
  in.enginePath = Resolve(iniDir, ini.Get("Package", "Engine"));
  in.outPath = Resolve(iniDir, ini.Get("Package", "Output"));
  job.engine.name = ini.Get("Package", "EngineName");
  job.engineArgs = ini.Get("Package", "EngineSwitches");
  std::string layout = ini.Get("Package", "Layout", "single");
  std::string partSize = ini.Get("Package", "PartSize");
  std::string level = ini.Get("Package", "Compression", "6");
  std::string seed = ini.Get("Package", "Seed", "1");
  std::string publicKeyPath = Resolve(iniDir, ini.Get("Update", "PublicKey"));
  if (auto e = ReadBool(ini, "Package", "Checksum", job.checksum); !e.empty()) return e;

  // The targets of the valued options, in the order of their names below.
  std::string* const targets[] = {&in.stubPath, &in.filesDir,      &in.enginePath, &in.outPath,        &layout,
                                  &partSize,     &publicKeyPath,    &level,         &in.privateKeyPath};
  const std::initializer_list<std::string_view> valued = {"--stub",      "--files",      "--engine",
                                                          "--out",       "--layout",     "--part-size",
                                                          "--public-key", "--level",     "--private-key"};
  const auto take = [&](const std::string& opt, const std::string* value) {
    if (!value) {
      in.quiet = true;
      return;
    }
    *targets[std::find(valued.begin(), valued.end(), opt) - valued.begin()] = *value;
  };
  if (auto e = WalkOptions(options, {"--quiet"}, valued, take); !e.empty()) return e;

  if (auto e = ReadLayout(layout, job.layout); !e.empty()) return e;
  int64_t number = 0;
  if (auto e = ReadInt(level, "the compression level", 0, 9, number); !e.empty()) return e;
  job.level = int(number);
  if (auto e = ReadInt(seed, "Seed", 0, 0xFFFFFFFFLL, number); !e.empty()) return e;
  job.seed = uint32_t(number);
  if (job.layout == PackLayout::Span || job.layout == PackLayout::SpanRelaunch) {
    job.partSize = ParseByteSize(partSize);
    if (job.partSize <= 0) return "layout " + layout + " needs a part size (PartSize= or --part-size), such as 1440K";
  }
  if (in.stubPath.empty()) return "no stub (Stub= in [Package] or --stub)";
  if (in.outPath.empty()) return "no output file (Output= in [Package] or --out)";

  struct Flag {
    const char* key;
    uint8_t bit;
  };
  for (const Flag& f : {Flag{"ConfirmTempExtract", kOptionConfirmTempExtract},
                        Flag{"SecondaryBar", kOptionSecondaryBar}, Flag{"AgentLog", kOptionAgentLog}}) {
    bool on = false;
    if (auto e = ReadBool(ini, "Options", f.key, on); !e.empty()) return e;
    if (on) job.options |= f.bit;
  }
  if (auto e = ReadBool(ini, "Options", "ConfirmDownload", job.confirmDownload); !e.empty()) return e;
  if (auto e = ReadBool(ini, "Options", "InstallAgent", job.installAgent); !e.empty()) return e;
  if (auto e = ReadBool(ini, "Options", "AutoUpdateAgent", job.autoUpdateAgent); !e.empty()) return e;

  PackUpdateSettings& u = job.update;
  u.infoUrl = ini.Get("Update", "InfoUrl", u.infoUrl);
  u.infoFile = ini.Get("Update", "InfoFile", u.infoFile);
  u.agentExe = ini.Get("Update", "AgentExe", u.agentExe);
  u.token = ini.Get("Update", "Token");
  if (auto e = ReadBool(ini, "Update", "Hide", u.hide); !e.empty()) return e;
  if (!publicKeyPath.empty()) {
    if (auto e = LoadPublicKeyFile(publicKeyPath, u.publicKey); !e.empty()) return e;
  }
  PackWebSettings& w = job.web;
  w.url = ini.Get("Web", "Url");
  w.setupName = ini.Get("Web", "SetupName");
  w.token = ini.Get("Web", "Token", u.token);
  if (auto e = ReadBool(ini, "Web", "AlwaysDownload", w.alwaysDownload); !e.empty()) return e;
  if (job.layout == PackLayout::Web && (w.url.empty() || w.setupName.empty()))
    return "layout web needs Url= and SetupName= in [Web]";
  if (job.layout == PackLayout::Web && w.token.empty())
    return "layout web needs a token (Token= in [Web] or [Update]): the stub accepts only a download that carries it";

  for (const auto& section : ini.Sections()) {
    if (section.name.size() <= kLanguagePrefix.size() ||
        !SameText(std::string_view(section.name).substr(0, kLanguagePrefix.size()), kLanguagePrefix))
      continue;
    job.languages.push_back({section.name.substr(kLanguagePrefix.size()), section.items});
  }
  return {};
}

std::string PrepareBuild(const std::string& iniPath, const std::vector<std::string>& options, BuildInputs& in) {
  IniFile ini;
  std::string iniDir;
  if (!iniPath.empty()) {
    std::string text, error;
    if (auto e = ReadWholeFile(iniPath, "settings file", text); !e.empty()) return e;
    if (!ini.Parse(text, &error)) return iniPath + ": " + error;
    iniDir = fs::path(iniPath).parent_path().string();
  }
  if (auto e = ReadBuildInputs(ini, iniDir, options, in); !e.empty()) return e;
  PackJob& job = in.job;
  std::string error = ReadWholeFile(in.stubPath, "stub", job.stub);
  if (error.empty() && !in.enginePath.empty()) {
    job.engine.path = in.enginePath;
    job.engine.dosTime = GetFileDosTime(in.enginePath);
    if (job.engine.name.empty()) job.engine.name = fs::path(in.enginePath).filename().string();
    if (!FileExists(in.enginePath)) error = "the engine " + in.enginePath + " does not exist";
  }
  if (error.empty() && !in.filesDir.empty()) error = CollectFiles(in.filesDir, job.files);
  return error;
}

std::string ExecuteBuild(const BuildInputs& in, std::vector<std::string>& written) {
  if (in.job.engine.name.empty() && !in.quiet)
    std::fputs("mkpack: warning: no engine; the setup will extract its files and start nothing\n", stderr);
  ProgressLine progress(in.quiet);
  return WritePackage(in.job, in.outPath, &written, std::ref(progress));
}

void PrintWritten(const std::vector<std::string>& written) {
  for (const auto& path : written)
    std::printf("%s  %lld bytes\n", path.c_str(), static_cast<long long>(GetFileSizeByName(path)));
}

int RunBuild(const std::vector<std::string>& args) {
  std::vector<std::string> options = args;
  std::string iniPath;
  if (!options.empty() && options[0].rfind("--", 0) != 0) {
    iniPath = options[0];
    options.erase(options.begin());
  }
  BuildInputs in;
  if (auto e = PrepareBuild(iniPath, options, in); !e.empty()) {
    std::fprintf(stderr, "mkpack: %s\n", e.c_str());
    return 2;
  }
  std::vector<std::string> written;
  if (auto e = ExecuteBuild(in, written); !e.empty()) {
    std::fprintf(stderr, "mkpack: %s\n", e.c_str());
    return 1;
  }
  // The web stub runs where it is; what it fetches (and any other setup written) gets a signature.
  if (!in.privateKeyPath.empty()) {
    const size_t files = written.size();
    for (size_t i = in.job.layout == PackLayout::Web ? 1 : 0; i < files; ++i) {
      if (auto e = SignFile(in.privateKeyPath, written[i]); !e.empty()) {
        std::fprintf(stderr, "mkpack: %s\n", e.c_str());
        return 1;
      }
      written.push_back(written[i] + kSignatureSuffix);
    }
  }
  if (!in.quiet) PrintWritten(written);
  return 0;
}
