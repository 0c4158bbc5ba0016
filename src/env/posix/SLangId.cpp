// Host build: no thread locale to ask; the caller falls back to English.
#include "env/SLangId.h"

int PlatformThreadLanguageId() { return 0; }
