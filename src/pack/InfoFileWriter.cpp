// The information file's lines.
#include "pack/InfoFileWriter.h"

void InfoFileWriter::Line(std::string_view line) {
  text_.append(line);
  text_ += "\r\n";
}

void InfoFileWriter::Comment(std::string_view text) { Line("; " + std::string(text)); }

void InfoFileWriter::Section(std::string_view name, bool apart) {
  if (apart) Line({});
  Line("[" + std::string(name) + "]");
}

void InfoFileWriter::Key(std::string_view key, std::string_view value) {
  text_.append(key);
  text_ += '=';
  Line(value);
}
