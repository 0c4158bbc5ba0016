// Host build of the message box: nobody to show it to, so a test's answerer decides.
#include "ui/VMsgBox.h"

namespace {
MsgBoxAnswerer answererFn = nullptr;
}

MsgBoxAnswerer SetMsgBoxAnswerer(MsgBoxAnswerer answerer) {
  MsgBoxAnswerer previous = answererFn;
  answererFn = answerer;
  return previous;
}

int ShowMsgBox(intptr_t, std::string_view text, std::string_view caption, std::string_view buttons, uint32_t flags,
               int timeoutMs) {
  return answererFn ? answererFn(text, caption, buttons, flags, timeoutMs) : 0;
}

int MsgBoxEx(intptr_t ownerMode, std::string_view text, std::string_view caption, std::string_view buttons, int charset,
             uint32_t flags, int timeoutMs) {
  MsgBoxExCall call = PrepareMsgBoxEx(ownerMode, text, caption, charset, flags);
  return ShowMsgBox(0, call.text, caption, buttons, call.flags, timeoutMs);
}
