// The modal message box every question, warning and error of the system goes through: a coloured
// band with an icon, the text in a read-only rich-edit control (so that parts can be bold), buttons
// from a replaceable caption list, inline markup, an optional timeout, and the font of the active
// language. Flags and results are the Win32 MessageBox values.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::string_view kMsgBoxDefaultButtons = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";
inline constexpr std::string_view kMsgBoxKinds = "|Error|Attention|Confirm|";
enum MsgBoxKind { kMsgBoxError = 0, kMsgBoxAttention = 1, kMsgBoxConfirm = 2 };

struct MsgBoxFont {
  std::string face = "Tahoma";
  int size = 8;     // points
  int charset = 1;  // DEFAULT_CHARSET
};

// The captions of the three kinds (in MsgBoxKind order) and the button list, which a box takes when
// its caller gives none. The program's entry makes them from its package's language and keeps them
// while boxes may show; ui/ never looks them up itself. Without them (nullptr) the compiled ones.
struct MsgBoxTexts {
  std::string captions[3] = {"Error", "Attention", "Confirm"};
  std::string buttons{kMsgBoxDefaultButtons};
};
void SetMsgBoxTexts(const MsgBoxTexts* texts);

// Face and charset always; the size only when it is not 0. Persists for every later box.
void SetMsgBoxFont(std::string_view face, int size, int charset);
const MsgBoxFont& GetMsgBoxFont();

// The box itself: owner window handle (0 for none), text with markup, title, button list, flags and
// timeout (0 for none). Returns the chosen button's result, or 0 when the box was closed without one.
int ShowMsgBox(intptr_t owner, std::string_view text, std::string_view caption, std::string_view buttons,
               uint32_t flags, int timeoutMs);

// What MsgBoxEx hands to ShowMsgBox: the text with the bold heading of owner mode 0 and the flags
// with the language's reading order, the no-close flag of owner mode 2 and the modal bits.
struct MsgBoxExCall {
  std::string text;
  uint32_t flags = 0;
};
MsgBoxExCall PrepareMsgBoxEx(intptr_t ownerMode, std::string_view text, std::string_view caption, int charset,
                             uint32_t flags);

// Owner mode: 0 the caption also as a bold heading, 1 plain, 2 plain without a working Close item,
// above 2 a window handle as the owner (else the active window owns the box). Waits 100 ms with
// messages dispatched afterwards.
int MsgBoxEx(intptr_t ownerMode, std::string_view text, std::string_view caption, std::string_view buttons, int charset,
             uint32_t flags, int timeoutMs);

// Shortcuts: an empty caption becomes the kind's caption and an empty button list the default one.
void ErrorMsg(intptr_t ownerMode, std::string_view text, std::string_view caption = {}, std::string_view buttons = {},
              int charset = 0);
void AttentionMsg(intptr_t ownerMode, std::string_view text, std::string_view caption = {},
                  std::string_view buttons = {}, int charset = 0, int timeoutMs = 0);
// True on Yes.
bool ConfirmMsg(intptr_t ownerMode, std::string_view text, std::string_view caption = {}, std::string_view buttons = {},
                int charset = 0, int timeoutMs = 0);
// True on OK.
bool ConfirmOkMsg(intptr_t ownerMode, std::string_view text, std::string_view caption = {},
                  std::string_view buttons = {}, int charset = 0);

// The caption of a kind and the button list the shortcuts fall back to.
std::string MsgBoxKindCaption(MsgBoxKind kind);
std::string MsgBoxButtonList();

// Host build only: who answers the boxes that logic under test shows (ShowMsgBox's arguments in,
// the result out). Without one every box returns 0, as if it had been closed. Returns the previous one.
using MsgBoxAnswerer = int (*)(std::string_view text, std::string_view caption, std::string_view buttons,
                               uint32_t flags, int timeoutMs);
MsgBoxAnswerer SetMsgBoxAnswerer(MsgBoxAnswerer answerer);
