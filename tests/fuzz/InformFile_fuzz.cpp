// libFuzzer target over the inform file, plain and scrambled, with its RTF or plain content: the
// input is read as a fetched inform file would be (header, token match, the whole PerformAutoInform
// with the rest of the input as the dialog's address), and is also built into an inform file of
// its own that must read back as it went in.
// Input for the built file: byte 0 bit 0 = scramble, byte 1 = key, byte 2 = token length (low 4
// bits), then the token, then the content.
// Checked: a built file gives back its token and content, its token matches, and the dialog is
// never handed an address other than an http:// or https:// one.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzIni.h"
#include "agent/AutoInform.h"
#include "agent/InformFile.h"
#include "pack/PackWriter.h"
#include "pack/PackX.h"

namespace {
constexpr std::string_view kInfo = "C:\\App\\App.info", kOriginal = "C:\\App\\App.original";

// The dialog side of an inform.
class Ui : public InformUi {
 public:
  bool RunDialog(const InformDialogRequest& request) override {
    FuzzCheck(!request.content.empty(), "a dialog with nothing to show");
    FuzzCheck(request.address.empty() || IsWebAddress(request.address), "the dialog got a refused address");
    (void)IsRichTextContent(request.content);
    return true;
  }
  void OpenAddress(std::string_view address) override {
    FuzzCheck(IsWebAddress(address), "a refused address was opened");
  }
};

void ReadAsFetched(std::string_view text, std::string_view address) {
  const TInformHeader header = ParseInformHeader(text);
  (void)InformTokenMatches(text, "FUZZ-1");
  (void)IsRichTextContent(header.body);
  MemoryIniStore ini;
  ini.Write(kInfo, "NewSetup", "DownloadURL_UPDATE", "http://127.0.0.1/up");
  ini.Write(kInfo, "AutoInform", "NameOfInformFile", "App.inform");
  ini.Write(kInfo, "AutoInform", "DownloadURL_INFORM", address);
  ini.Write(kInfo, "NewSetup", "VersionNew", "7");
  ini.Write(kOriginal, "OriginalSetup", "VersionOriginal", "3");
  OverrideList overrides;
  OriginalFile original(ini, std::string(kOriginal));
  const InfoFile info(ini, std::string(kInfo), overrides);
  // The fetch always succeeds; the file is the fuzzer's text.
  Ui ui;
  const bool shown = BeginAutoInform(info) && PerformAutoInform(original, info, {true, std::string(text)}, ui);
  FuzzCheck(original.VersionOriginal() == (shown ? 7 : 3), "the version raised without a shown inform");
}

void BuildAndReadBack(std::string_view data) {
  if (data.size() < 3) return;
  const bool scramble = data[0] & 1;
  const int key = 33 + uint8_t(data[1]) % 90;
  const size_t tokenSize = std::min<size_t>(uint8_t(data[2]) & 15, data.size() - 3);
  const std::string token(data.substr(3, tokenSize));
  const std::string_view content = data.substr(3 + tokenSize);
  const std::string scrambledToken = ScrambleToken(token, uint32_t(data.size()));
  const std::string file = BuildInformFile(content, scrambledToken, scramble, key);
  const TInformHeader header = ParseInformHeader(file);
  FuzzCheck(header.body == content, "a built inform file does not give its content back");
  // An empty token decodes to nothing and then matches nothing.
  if (token.empty()) return;
  FuzzCheck(header.token == token, "a built inform file does not give its token back");
  FuzzCheck(InformTokenMatches(file, token), "a built inform file does not match its own token");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // The address is the input's last line, so that one seed serves file and address.
  const size_t lastLine = text.rfind('\n');
  ReadAsFetched(text, lastLine == std::string_view::npos ? std::string_view() : text.substr(lastLine + 1));
  BuildAndReadBack(text);
  return 0;
}
