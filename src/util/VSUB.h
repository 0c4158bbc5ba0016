// Token lists: a text whose first character is its delimiter and which ends with it, such as
// "|&OK|&Cancel|". Items are counted from 0; scanning stops at the first NUL byte.
// SUB holds class operations only; none modifies its input and none fails.
#pragma once
#include <string>
#include <string_view>

class SUB {
 public:
  SUB() = delete;
  // Number of items; 0 for an empty list or one not closed by its delimiter.
  static int Count(std::string_view list);
  // The item at index, or def when it is empty, absent or not closed by a delimiter.
  static std::string Get(std::string_view list, int index, std::string_view def = {});
  // Value of the first key=value item (key matched without case); def when there is none,
  // emptyValue when the item is there with an empty value.
  static std::string GetValue(std::string_view list, std::string_view key, std::string_view def = {},
                              std::string_view emptyValue = {});
  // A new list with the item at index replaced, extended with empty items when shorter; the
  // delimiter changes when the value holds it.
  static std::string Put(std::string_view list, int index, std::string_view value);
  // The list with its delimiter replaced by the first candidate not occurring in it.
  static std::string ChangeDelimiter(std::string_view list);
};
