// mkpack inspect: a reading walk of its own over a package file and the part files after it.
#pragma once
#include <string>

// Prints what path holds; returns 0 when every file read has its magic and a checksum that
// holds (or is switched off), 1 otherwise.
int RunInspect(const std::string& path);
