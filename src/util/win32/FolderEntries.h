// The entries of a folder as the Find calls give them, for the folder walks of the Win32 file
// operations (Files.cpp): a match by mask, the subfolders that a walk may enter, and the drives
// of a type that a search walks.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/win32/Handles.h"

inline bool IsFolderEntry(const WIN32_FIND_DATAA& fd) { return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
inline bool IsDotEntry(const WIN32_FIND_DATAA& fd) {
  return std::string_view(fd.cFileName) == "." || std::string_view(fd.cFileName) == "..";
}

// Calls visit(entry) for every entry matching the mask until it returns true.
template <typename Visit>
void ForEachEntry(std::string_view mask, Visit visit) {
  WIN32_FIND_DATAA fd;
  FindHandle find(FindFirstFileA(std::string(mask).c_str(), &fd));
  if (!find) return;
  do {
    if (visit(fd)) return;
  } while (FindNextFileA(find.get(), &fd));
}

// The subfolders of a folder, in directory order. Junctions and other reparse points are left
// out, so that a walk never leaves the tree it was given nor runs round in a cycle.
template <typename Visit>
void ForEachSubfolder(const std::string& folder, Visit visit) {
  ForEachEntry(folder + "\\*.*", [&](const WIN32_FIND_DATAA& fd) {
    if (!IsFolderEntry(fd) || IsDotEntry(fd) || (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    return visit(folder + "\\" + fd.cFileName);
  });
}

// Calls search(root) for the drives C: to Z: of the given type, until one gives a result.
template <typename Search>
std::string SearchDrives(unsigned driveType, Search search) {
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    if (GetDriveTypeA(root.c_str()) != driveType) continue;
    std::string hit = search(root);
    if (!hit.empty()) return hit;
  }
  return {};
}
