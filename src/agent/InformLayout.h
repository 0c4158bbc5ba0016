// The inform dialog's arithmetic: where the window, the text control, the button and the bottom
// strip go, and which fonts the text and the button get. Pure, so that the numbers are tested on
// the host; the Win32 dialog feeds in the work area, its client size and the screen's dots per inch.
#pragma once
#include <string>
#include <string_view>

#include "ui/MsgBoxLayout.h"

inline constexpr int kInformDefaultSize = 360;  // AutoInformW and AutoInformH when absent
inline constexpr int kInformStripHeight = 43;   // bottom strip that holds the button
inline constexpr int kInformTextLeft = 3;
inline constexpr int kInformButtonWidth = 160;
inline constexpr int kInformButtonHeight = 25;
inline constexpr int kInformButtonFromBottom = 33;  // the button's top, counted from the client's bottom
inline constexpr int kInformTextFontHeight = 15;    // a cell height in pixels, not points
inline constexpr int kInformFontFamily = 0x20;      // FF_SWISS, default pitch
inline constexpr std::string_view kInformTextFace = "Verdana";

// The outer window: width x height centred in the work area (halves truncated toward zero, so a
// window larger than the work area starts left of or above it by half the excess).
Rect InformWindowRect(const Rect& workArea, int width, int height);
// The text control: from x = 3 to the right edge, full height, or above the strip with a button.
Rect InformTextRect(Size client, bool hasButton);
// The button, centred in the strip.
Rect InformButtonRect(Size client);

// The strip with a button: a one-pixel line at lineY across the width, and below it the fill.
struct InformStrip {
  int lineY = 0;
  Rect fill;
  bool operator==(const InformStrip&) const = default;
};
InformStrip InformStripFor(Size client);

// What CreateFont gets (width, escapement, orientation, italic, underline and strike-out are 0).
struct InformFont {
  int height = 0;
  int weight = 0;
  int charSet = 0;
  int pitchAndFamily = kInformFontFamily;
  std::string face;
  bool operator==(const InformFont&) const = default;
};
struct InformFonts {
  InformFont text, button;
};
// The button takes the message boxes' face and size (points at logPixelsY dots per inch, as a
// negative character height); the text has its own 15-pixel cell in "Verdana", unless fontName
// names another face than the default "Tahoma" (in any case: the same face), which then serves
// both.
InformFonts InformDialogFonts(std::string_view fontName, int fontSize, int charSet, int logPixelsY);

// a * b / c rounded half away from zero, as the system's MulDiv; -1 when c is 0 or the result
// leaves the 32-bit range.
int MulDivRound(int a, int b, int c);
