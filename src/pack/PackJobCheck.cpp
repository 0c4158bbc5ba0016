// The builder's checks of a job before anything is written: entry names, the characters each
// field can carry, tokens, the web setup's name and the part size.
#include "pack/PackWriter.h"

#include <algorithm>
#include <cctype>

#include "util/Utils.h"

namespace {

bool HasAnyOf(std::string_view text, std::string_view chars) { return text.find_first_of(chars) != text.npos; }

std::string CheckEntryName(std::string_view name) {
  using namespace std::string_view_literals;
  if (name.empty()) return "empty file name";
  std::string quoted = "\"" + std::string(name) + "\"";
  if (HasAnyOf(name, "|*\0\r\n"sv)) return "file name " + quoted + " holds a character the package cannot carry";
  if (name.front() == '\\' || name.front() == '/' || name.find(':') != name.npos)
    return "file name " + quoted + " is not relative";
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('\\', start);
    if (end == name.npos) end = name.size();
    std::string_view part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..")
      return "file name " + quoted + " has an empty, \".\" or \"..\" folder";
    start = end + 1;
  }
  return {};
}

std::string CheckListValue(std::string_view what, std::string_view value, std::string_view banned) {
  if (HasAnyOf(value, banned)) return std::string(what) + " holds a character the package cannot carry";
  return {};
}

}  // namespace

std::string ValidatePackJob(const PackJob& job, std::string_view outPath) {
  using namespace std::string_view_literals;
  if (!IsPackStub(job.stub)) return "the stub is not an executable with its PE signature at offset 256";
  if (ReadPackageEndFromImage(job.stub) != 0)
    return "the stub already carries a package (its end mark is set)";
  if (job.stub.size() > 0xFFFFFFFFu) return "the stub is too large";
  if (outPath.empty()) return "no output file";
  if (job.level < 0 || job.level > 9) return "compression level must be 0..9";
  std::vector<std::string_view> names;
  if (!job.engine.name.empty()) {
    if (auto e = CheckEntryName(job.engine.name); !e.empty()) return e;
    if (HasAnyOf(job.engineArgs, "|\0\r\n"sv)) return "the engine switches hold a character the package cannot carry";
    names.push_back(job.engine.name);
  }
  for (const auto& f : job.files) {
    if (auto e = CheckEntryName(f.name); !e.empty()) return e;
    names.push_back(f.name);
  }
  // Names that differ only in case are one file on the target system.
  std::vector<std::string_view> sorted = names;
  std::sort(sorted.begin(), sorted.end(), [](std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(uint8_t(x)) < std::tolower(uint8_t(y));
    });
  });
  for (size_t i = 1; i < sorted.size(); ++i)
    if (SameText(sorted[i - 1], sorted[i])) return "the file name \"" + std::string(sorted[i]) + "\" occurs twice";
  for (const auto& lang : job.languages) {
    if (lang.name.empty() || HasAnyOf(lang.name, "\x01\x02\0"sv)) return "a language has an empty or unusable name";
    for (const auto& [key, value] : lang.items) {
      if (key.empty() || HasAnyOf(key, "=\x01\x02\0"sv))
        return "language " + lang.name + ": key \"" + key + "\" is empty or holds a character it cannot carry";
      if (HasAnyOf(value, "\x01\x02\0"sv))
        return "language " + lang.name + ": the value of " + key + " holds a character it cannot carry";
    }
  }
  using Field = std::pair<const char*, const std::string*>;
  const auto& u = job.update;
  const Field updateFields[] = {{"the update URL", &u.infoUrl},
                                {"the update information file", &u.infoFile},
                                {"the agent name", &u.agentExe},
                                {"the update token", &u.token}};
  for (const auto& [what, value] : updateFields)
    if (auto e = CheckListValue(what, *value, "|\0"sv); !e.empty()) return e;
  if (u.token.size() > 15) return "the update token is longer than 15 characters";
  if (job.layout == PackLayout::Web) {
    const auto& w = job.web;
    const Field webFields[] = {
        {"the web URL", &w.url}, {"the web setup name", &w.setupName}, {"the web token", &w.token}};
    for (const auto& [what, value] : webFields)
      if (auto e = CheckListValue(what, *value, "|\0"sv); !e.empty()) return e;
    if (w.token.size() > 15) return "the web token is longer than 15 characters";
    if (w.token.empty()) return "a web setup needs a token (an empty one matches nothing)";
    if (w.setupName.empty() || HasAnyOf(w.setupName, "\\/:"sv)) return "the web setup name must be a plain file name";
  }
  if ((job.layout == PackLayout::Span || job.layout == PackLayout::SpanRelaunch) && job.partSize <= 0)
    return "a part set needs a part size";
  return {};
}