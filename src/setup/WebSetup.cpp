// The portable decisions and texts of the web setup.
#include "setup/WebSetup.h"

#include "net/CommUtils.h"
#include "util/Utils.h"

std::string WebSetupSource(std::string_view webUrl, std::string_view ownFolder, bool alwaysDownload,
                           bool packageBesideStub) {
  if (!alwaysDownload && packageBesideStub) return SetTrailingBackslash(ownFolder, false);
  return std::string(webUrl);
}

std::string LocalPackagePath(std::string_view source, std::string_view packageName) {
  std::string path(source);
  if (path.empty() || path.back() != '\\') path += "\\";
  return path + std::string(packageName);
}

std::string WebPackageUrl(std::string_view source, std::string_view packageName) {
  return std::string(source) + "/" + std::string(packageName);
}

std::string DownloadQuestionText(std::string_view webSize, const LangLookup& lang) {
  const std::string text = lang(
      "s11",
      "<b>INTERNET DOWNLOAD</b><p><p>Velkit will download the Setup File from the Internet...<p>Please make sure your "
      "Internet connection is properly set.<p><p>Continue with Setup?<p><P>Size: <SIZE> MB<P>");
  return ReplaceText(text, "<SIZE>", SizeToMBText(double(StrToInt64Def(webSize, 0))));
}

std::string NoConnectionText(std::string_view reason, const LangLookup& lang) {
  std::string text = lang("s12", "No valid Internet Connection.<p>Can not Download File!");
  if (!reason.empty()) text += "<P><P>" + std::string(reason);
  return text;
}

std::string TokenMismatchText(std::string_view packageFile, std::string_view url) {
  return GetNotFoundText(packageFile, "", url, "Bad Secret Token!");
}

std::string SignatureRefusedText(std::string_view packageFile, std::string_view url) {
  return GetNotFoundText(packageFile, "", url, "Bad Signature!");
}

int WebSetupExitCode(std::string_view error) {
  return SetupExitCodeFor(error == "!" ? SetupCause::Cancelled : SetupCause::DownloadFailed, 0);
}

std::string WebAgentImage(std::string image, uint64_t packageEnd) {
  // No end mark (0), or one beyond the image, means the package ends with the file.
  const size_t end = packageEnd > 0 && packageEnd <= image.size() ? size_t(packageEnd) : image.size();
  if (image.size() - end < 10000) image.resize(end);
  // The flag is the trailer's, wherever the package ends: bytes kept after it (a large signature
  // block) must not take it, or the installed copy would start as a web setup again.
  if (end > 5) image[end - 5] = 1;
  return image;
}
