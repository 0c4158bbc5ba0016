// The agent's eight per-process overrides of information-file flags. Each is a byte: 255 while
// unset (the file decides), then 1 for on and any other value for off. As text they travel as a
// "|" token list of eight decimal values ("/TRANSIENT=" out, "/TRANSIENTx=" in).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class OverrideList {
 public:
  // Positions, in list order; each names the flag it replaces.
  enum Position : int {
    kCheckNowQuestion = 0,  // no key: ask the check-now question before every check
    kConfirmDownload = 1,   // RequestConfirmationBeforeDownload
    kConfirmInstall = 2,    // RequestConfirmationBeforeInstall
    kBackgroundUpdate = 3,  // BackgroundUpdate
    kInformFinish = 4,      // InformFinish
    kRestartProcess = 5,    // RestartProcess
    kConfirmDownloadForce = 6,
    kConfirmInstallForce = 7,
  };
  static constexpr int kCount = 8;
  static constexpr uint8_t kUnset = 255;

  OverrideList() { values_.fill(kUnset); }

  uint8_t Get(int position) const;  // kUnset outside 0..7
  void Set(int position, uint8_t value);
  bool IsSet(int position) const { return Get(position) != kUnset; }
  // The override when set (on for exactly 1), else fileFlag.
  bool Flag(int position, bool fileFlag) const;

  // "|" + each value in decimal + "|": "|255|255|255|255|255|255|255|255|" when all are unset.
  std::string ToText() const;
  // Token i sets position i to the low 8 bits of its number; a missing or unconvertible token
  // leaves its position as it is.
  void ReadText(std::string_view list);

 private:
  std::array<uint8_t, kCount> values_;
};
