// mkpack inform: the vendor's side of auto-inform. Writes an inform file (an announcement in plain
// text or RTF, with the product's token) and the information file that announces it into an
// update folder, and shows what an inform file holds.
#pragma once
#include <string>
#include <vector>

// "mkpack inform ARGS"; returns the exit code (0 done, 1 a file could not be written or, for
// --show, the token does not match, 2 bad command line or settings).
int RunInform(const std::vector<std::string>& args);
