// The inform dialog's places and fonts: the window centred in the work area, the text control and
// the button for a client size (as at creation and after every resize), the strip, and the face
// rules of the two fonts.
#include "agent/InformLayout.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>

// Readable failures: the rectangles and fonts as numbers and names.
void PrintTo(const Rect& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << "}";
}
void PrintTo(const InformFont& f, std::ostream* os) {
  *os << "{" << f.height << ", " << f.weight << ", " << f.charSet << ", " << f.pitchAndFamily << ", \"" << f.face
      << "\"}";
}

TEST(InformLayout, WindowCentredInTheWorkArea) {
  struct Case {
    Rect work;
    int width, height;
    Rect expected;
  } cases[] = {
      {{0, 0, 1024, 768}, 360, 360, {332, 204, 360, 360}},
      {{0, 0, 1025, 769}, 360, 360, {332, 204, 360, 360}},  // halves truncated
      {{0, 0, 800, 600}, 480, 300, {160, 150, 480, 300}},
      {{0, 30, 1024, 738}, 360, 360, {332, 219, 360, 360}},  // a bar at the top
      {{100, 0, 924, 768}, 360, 360, {382, 204, 360, 360}},  // a bar at the left
      {{0, 0, 800, 600}, 1101, 601, {-150, 0, 1101, 601}},   // larger: toward zero, not down
      {{0, 0, 800, 600}, 0, 0, {400, 300, 0, 0}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(InformWindowRect(c.work, c.width, c.height), c.expected) << c.width << "x" << c.height;
}

TEST(InformLayout, ControlsForAClientSize) {
  struct Case {
    Size client;
    Rect textWithButton, textAlone, button;
    InformStrip strip;
  } cases[] = {
      {{354, 326}, {3, 0, 351, 283}, {3, 0, 351, 326}, {97, 293, 160, 25}, {283, {0, 284, 354, 42}}},
      {{355, 327}, {3, 0, 352, 284}, {3, 0, 352, 327}, {97, 294, 160, 25}, {284, {0, 285, 355, 42}}},
      {{600, 400}, {3, 0, 597, 357}, {3, 0, 597, 400}, {220, 367, 160, 25}, {357, {0, 358, 600, 42}}},
      // narrower than the button: it sticks out on both sides, by halves truncated toward zero
      {{101, 50}, {3, 0, 98, 7}, {3, 0, 98, 50}, {-29, 17, 160, 25}, {7, {0, 8, 101, 42}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.client.width) + "x" + std::to_string(c.client.height));
    EXPECT_EQ(InformTextRect(c.client, true), c.textWithButton);
    EXPECT_EQ(InformTextRect(c.client, false), c.textAlone);
    EXPECT_EQ(InformButtonRect(c.client), c.button);
    EXPECT_EQ(InformStripFor(c.client), c.strip);
  }
}

TEST(InformLayout, Fonts) {
  struct Case {
    const char* fontName;
    int size, charSet, dpi;
    const char* textFace;
    int buttonHeight;
  } cases[] = {
      {"Tahoma", 8, 0, 96, "Verdana", -11},                                          // 10.67 rounds up
      {"", 8, 0, 96, "Verdana", -11},         {"tahoma", 8, 0, 96, "Verdana", -11},  // the same face in another case
      {"Arial", 8, 0, 96, "Arial", -11},      {"Arial", 10, 204, 96, "Arial", -13},  // 13.33 rounds down
      {"Verdana", 11, 0, 96, "Verdana", -15}, {"Arial", 9, 0, 120, "Arial", -15},   {"Arial", 0, 0, 96, "Arial", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fontName) + " " + std::to_string(c.size));
    const InformFonts f = InformDialogFonts(c.fontName, c.size, c.charSet, c.dpi);
    EXPECT_EQ(f.text, (InformFont{15, 0, c.charSet, 0x20, c.textFace}));
    EXPECT_EQ(f.button, (InformFont{c.buttonHeight, 0, c.charSet, 0x20, c.fontName}));
  }
}

TEST(InformLayout, MulDivRoundsHalfAwayFromZero) {
  struct Case {
    int a, b, c, expected;
  } cases[] = {
      {8, 96, 72, 11},   {-8, 96, 72, -11},   {8, -96, 72, -11},        {8, 96, -72, -11},
      {-8, -96, 72, 11}, {3, 1, 2, 2},        {-3, 1, 2, -2},           {5, 1, 4, 1},
      {1, 1, 0, -1},     {INT_MAX, 2, 1, -1}, {INT_MAX, 2, 2, INT_MAX},
  };
  for (const Case& c : cases) EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}
