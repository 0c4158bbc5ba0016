// How mkpack reads what vendors give it, for every command alike: paths in a settings file, the
// keys a settings file may hold, flags, numbers and command-line options.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "util/IniFile.h"

// path as given when it is empty or absolute (or base is empty), else base/path made plain.
std::string Resolve(const std::string& base, const std::string& path);

// A key a settings file may hold.
struct KnownKey {
  std::string_view section, key;
};
// The first section or key that no known key names.
struct UnknownKey {
  std::string section;       // as the file writes it
  std::string_view knownAs;  // the known section of an unknown key
  std::string key;           // empty: the section itself is unknown
};
// Sections whose name starts with skipPrefix (case folded, something after it) are not checked.
std::optional<UnknownKey> FindUnknownKey(const IniFile& ini, std::span<const KnownKey> known,
                                         std::string_view skipPrefix = {});
// "unknown section [s]" or "unknown key k in [s]", with the section as the file writes it.
std::string UnknownKeyText(const UnknownKey& unknown);

// "1", "yes", "true", "on" and "0", "no", "false", "off" in any case; nothing for anything else.
std::optional<bool> ParseFlag(std::string_view text);
// "what=text is neither 1 nor 0"
std::string NotAFlagText(std::string_view what, std::string_view text);

// A whole number within lo..hi (blanks around it and a "+" taken); nothing for anything else.
std::optional<int64_t> NumberIn(std::string_view text, int64_t lo, int64_t hi);
// "... must be a number from lo to hi"
std::string NumberRangeText(std::string_view what, int64_t lo, int64_t hi);

// Walks a command line's options in order: a switch stands alone, any other known option takes
// the next argument as its value. take(option, value) gets each, value nullptr for a switch.
// Returns the error text, empty when every option was known and had its value; an unknown option
// gets hint(option) after its text when a hint is given.
using OptionTaker = std::function<void(const std::string& option, const std::string* value)>;
std::string WalkOptions(const std::vector<std::string>& options, std::initializer_list<std::string_view> switches,
                        std::initializer_list<std::string_view> valued, const OptionTaker& take,
                        const std::function<std::string(const std::string&)>& hint = {});
