// Keyboard rules of the message box.
#include "ui/MsgBoxKeys.h"

namespace {
constexpr int kVkTab = 0x09, kVkReturn = 0x0D, kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28;

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }
}  // namespace

char MsgBoxHotChar(const std::string& caption) {
  const size_t amp = caption.find('&');
  if (amp == std::string::npos) return caption.empty() ? 0 : caption[0];
  return amp + 1 < caption.size() ? caption[amp + 1] : 0;
}

MsgBoxKeyAction MsgBoxKeyDown(int vk, int focused, const std::vector<std::string>& captions) {
  const int count = int(captions.size());
  if (count == 0) return {};
  const bool onButton = focused >= 0 && focused < count;
  switch (vk) {
    case kVkLeft:
    case kVkUp:
      return {MsgBoxKeyAction::kFocus, onButton ? (focused + count - 1) % count : count - 1};
    case kVkTab:
    case kVkRight:
    case kVkDown:
      return {MsgBoxKeyAction::kFocus, onButton ? (focused + 1) % count : 0};
    case kVkReturn:
      return onButton ? MsgBoxKeyAction{MsgBoxKeyAction::kChoose, focused} : MsgBoxKeyAction{};
  }
  if (vk < 'A' || vk > 'Z') return {};
  MsgBoxKeyAction action;
  for (int i = 0; i < count; ++i) {
    if (Upper(MsgBoxHotChar(captions[i])) == char(vk)) action = {MsgBoxKeyAction::kChoose, i};
  }
  return action;
}

MsgBoxKeyAction MsgBoxChar(char ch, const std::vector<std::string>& captions) {
  for (int i = 0; i < int(captions.size()); ++i) {
    if (captions[i].size() < 2) continue;
    const char second = captions[i][1];
    if (second == ch || second == Upper(ch)) return {MsgBoxKeyAction::kChoose, i};
  }
  return {};
}
