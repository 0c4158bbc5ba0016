// The eight runtime-directory slots behind the macros "<RunTimeDir_1>" .. "<RunTimeDir_8>". Each
// slot pairs a description of how to find a folder with its answer, resolved at most once per
// slot and process (an empty answer is kept too). Nothing in the product describes a slot, so
// every slot answers with the empty text.
#pragma once
#include <array>
#include <functional>
#include <optional>
#include <string>

class RunTimeDirs {
 public:
  // Finds the folder a non-empty description names (without trailing backslash, or empty).
  using Resolver = std::function<std::string(const std::string& description)>;
  static constexpr int kSlots = 8;

  explicit RunTimeDirs(Resolver resolve = {});
  // Slot n (1..8) gets a description; its answer is resolved again at the next request.
  void SetDescription(int n, std::string description);
  // The folder of slot n (1..8); empty outside that range. An empty description resolves to the
  // empty text without asking the resolver.
  std::string GetRunTimeDir(int n);

 private:
  Resolver resolve_;
  std::array<std::string, kSlots> descriptions_;
  std::array<std::optional<std::string>, kSlots> answers_;  // none: not resolved yet
};
