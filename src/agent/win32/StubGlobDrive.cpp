// Drive type query of the alternative temporary folder's choice.
#include <windows.h>

#include <string>

#include "agent/StubGlob.h"

bool IsFixedDrive(char letter) {
  const std::string root = std::string(1, letter) + ":\\";
  return GetDriveTypeA(root.c_str()) == DRIVE_FIXED;
}
