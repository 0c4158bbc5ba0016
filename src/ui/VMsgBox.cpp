// The portable half of the message box: font settings, what MsgBoxEx adds to a call, and the
// shortcuts with their fallback texts.
#include "ui/VMsgBox.h"

#include "ui/MsgBoxLayout.h"
#include "util/Utils.h"
#include "util/VSUB.h"

namespace {
MsgBoxFont& FontState() {
  static MsgBoxFont font;
  return font;
}

const MsgBoxTexts* textsInUse = nullptr;
}  // namespace

void SetMsgBoxTexts(const MsgBoxTexts* texts) { textsInUse = texts; }

void SetMsgBoxFont(std::string_view face, int size, int charset) {
  MsgBoxFont& font = FontState();
  font.face = face;
  font.charset = charset;
  if (size != 0) font.size = size;
}

const MsgBoxFont& GetMsgBoxFont() { return FontState(); }

std::string MsgBoxKindCaption(MsgBoxKind kind) {
  return textsInUse ? textsInUse->captions[kind] : SUB::Get(kMsgBoxKinds, kind);
}
std::string MsgBoxButtonList() { return textsInUse ? textsInUse->buttons : std::string(kMsgBoxDefaultButtons); }

MsgBoxExCall PrepareMsgBoxEx(intptr_t ownerMode, std::string_view text, std::string_view caption, int charset,
                             uint32_t flags) {
  MsgBoxExCall call{std::string(text), flags};
  if (charset == 177 || charset == 178) call.flags |= kMsgBoxRightAlign | kMsgBoxRtlReading;
  if (ownerMode == 0) {
    std::string heading(caption);
    if (!caption.empty() && kMsgBoxKinds.find(caption) != std::string_view::npos) heading = UpperCase(heading);
    call.text = "<<b>" + heading + "</b><P><P>" + call.text + "<P>";
  }
  if (ownerMode == 2) call.flags |= kMsgBoxNoClose;
  call.flags |= kMsgBoxExBits;
  return call;
}

namespace {
int Shortcut(MsgBoxKind kind, intptr_t ownerMode, std::string_view text, std::string_view caption,
             std::string_view buttons, int charset, uint32_t flags, int timeoutMs) {
  const std::string title = caption.empty() ? MsgBoxKindCaption(kind) : std::string(caption);
  const std::string list = buttons.empty() ? MsgBoxButtonList() : std::string(buttons);
  return MsgBoxEx(ownerMode, text, title, list, charset, flags, timeoutMs);
}
}  // namespace

void ErrorMsg(intptr_t ownerMode, std::string_view text, std::string_view caption, std::string_view buttons,
              int charset) {
  Shortcut(kMsgBoxError, ownerMode, text, caption, buttons, charset, 0x10, 0);
}

void AttentionMsg(intptr_t ownerMode, std::string_view text, std::string_view caption, std::string_view buttons,
                  int charset, int timeoutMs) {
  Shortcut(kMsgBoxAttention, ownerMode, text, caption, buttons, charset, 0x30, timeoutMs);
}

bool ConfirmMsg(intptr_t ownerMode, std::string_view text, std::string_view caption, std::string_view buttons,
                int charset, int timeoutMs) {
  return Shortcut(kMsgBoxConfirm, ownerMode, text, caption, buttons, charset, 0x24, timeoutMs) == 6;
}

bool ConfirmOkMsg(intptr_t ownerMode, std::string_view text, std::string_view caption, std::string_view buttons,
                  int charset) {
  return Shortcut(kMsgBoxConfirm, ownerMode, text, caption, buttons, charset, 0x21, 0) == 1;
}
