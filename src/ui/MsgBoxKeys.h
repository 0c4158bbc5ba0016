// The message box's keyboard rules, decided apart from the window: which key moves the focus
// between the buttons and which one chooses a button.
#pragma once
#include <string>
#include <vector>

struct MsgBoxKeyAction {
  enum Kind { kNone, kFocus, kChoose };
  Kind kind = kNone;
  int button = -1;  // index of the button to focus or choose
  bool operator==(const MsgBoxKeyAction&) const = default;
};

// WM_KEYDOWN with virtual key vk while button `focused` has the focus (-1: none of the buttons).
// Left/Up focus the previous button, Tab/Right/Down the next (wrapping); Enter chooses the focused
// button; A..Z choose the button whose hot character matches (the last one when several do).
MsgBoxKeyAction MsgBoxKeyDown(int vk, int focused, const std::vector<std::string>& captions);

// WM_CHAR: the first button whose caption's second character equals ch or its upper-case form.
MsgBoxKeyAction MsgBoxChar(char ch, const std::vector<std::string>& captions);

// The hot character of a caption: the one after the first "&", or the first one without "&".
// 0 when there is none.
char MsgBoxHotChar(const std::string& caption);
