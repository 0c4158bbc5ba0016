// Language names of the platform's primary language identifiers, and the system's language.
#pragma once
#include <string>

// The name from the compiled language table ("RUSSIAN" for 25), or empty. The table is searched
// in order for the first item holding the zero-padded number anywhere, so 26 is CROATIAN and 43
// finds DUTCH(STANDARD) through 1043.
std::string GetLanguageName(int languageId);
// GetLanguageName of the primary language of the thread locale read at start (English, 9, when
// the platform reports none).
std::string GetSystemLanguageName();
// Replaces the identifier that GetSystemLanguageName uses (tests run the choice for any system).
void SetSystemLanguageId(int languageId);
// The primary language of the calling thread's locale; 0 when the platform reports none.
int PlatformThreadLanguageId();
