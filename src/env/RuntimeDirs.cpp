// The runtime-directory slots and their once-per-process answers.
#include "env/RuntimeDirs.h"

RunTimeDirs::RunTimeDirs(Resolver resolve) : resolve_(std::move(resolve)) {}

void RunTimeDirs::SetDescription(int n, std::string description) {
  if (n < 1 || n > kSlots) return;
  descriptions_[n - 1] = std::move(description);
  answers_[n - 1].reset();
}

std::string RunTimeDirs::GetRunTimeDir(int n) {
  if (n < 1 || n > kSlots) return {};
  std::optional<std::string>& answer = answers_[n - 1];
  if (!answer) {
    const std::string& description = descriptions_[n - 1];
    answer = description.empty() || !resolve_ ? std::string() : resolve_(description);
  }
  return *answer;
}
