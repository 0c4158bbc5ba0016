// The compiled language name table and the system language.
#include "env/SLangId.h"

#include "util/Utils.h"
#include "util/VSUB.h"

namespace {
// Primary language identifiers in alphabetical order, then eight full locale identifiers.
constexpr std::string_view kLanguageTable =
    "|AFRIKAANS            = 54|ALBANIAN             = 28|ARABIC               = 01"
    "|BASQUE               = 45|BELARUSIAN           = 35|BULGARIAN            = 02"
    "|CATALAN              = 03|CHINESE              = 04|CROATIAN             = 26"
    "|CZECH                = 05|DANISH               = 06|DUTCH                = 19"
    "|ENGLISH              = 09|ESTONIAN             = 37|FAEROESE             = 56"
    "|FARSI                = 41|FINNISH              = 11|FRENCH               = 12"
    "|GERMAN               = 07|GREEK                = 08|HEBREW               = 13"
    "|HUNGARIAN            = 14|ICELANDIC            = 15|INDONESIAN           = 33"
    "|ITALIAN              = 16|JAPANESE             = 17|KOREAN               = 18"
    "|LATVIAN              = 38|LITHUANIAN           = 39|NORWEGIAN            = 20"
    "|POLISH               = 21|PORTUGUESE           = 22|ROMANIAN             = 24"
    "|RUSSIAN              = 25|SERBIAN              = 26|SLOVAK               = 27"
    "|SLOVENIAN            = 36|SPANISH              = 10|SWEDISH              = 29"
    "|THAI                 = 30|TURKISH              = 31|UKRAINIAN            = 34"
    "|VIETNAMESE           = 42|CHINESE(SIMPLIFIED)  = 2052|CHINESE(TRADITIONAL) = 1028"
    "|DUTCH(FLEMISH)       = 2067|DUTCH(STANDARD)      = 1043|PORTUGUESE(PORTUGAL) = 2070"
    "|PORTUGUESE(BRAZIL)   = 1046|SERBIAN(LATIN)       = 2074|SERBIAN(CYRILIC)     = 3098|";

int& SystemLanguageId() {
  static int id = [] {
    int platform = PlatformThreadLanguageId();
    return platform ? platform : 9;
  }();
  return id;
}
}  // namespace

std::string GetLanguageName(int languageId) {
  const std::string number = IntToZeroPad(languageId, 2);
  const int count = SUB::Count(kLanguageTable);
  for (int i = 0; i < count; ++i) {
    std::string item = SUB::Get(kLanguageTable, i);
    size_t eq = item.find('=');
    if (item.find(number) != std::string::npos && eq != std::string::npos && eq > 0) return Trim(item.substr(0, eq));
  }
  return {};
}

std::string GetSystemLanguageName() { return GetLanguageName(SystemLanguageId()); }
void SetSystemLanguageId(int languageId) { SystemLanguageId() = languageId; }
