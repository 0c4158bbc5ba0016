// The settings files' locations.
#include "agent/StubGlob.h"

#include "pack/PackX.h"
#include "util/Utils.h"

namespace {
std::string AgentFolder(std::string_view ownPath) { return SetTrailingBackslash(ExtractFileDir(ownPath), true); }
}  // namespace

std::string InfoFilePath(std::string_view ownPath, const TGFileInfo& ownPackage) {
  return AgentFolder(ownPath) + ownPackage.GetInfoFileName();
}

std::string OriginalFilePath(std::string_view ownPath, const TGFileInfo& ownPackage) {
  return AgentFolder(ownPath) + ownPackage.GetOriginalFileName();
}
