// "--help" (or "-h") as the only argument of a test-kit program: its usage on standard output,
// exit code 0. The programs' own switches never start with "--help", so nothing else changes.
#pragma once
#include <cstdio>
#include <cstring>

inline bool PrintHelpIfAsked(int argc, char** argv, const char* usage) {
  if (argc != 2 || (std::strcmp(argv[1], "--help") != 0 && std::strcmp(argv[1], "-h") != 0)) return false;
  std::fputs(usage, stdout);
  return true;
}
