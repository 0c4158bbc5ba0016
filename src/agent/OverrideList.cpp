// The override list and its text form.
#include "agent/OverrideList.h"

#include "util/Utils.h"
#include "util/VSUB.h"

uint8_t OverrideList::Get(int position) const {
  return position >= 0 && position < kCount ? values_[size_t(position)] : kUnset;
}

void OverrideList::Set(int position, uint8_t value) {
  if (position >= 0 && position < kCount) values_[size_t(position)] = value;
}

bool OverrideList::Flag(int position, bool fileFlag) const { return IsSet(position) ? Get(position) == 1 : fileFlag; }

std::string OverrideList::ToText() const {
  std::string text = "|";
  for (uint8_t v : values_) text += IntToStr(v) + "|";
  return text;
}

void OverrideList::ReadText(std::string_view list) {
  for (int i = 0; i < kCount; ++i) {
    if (auto number = ParseInt64(SUB::Get(list, i))) values_[size_t(i)] = uint8_t(uint64_t(*number) & 0xFF);
  }
}
