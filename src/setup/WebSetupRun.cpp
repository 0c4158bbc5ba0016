// The web setup's run: agent copy, the download question, the connection check, the download with
// the host window's progress bars, the package token match and the run of the package.
#include "net/CommUtils.h"
#include "net/InetHTTP.h"
#include "pack/PackX.h"
#include "platform/System.h"
#include "setup/SetupBoxes.h"
#include "setup/SetupHost.h"
#include "setup/WebSetup.h"
#include "ui/VMsgBox.h"
#include "ui/VProgBar.h"
#include "util/Files.h"
#include "util/IniReg.h"
#include "util/SignatureCheck.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {
LangLookup LangOf(const TGFileInfo& package) {
  return [&package](std::string_view key, std::string_view def) { return package.GetLangString(key, def); };
}

// The file the engine installs as the application's auto-update agent: the stub itself with the
// trailer's auto-update flag set. Only its file name is used, so the copy stays in the folder.
void WriteWebAgentCopy(std::string_view ownPath, std::string_view workFolder, std::string_view agentName) {
  const std::string image = ReadFileRange(ownPath);
  const std::string name = ExtractFileName(agentName);
  if (image.empty() || name.empty()) return;
  ForceDirectories(workFolder);
  const std::string target = std::string(workFolder) + "\\" + name;
  const bool ok = WriteFileData(target, WebAgentImage(image, ReadPackageEndFromImage(image)), GetFileDosTime(ownPath));
  DebugLn(IntToStr(CurrentProcessId()) + " New AU-Agent: " + target + (ok ? "" : " (not written)"));
}

// Downloads url to package with the host window's progress; the error text, empty on success. An
// interrupted download keeps what arrived beside the package, and the next run fetches only the rest.
std::string DownloadPackage(const std::string& url, const std::string& package, bool hidden, SetupHost& host) {
  SetDownloadAbort(false);
  TProgBar bar(&host.Bars());
  std::string content, error;
  HTTP_DownloadFile_Resumable(hidden ? 0 : uintptr_t(host.WindowHandle()), url, package, content, &bar, error);
  return error;
}

// For a product with a key: the package's signature file (fetched beside the downloaded package, or
// lying beside a local one) is checked before any byte of the package is used. The reason, empty
// when the signature holds.
std::string SignatureFault(const TGFileInfo& own, const std::string& package, const std::string& url,
                           std::string_view packageName, bool downloaded) {
  const std::string sigPath = package + kSignatureSuffix;
  if (downloaded) {
    std::string content, error;
    HTTP_DownloadFile(0, url + kSignatureSuffix, sigPath, content, nullptr, error);
    // A server's error page in place of the signature: no signature.
    if (!error.empty() || IsHtmlErrorPage(sigPath, "")) DeleteFileByName(sigPath);
  }
  const SignatureResult result = CheckSignedFile(package, packageName, own.GetPublicKey(), SystemEcdsaVerifier());
  if (downloaded) DeleteFileByName(sigPath);
  return result == SignatureResult::kOk ? std::string() : SignatureResultText(result);
}
}  // namespace

SetupOutcome StartWebSetupRun(const SetupRequest& request, const TGFileInfo& own, SetupHost& host) {
  if (!request.agentName.empty()) WriteWebAgentCopy(request.ownPath, request.folder, request.agentName);
  const std::string name = own.GetWebSetupName();
  const std::string ownFolder = SetTrailingBackslash(ExtractFileDir(request.ownPath), false);
  const bool beside = !name.empty() && FileExists(LocalPackagePath(ownFolder, name));
  return FetchAndRunWebSetup(
      request, own, WebSetupSource(own.GetWebUrl(), ownFolder, own.GetWebAlwaysDownload(), beside), name, host);
}

SetupOutcome FetchAndRunWebSetup(const SetupRequest& request, const TGFileInfo& own, std::string_view source,
                                 std::string_view packageName, SetupHost& host) {
  const LangLookup lang = LangOf(own);
  const bool hidden = !request.foreground;
  const SetupBoxes boxes(host, hidden);
  const std::string buttons = lang("BtnText", kMsgBoxDefaultButtons);
  const std::string url = WebPackageUrl(source, packageName);
  std::string error;
  bool downloaded = false;
  std::string package = LocalPackagePath(source, packageName);

  if (!FileExists(package)) {
    host.SetStatusText(lang("s10", "Downloading File..."), own.GetFontName(), own.GetCharset(), own.GetFontSize());
    // Unasked, a silent run downloads.
    if (own.ConfirmWebDownload() && !boxes.Confirm({DownloadQuestionText(own.GetWebSize(), lang),
                                                    lang("Confirm", "Confirm"), buttons, own.GetCharset()},
                                                   true)) {
      error = "!";
    }
    // Checked even after a No, so that a missing connection is still reported.
    if (std::string reason; !IsInternetConnected(reason)) error = NoConnectionText(reason, lang);
    package = GetTempDir(true) + std::string(packageName);
    if (error.empty()) {
      error = DownloadPackage(url, package, hidden, host);
      downloaded = error.empty();
    }
    host.WaitPumping(0, 300);
    host.Bars().Reset(10, 0, 1);
    host.WaitPumping(0, 700);
  }

  bool badSignature = false;
  if (error.empty() && !own.GetPublicKey().empty()) {
    if (const std::string fault = SignatureFault(own, package, url, packageName, downloaded); !fault.empty()) {
      DebugLn(IntToStr(CurrentProcessId()) + " Signature: " + fault + " (" + url + ")");
      error = SignatureRefusedText(package, url);
      badSignature = true;
    }
  }
  if (error.empty() && TGFileInfo(package).GetWebToken(true) != own.GetWebToken(true)) {
    error = TokenMismatchText(package, url);
  }
  SetupOutcome outcome;
  if (error.empty()) {
    SetupRequest run = request;
    run.packageFile = package;
    run.agentName.clear();
    outcome = RunSetupPackage(run, host);
  }
  if (downloaded) DeleteFileByName(package);
  if (error.empty()) return outcome;

  DebugLn(IntToStr(CurrentProcessId()) + " FetchAndRunWebSetup: " + (error == "!" ? "cancelled" : error));
  outcome.cause = error == "!" ? SetupCause::Cancelled
                  : badSignature ? SetupCause::BadSignature
                                 : SetupCause::DownloadFailed;
  outcome.exitCode = badSignature ? kExitBadSignature : WebSetupExitCode(error);
  if (error != "!") {
    outcome.systemError = error;
    boxes.Error({error, lang("Error", "Error"), buttons, own.GetCharset()});
  }
  return outcome;
}
