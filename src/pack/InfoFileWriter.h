// The information file's text as the vendor's tools write it: CR LF lines, sections and keys in
// the order given, so that what the agent reads is what was written, byte for byte the same each
// time.
#pragma once
#include <string>
#include <string_view>

class InfoFileWriter {
 public:
  // "; text"
  void Comment(std::string_view text);
  // "[name]"; apart puts an empty line before it.
  void Section(std::string_view name, bool apart = false);
  // "key=value"
  void Key(std::string_view key, std::string_view value);
  const std::string& Text() const { return text_; }

 private:
  void Line(std::string_view line);
  std::string text_;
};
