// Message-box arithmetic.
#include "ui/MsgBoxLayout.h"

#include <algorithm>

#include "util/Utils.h"

std::vector<MsgBoxButton> MsgBoxButtons(uint32_t flags) {
  switch (flags & 0xF) {
    case 1:
      return {{0, 1}, {1, 2}};
    case 2:
      return {{4, 3}, {5, 4}, {6, 5}};
    case 3:
      return {{2, 6}, {3, 7}, {1, 2}};
    case 4:
      return {{2, 6}, {3, 7}};
    case 5:
      return {{5, 4}, {1, 2}};
    default:
      return {{0, 1}};
  }
}

int MsgBoxDefaultIndex(uint32_t flags, int buttonCount) {
  if (buttonCount <= 0) return 0;
  return int((flags >> 8) & 0xF) % buttonCount;
}

int MsgBoxSystemIcon(uint32_t flags) {
  switch (flags & 0xF0) {
    case 0x10:
      return 32513;
    case 0x20:
      return 32514;
    case 0x30:
      return 32515;
    case 0x40:
      return 32516;
    default:
      return 0;
  }
}

int MsgBoxLineHeight(int tmHeight, int tmExternalLeading, std::string_view face) {
  return tmHeight + tmExternalLeading + (SameTextTrim(face, "MS PGothic") ? 1 : 0);
}

Size MeasureMsgBoxText(std::string_view text, int lineHeight, const std::function<int(std::string_view)>& lineWidth) {
  if (text.empty()) text = " ";
  Size size;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find("\r\n", from);
    std::string_view line = text.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
    const int cx = lineWidth(line);
    size.width = std::max(size.width, cx + 10);
    size.height += (cx / kMsgBoxMaxTextWidth + 1) * lineHeight;
    if (end == std::string_view::npos) break;
    from = end + 2;
  }
  size.width = std::min(kMsgBoxMaxTextWidth, size.width);
  return size;
}

int WidenForBold(Size measured, const std::function<Size(int)>& requestFor) {
  int widest = measured.width;
  for (int i = 0; i <= 20; ++i) {
    const int width = measured.width + 10 * i;
    const Size wanted = requestFor(width);
    if (wanted.height <= measured.height) return width;
    widest = std::max(widest, wanted.width);
  }
  return widest + 10;
}

Size MsgBoxWindowSize(Size control, int cxFrame, int cyFrame, int cyCaption) {
  const int m = control.width < 200 ? 64 : 32;
  const int v = control.height < 39 ? 45 : 32;
  return {std::max(360, control.width + kMsgBoxBandWidth + 2 * m + 2 * cxFrame),
          control.height + 36 + 2 * v + 2 * cyFrame + cyCaption};
}

int MsgBoxDeveloperShift(std::string_view text, bool developerMode) {
  return developerMode && text.find("Do you want to store the new Entry in") != std::string_view::npos ? 150 : 0;
}

Rect MsgBoxTextRect(Size client, Size control) {
  const int x = (client.width - kMsgBoxBandWidth - control.width) / 2 + kMsgBoxBandWidth;
  const int y = (client.height - 36 - control.height) / 2;
  return {x, y, control.width, client.height - y - 39};
}

Rect MsgBoxButtonRect(Size client, int index, int count) {
  return {client.width - 80 - (count - 1 - index) * kMsgBoxButtonWidth, client.height - 29, kMsgBoxButtonWidth,
          kMsgBoxButtonHeight};
}
