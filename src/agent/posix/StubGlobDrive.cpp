// The host build has no drive letters: no drive offers an alternative temporary folder.
#include "agent/StubGlob.h"

bool IsFixedDrive(char) { return false; }
