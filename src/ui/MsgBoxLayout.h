// The message box's arithmetic: button sets, default button, text measuring, window size and the
// places of the text control and the buttons. Pure, so that the numbers are tested on the host; the
// Win32 box feeds in font metrics and system metrics.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Flag bits of the box (values as in the Win32 MessageBox API where they overlap).
inline constexpr uint32_t kMsgBoxRightAlign = 0x80000;
inline constexpr uint32_t kMsgBoxRtlReading = 0x100000;
inline constexpr uint32_t kMsgBoxNoClose = 0x10000000;
// Task-modal, set-foreground and topmost, which MsgBoxEx always adds.
inline constexpr uint32_t kMsgBoxExBits = 0x52000;

inline constexpr int kMsgBoxMaxTextWidth = 600;
inline constexpr int kMsgBoxBandWidth = 54;
inline constexpr int kMsgBoxButtonWidth = 70;
inline constexpr int kMsgBoxButtonHeight = 23;

struct MsgBoxButton {
  int item;    // index into the button list ("|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|")
  int result;  // the dialog result it returns (IDOK ... IDNO)
};

// The buttons of set flags & 0xF, first (leftmost) first; set 0 for unknown sets.
std::vector<MsgBoxButton> MsgBoxButtons(uint32_t flags);
// Index of the default button: (flags >> 8) & 0xF modulo the number of buttons.
int MsgBoxDefaultIndex(uint32_t flags, int buttonCount);
// System icon id (IDI_HAND ... IDI_ASTERISK) of flags & 0xF0, or 0 for the program's own icon.
int MsgBoxSystemIcon(uint32_t flags);

// tmHeight + tmExternalLeading, one more for "MS PGothic".
int MsgBoxLineHeight(int tmHeight, int tmExternalLeading, std::string_view face);

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

// Text size from the width of each line: width = min(600, widest line + 10), every line taking
// (width div 600 + 1) line heights. An empty text measures as " ".
Size MeasureMsgBoxText(std::string_view text, int lineHeight, const std::function<int(std::string_view)>& lineWidth);

// Widening of the text control when bold runs make it wrap: tries width + 10 i for i = 0..20 and asks
// the control which size it wants (requestFor(width) -> requested size); the first width whose requested
// height fits the measured one wins, else the widest requested width + 10.
int WidenForBold(Size measured, const std::function<Size(int)>& requestFor);

// Outer window size for a text control of the given size.
Size MsgBoxWindowSize(Size control, int cxFrame, int cyFrame, int cyCaption);

// Pixels the box moves right and down from the centre: 150 for the developer's "store the new
// Entry" question, so that it does not hide the window it asks about; else 0.
int MsgBoxDeveloperShift(std::string_view text, bool developerMode);

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

// Text control rectangle in a client area of the given size.
Rect MsgBoxTextRect(Size client, Size control);
// Rectangle of button i of count in a client area of the given size; the last one ends 10 pixels
// from the right edge and the others touch it.
Rect MsgBoxButtonRect(Size client, int index, int count);
