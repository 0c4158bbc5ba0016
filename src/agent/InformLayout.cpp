// Inform dialog arithmetic.
#include "agent/InformLayout.h"

#include <cstdint>

#include "util/Utils.h"

Rect InformWindowRect(const Rect& workArea, int width, int height) {
  // C++ division truncates toward zero, as the placement rule wants for negative excess.
  return {workArea.left + (workArea.width - width) / 2, workArea.top + (workArea.height - height) / 2, width, height};
}

Rect InformTextRect(Size client, bool hasButton) {
  return {kInformTextLeft, 0, client.width - kInformTextLeft,
          hasButton ? client.height - kInformStripHeight : client.height};
}

Rect InformButtonRect(Size client) {
  return {(client.width - kInformButtonWidth) / 2, client.height - kInformButtonFromBottom, kInformButtonWidth,
          kInformButtonHeight};
}

InformStrip InformStripFor(Size client) {
  const int lineY = client.height - kInformStripHeight;
  return {lineY, {0, lineY + 1, client.width, kInformStripHeight - 1}};
}

int MulDivRound(int a, int b, int c) {
  if (c == 0) return -1;
  const int64_t product = int64_t(a) * b;
  const int64_t divisor = c < 0 ? -int64_t(c) : int64_t(c);
  const int64_t numerator = c < 0 ? -product : product;
  const int64_t half = divisor / 2;
  const int64_t result = (numerator >= 0 ? numerator + half : numerator - half) / divisor;
  if (result > INT32_MAX || result < -INT32_MAX) return -1;
  return int(result);
}

InformFonts InformDialogFonts(std::string_view fontName, int fontSize, int charSet, int logPixelsY) {
  InformFonts fonts;
  fonts.button = {-MulDivRound(fontSize, logPixelsY, 72), 0, charSet, kInformFontFamily, std::string(fontName)};
  // "Tahoma" is the message boxes' default face: the text then keeps its own, wider one.
  const bool ownFace = !fontName.empty() && !SameText(fontName, "Tahoma");
  fonts.text = {kInformTextFontHeight, 0, charSet, kInformFontFamily,
                ownFace ? std::string(fontName) : std::string(kInformTextFace)};
  return fonts;
}
