// Win32: the thread locale's primary language.
#include "env/SLangId.h"

#include <windows.h>

int PlatformThreadLanguageId() { return PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())); }
