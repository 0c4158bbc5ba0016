// What an installed agent would see of a release, for mkpack's release and inspect: a sample
// Windows machine for the macros of RunningProcess, and the update folder on this machine standing
// in for the update source (as an agent in test mode sees a local folder).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "agent/UpdateDecision.h"

// The product's sample folders on the sample machine, and RunningProcess expanded there with the
// agent's macro expansion.
inline constexpr std::string_view kSampleTargetDir = "C:\\Program Files\\Product";
inline constexpr std::string_view kSampleSharedDir = "C:\\Program Files\\Common Files\\Product";
inline constexpr std::string_view kSampleAuxiliaryDir = "C:\\ProgramData\\Product";
std::string ExpandOnSampleMachine(std::string_view text);
// The first "<name>" that the expansion left in text (no macro of that name); empty when none.
std::string LeftoverMacro(std::string_view expanded);

// Sizes of the files of a folder of this machine; a Windows path's backslashes stand for "/".
// There is no Internet here: an announced file that is not in the folder has no size.
class FolderSizes : public UpdateFileSizes {
 public:
  std::optional<int64_t> LocalFileSize(std::string_view path) const override;
  bool Connected() const override { return false; }
  int64_t HttpFileSize(std::string_view) const override { return -1; }
};
