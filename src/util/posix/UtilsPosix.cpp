// Host side of the helpers that ask the system: no DBCS code page, no version resources.
#include "util/Utils.h"

bool IsLeadByte(unsigned char) { return false; }

std::string FileVersionText(std::string_view) { return {}; }
