// mkpack: the vendors' package builder and inspector. "build" turns a stub, a folder of files, the
// setup engine and a settings INI into a setup (single file, part set or web setup); "release"
// writes the update folder of a new version (information file and update setup); "inspect" shows
// what a package file holds and whether its checksum holds, or what an information file announces
// and what an installed agent would decide about it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Inform.h"
#include "Inspect.h"
#include "Release.h"
#include "Settings.h"
#include "Signing.h"
#include "util/Files.h"

namespace {

const char kUsage[] =
    "usage: mkpack build [SETTINGS.ini] [--stub FILE] [--files DIR] [--engine FILE] [--out FILE]\n"
    "                    [--layout single|span|relaunch|web] [--part-size BYTES[K|M|G]] [--level 0-9] [--quiet]\n"
    "       mkpack release RELEASE.ini [--out DIR] [--stub FILE] [--files DIR] [--engine FILE] [--level 0-9]\n"
    "                      [--quiet]\n"
    "       mkpack inspect FILE\n"
    "       mkpack inspect INFOFILE [--version N[,N...]] [--stamp S] [--manual]\n"
    "       mkpack inform [INFORM.ini] [--text FILE] [--token TOKEN] [--out DIR] [--plain] [--quiet]\n"
    "       mkpack inform --show FILE [--token TOKEN]\n"
    "       mkpack keygen PRIVATE.pem PUBLIC.key\n"
    "       mkpack sign PRIVATE.pem FILE...\n"
    "       mkpack verify PUBLIC.key FILE [--name NAME]\n"
    "       mkpack --help\n"
    "build, release and inform also take --private-key PRIVATE.pem (sign what they publish); build and\n"
    "release take --public-key PUBLIC.key (the product then accepts only files signed by its key).\n"
    "\n"
    "keygen   makes a vendor key pair (ECDSA P-256): the private key (PEM) and the public key (hex)\n"
    "sign     writes FILE.sig beside each file, signed with the private key\n"
    "verify   checks FILE.sig with the public key as the product does\n"
    "         (each takes --help; see tools/mkpack/README.md, \"Signed releases\")\n"
    "build    writes the setup named by --out (or Output= in [Package]): the stub with the package\n"
    "         appended; with layout span also Setup.exe.002, .003 ...; with relaunch Setup.exe and\n"
    "         Setup.exe.001, .002 ...; with web the web stub and the package to upload. Options on the\n"
    "         command line override the settings file; see tools/mkpack/README.md for its keys.\n"
    "release  writes the update folder of a release (Folder= in [Release], or --out): the update\n"
    "         setup, built from the settings named by Setup=, and the information file that announces\n"
    "         it to the installed agents.\n"
    "inspect  shows the trailer, flags, blocks, tokens and entries of a package file (and of the\n"
    "         part files that follow it) and whether each checksum holds; for an information file\n"
    "         (.info), its keys, what the agent does with them, and the decision of an agent of\n"
    "         each version given (default: the versions the release is valid for, and its own).\n"
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
  if (command == "keygen") return RunKeygen(rest);
  if (command == "sign") return RunSign(rest);
  if (command == "verify") return RunVerify(rest);
  for (const auto& a : rest) {
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  if (command == "build") return RunBuild(rest);
  if (command == "release") return RunRelease(rest);
  if (command == "inform") return RunInform(rest);
  if (command == "inspect") {
    if (rest.empty() || rest[0].rfind("--", 0) == 0) {
      std::fputs("mkpack inspect: give one package file or information file\n", stderr);
      return 2;
    }
    const std::vector<std::string> options(rest.begin() + 1, rest.end());
    if (FileExists(rest[0]) && IsInformationFile(rest[0])) return RunInspectInfo(rest[0], options);
    if (!options.empty() && FileExists(rest[0])) {
      std::fputs("mkpack inspect: a package file takes no options\n", stderr);
      return 2;
    }
    return RunInspect(rest[0]);
  }
  std::fprintf(stderr, "mkpack: unknown command \"%s\" (try mkpack --help)\n", command.c_str());
  return 2;
}
