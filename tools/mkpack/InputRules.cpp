// mkpack's reading rules for settings files and command lines, shared by build, release and inform.
#include "InputRules.h"

#include <algorithm>
#include <filesystem>

#include "util/Utils.h"

namespace fs = std::filesystem;

std::string Resolve(const std::string& base, const std::string& path) {
  if (path.empty() || fs::path(path).is_absolute() || base.empty()) return path;
  return (fs::path(base) / path).lexically_normal().string();
}

std::optional<UnknownKey> FindUnknownKey(const IniFile& ini, std::span<const KnownKey> known,
                                         std::string_view skipPrefix) {
  for (const auto& section : ini.Sections()) {
    if (!skipPrefix.empty() && section.name.size() > skipPrefix.size() &&
        SameText(std::string_view(section.name).substr(0, skipPrefix.size()), skipPrefix))
      continue;
    const auto inSection = [&](const KnownKey& k) { return SameText(k.section, section.name); };
    const auto first = std::find_if(known.begin(), known.end(), inSection);
    if (first == known.end()) return UnknownKey{section.name, {}, {}};
    for (const auto& item : section.items) {
      // A plain name, not a structured binding: the lambda captures it (clang 14 cannot capture those).
      const auto& [itemKey, itemValue] = item;
      const std::string_view key = itemKey;
      if (std::none_of(known.begin(), known.end(),
                       [&](const KnownKey& k) { return inSection(k) && SameText(k.key, key); }))
        return UnknownKey{section.name, first->section, std::string(key)};
    }
  }
  return std::nullopt;
}

std::string UnknownKeyText(const UnknownKey& unknown) {
  if (unknown.key.empty()) return "unknown section [" + unknown.section + "]";
  return "unknown key " + unknown.key + " in [" + unknown.section + "]";
}

std::optional<bool> ParseFlag(std::string_view text) {
  for (const char* yes : {"1", "yes", "true", "on"})
    if (SameText(text, yes)) return true;
  for (const char* no : {"0", "no", "false", "off"})
    if (SameText(text, no)) return false;
  return std::nullopt;
}

std::string NotAFlagText(std::string_view what, std::string_view text) {
  return std::string(what) + "=" + std::string(text) + " is neither 1 nor 0";
}

std::optional<int64_t> NumberIn(std::string_view text, int64_t lo, int64_t hi) {
  const std::optional<int64_t> v = ParseInt64(text);
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return v;
}

std::string NumberRangeText(std::string_view what, int64_t lo, int64_t hi) {
  return std::string(what) + " must be a number from " + std::to_string(lo) + " to " + std::to_string(hi);
}

std::string WalkOptions(const std::vector<std::string>& options, std::initializer_list<std::string_view> switches,
                        std::initializer_list<std::string_view> valued, const OptionTaker& take,
                        const std::function<std::string(const std::string&)>& hint) {
  const auto among = [](std::initializer_list<std::string_view> names, const std::string& opt) {
    return std::find(names.begin(), names.end(), opt) != names.end();
  };
  for (size_t i = 0; i < options.size(); ++i) {
    const std::string& opt = options[i];
    if (among(switches, opt)) {
      take(opt, nullptr);
      continue;
    }
    if (!among(valued, opt)) return "unknown option " + opt + (hint ? hint(opt) : std::string());
    if (i + 1 >= options.size()) return opt + " needs a value";
    take(opt, &options[++i]);
  }
  return {};
}
