// mkpack: the vendors' package builder and inspector. "build" turns a stub, a folder of files, the
// setup engine and a settings INI into a setup (single file, part set or web setup); "inspect"
// shows what a package file holds and whether its checksum holds.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Inform.h"
#include "Inspect.h"
#include "Settings.h"

namespace {

const char kUsage[] =
    "usage: mkpack build [SETTINGS.ini] [--stub FILE] [--files DIR] [--engine FILE] [--out FILE]\n"
    "                    [--layout single|span|relaunch|web] [--part-size BYTES[K|M|G]] [--level 0-9] [--quiet]\n"
    "       mkpack inspect FILE\n"
    "       mkpack inform [INFORM.ini] [--text FILE] [--token TOKEN] [--out DIR] [--plain] [--quiet]\n"
    "       mkpack inform --show FILE [--token TOKEN]\n"
    "       mkpack --help\n"
    "\n"
    "build    writes the setup named by --out (or Output= in [Package]): the stub with the package\n"
    "         appended; with layout span also Setup.exe.002, .003 ...; with relaunch Setup.exe and\n"
    "         Setup.exe.001, .002 ...; with web the web stub and the package to upload. Options on the\n"
    "         command line override the settings file; see tools/mkpack/README.md for its keys.\n"
    "inspect  shows the trailer, flags, blocks, tokens and entries of a package file (and of the\n"
    "         part files that follow it) and whether each checksum holds.\n"
    "inform   writes an announcement for the update agents into an update folder: the inform file\n"
    "         (the text or RTF with the product's token, scrambled unless --plain) and the\n"
    "         information file that announces it; --show reads an inform file back.\n"
    "\n"
    "exit codes: 0 done, 1 the package could not be written or is damaged (inform: a file could not be\n"
    "written, or --show --token: the token does not match), 2 bad command line or settings\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "build") return RunBuild(rest);
  if (command == "inform") return RunInform(rest);
  if (command == "inspect") {
    if (rest.size() != 1) {
      std::fputs("mkpack inspect: give one package file\n", stderr);
      return 2;
    }
    return RunInspect(rest[0]);
  }
  std::fprintf(stderr, "mkpack: unknown command \"%s\" (try mkpack --help)\n", command.c_str());
  return 2;
}
