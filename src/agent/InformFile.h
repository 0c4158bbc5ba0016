// The inform file, a short announcement that the agent fetches from the update source and shows:
// "|" token "|" field "|" field "|" content, as it stands or scrambled as a whole ("Scrambled=01"
// form). The token is the product's package token in its scrambled (stored) form; the two fields
// between it and the content are not used; the content runs to the end of the file and may hold
// "|" itself. Reading is ParseInformHeader of the package reader; this unit adds the token match,
// the content's kind and the vendor's writer.
#pragma once
#include <string>
#include <string_view>

// The fetched inform file belongs to this product: its token, descrambled, equals ownToken (the
// own package's token in clear form), exactly. A token that does not decode never matches.
bool InformTokenMatches(std::string_view fileText, std::string_view ownToken);

// Content in Rich Text Format ("{\rtf" at its start) is shown formatted; anything else as it stands.
bool IsRichTextContent(std::string_view content);

// The vendor's inform file for content and the product's token (scrambledToken as the package's
// update block holds it). With scramble the whole text is scrambled with key character
// scrambleKey (33..122), which the agent undoes before it splits the fields.
std::string BuildInformFile(std::string_view content, std::string_view scrambledToken, bool scramble, int scrambleKey);
