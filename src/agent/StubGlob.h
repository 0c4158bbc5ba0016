// The agent's settings files: where the installed-version file and the information file lie,
// beside the agent, named by the package's update block.
#pragma once
#include <string>
#include <string_view>

class TGFileInfo;

// Agent folder + the information file name of the package's update block.
std::string InfoFilePath(std::string_view ownPath, const TGFileInfo& ownPackage);
// Agent folder + the installed-version file name (".original").
std::string OriginalFilePath(std::string_view ownPath, const TGFileInfo& ownPackage);
