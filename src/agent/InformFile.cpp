// The inform file's token match, content kind and writer.
#include "agent/InformFile.h"

#include "pack/PackX.h"
#include "util/Utils.h"

bool InformTokenMatches(std::string_view fileText, std::string_view ownToken) {
  // A token that does not decode comes back as a random number text, which matches nothing but
  // by chance, as for packages.
  return ParseInformHeader(fileText).token == ownToken;
}

bool IsRichTextContent(std::string_view content) { return content.substr(0, 5) == "{\\rtf"; }

std::string BuildInformFile(std::string_view content, std::string_view scrambledToken, bool scramble, int scrambleKey) {
  std::string text = "|" + std::string(scrambledToken) + "|||" + std::string(content);
  return scramble ? ScrambleTextWithKey(text, true, false, scrambleKey) : text;
}
