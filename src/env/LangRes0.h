// Translated texts from a package's language block. The language is chosen once per process, by
// the first lookup: the system's language, else English, else a single language whatever its name,
// else none ("*"), in which case every lookup gives the caller's compiled default.
#pragma once
#include <string>
#include <string_view>

// The item (0x01 name 0x01 key=value ... 0x01) of the language named name (trimmed, case
// ignored) in block; the only language when the block holds one; "*" when none fits.
std::string FindLanguageItem(std::string_view block, std::string_view name);
// The value of key (case ignored) in the selected language, choosing the language from block on
// the first lookup of the process. A key present with an empty value gives the empty text; an
// absent key, or no language at all, gives def.
std::string LookupLangString(std::string_view block, std::string_view key, std::string_view def);
// The selected language item: empty before the first lookup, "*" when no language was found.
const std::string& SelectedLanguageItem();
// Forgets the choice so that the next lookup chooses again (tests only; the program never does).
void ResetLanguageSelection();
