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

int WebSetupExitCode(std::string_view error) { return error == "!" ? kExitCancelled : kExitDownloadFailed; }

std::string WebAgentImage(std::string image, uint64_t packageEnd) {
  // No end mark (0) cuts nothing: the rule would otherwise empty any image shorter than 10000 bytes.
  if (packageEnd > 0 && packageEnd < image.size() && image.size() - packageEnd < 10000)
    image.resize(size_t(packageEnd));
  if (image.size() > 5) image[image.size() - 5] = 1;
  return image;
}
