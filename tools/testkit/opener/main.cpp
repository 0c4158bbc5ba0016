// Stand-in for the web browser: a test registers it as the prefix's handler of http:// and
// https:// addresses (HKCR\<scheme>\shell\open\command = "opener.exe" "RECORD" "%1"), so that
// the shell's open of an address starts it instead of a browser. It appends the address it was
// given as one line to the record file and ends; the test reads the record.
//   opener RECORD ADDRESS
// Exit code 0, or 2 without both arguments.
#include <cstdio>

#include "../common/Help.h"

constexpr const char* kUsage = R"(usage: opener RECORD ADDRESS
Stand-in for the web browser: appends ADDRESS as a line to RECORD and ends. Exit code 0, or 2
without both arguments.
)";

int main(int argc, char** argv) {
  if (PrintHelpIfAsked(argc, argv, kUsage)) return 0;
  if (argc < 3) return 2;
  std::FILE* record = std::fopen(argv[1], "ab");
  if (!record) return 2;
  std::fprintf(record, "%s\n", argv[2]);
  std::fclose(record);
  return 0;
}
