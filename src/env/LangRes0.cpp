// Language strings: the once-per-process language choice and key lookup.
#include "env/LangRes0.h"

#include "env/SLangId.h"
#include "util/Utils.h"
#include "util/VSUB.h"

namespace {
std::string& Selected() {
  static std::string item;
  return item;
}
}  // namespace

std::string FindLanguageItem(std::string_view block, std::string_view name) {
  const int count = SUB::Count(block);
  for (int i = 0; i < count; ++i) {
    std::string item = SUB::Get(block, i);
    if (SameTextTrim(SUB::Get(item, 0), name)) return item;
  }
  if (count == 1) return SUB::Get(block, 0);
  return "*";
}

std::string LookupLangString(std::string_view block, std::string_view key, std::string_view def) {
  std::string& selected = Selected();
  if (selected.empty()) {
    selected = FindLanguageItem(block, GetSystemLanguageName());
    if (selected == "*") selected = FindLanguageItem(block, "English");
  }
  if (selected.size() <= 1) return std::string(def);
  return SUB::GetValue(selected, key, def, {});
}

const std::string& SelectedLanguageItem() { return Selected(); }
void ResetLanguageSelection() { Selected().clear(); }
