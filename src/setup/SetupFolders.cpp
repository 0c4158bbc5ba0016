// The setup run's folders: the work folder's name, and the choice of an alternative extraction
// folder by probing the fixed drives.
#include "setup/SetupFolders.h"

#include "util/Files.h"
#include "util/IniReg.h"
#include "util/Utils.h"

std::string SetupWorkFolderFor(std::string_view tempDirWithBackslash, uint32_t exeDosTime) {
  return std::string(tempDirWithBackslash) + "SETUP_" + IntToStr(exeDosTime & 0xFFFF);
}

std::string AltProbeFolderFor(char letter, bool tempExists, int64_t number) {
  std::string folder = std::string(1, letter) + ":\\TEMP";
  return tempExists ? folder + "\\TEMP" + IntToStr(number) : folder;
}

char ChooseAltTempDrive(char tempDrive, const double freeCDE[3]) {
  char chosen = UpperCase(std::string(1, tempDrive))[0];
  double best = 0;
  for (int i = 0; i < 3; ++i) {
    if (freeCDE[i] > best) {
      best = freeCDE[i];
      chosen = char('C' + i);
    }
  }
  return chosen;
}

std::string AltTempFolderFor(char letter, bool tempExists) {
  std::string folder = std::string(1, letter) + ":\\TEMP";
  return tempExists ? folder + "\\TEMP" : folder;
}

std::string AltExtractFolderFor(std::string_view altTempFolder, int64_t number) {
  if (altTempFolder.empty()) return {};
  return std::string(altTempFolder) + "_" + IntToStr(number);
}

std::string SetupWorkFolderOf(std::string_view ownPath) {
  return SetupWorkFolderFor(GetTempDir(true), GetFileDosTime(ownPath));
}

void PrepareWorkFolder(std::string_view folder) {
  if (DirectoryExists(folder)) RemoveFolderTree(folder, false);
  ForceDirectories(folder);
}

namespace {
// Free space a fixed drive offers to a folder of ours: probed by writing a small file, so that a
// drive we may not write to counts as full.
double ProbeDriveSpace(char letter) {
  std::string probe =
      AltProbeFolderFor(letter, DirectoryExists(AltProbeFolderFor(letter, false, 0)), RandomInRange(100000, 10000));
  ForceDirectories(probe);
  std::string file = probe + "\\~aa.tmp";
  WriteFileData(file, "aa");
  double space = FileExists(file) ? DiskFreeBytes(probe) : 0;
  RemoveFolderTree(probe, false);
  return space;
}
}  // namespace

std::string AltTempFolder() {
  double space[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i)
    if (IsFixedDrive(char('C' + i))) space[i] = ProbeDriveSpace(char('C' + i));
  std::string temp = GetTempDir(false);
  char tempDrive = temp.empty() ? 'C' : UpperCase(temp.substr(0, 1))[0];
  char letter = ChooseAltTempDrive(tempDrive, space);
  return letter == tempDrive ? std::string()
                             : AltTempFolderFor(letter, DirectoryExists(AltTempFolderFor(letter, false)));
}

std::string MakeAltExtractFolder(std::string_view altTempFolder) {
  const std::string folder = AltExtractFolderFor(altTempFolder, RandomInRange(100000, 10000));
  if (!folder.empty()) {
    if (DirectoryExists(folder)) RemoveFolderTree(folder, false);
    ForceDirectories(folder);
  }
  return folder;
}
