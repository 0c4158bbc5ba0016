// The web setup's run: agent copy, the download question, the connection check, the verified fetch
// of the package with the host window's progress bars, and the run of the package.
#include "pack/PackX.h"
#include "platform/System.h"
#include "setup/SetupBoxes.h"
#include "setup/SetupHost.h"
#include "setup/VerifiedFetch.h"
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
}  // namespace

SetupOutcome StartWebSetupRun(const SetupRequest& request, const TGFileInfo& own, SetupHost& host,
                              HttpClient& client) {
  if (!request.agentName.empty()) WriteWebAgentCopy(request.ownPath, request.folder, request.agentName);
  const std::string name = own.GetWebSetupName();
  const std::string ownFolder = SetTrailingBackslash(ExtractFileDir(request.ownPath), false);
  const bool beside = !name.empty() && FileExists(LocalPackagePath(ownFolder, name));
  return FetchAndRunWebSetup(
      request, own, WebSetupSource(own.GetWebUrl(), ownFolder, own.GetWebAlwaysDownload(), beside), name, host, client);
}

SetupOutcome FetchAndRunWebSetup(const SetupRequest& request, const TGFileInfo& own, std::string_view source,
                                 std::string_view packageName, SetupHost& host, HttpClient& client) {
  const LangLookup lang = LangOf(own);
  const bool hidden = !request.foreground;
  const SetupBoxes boxes(host, hidden);
  const std::string buttons = lang("BtnText", kMsgBoxDefaultButtons);
  const std::string url = WebPackageUrl(source, packageName);
  std::string error;
  // The package: the signature is checked before any byte of it is used, then its web token.
  FetchOrder order;
  order.location = url;
  order.target = LocalPackagePath(source, packageName);
  order.name = std::string(packageName);
  // An interrupted download keeps what arrived beside the package, and the next run fetches only the rest.
  order.resumable = true;
  order.checksConnection = false;  // checked below, after the question
  order.token = TokenRule::WebToken;
  order.expectedToken = own.GetWebToken(true);
  order.key = own.GetPublicKey();
  FetchResult checked;
  bool fetched = false;

  if (!FileExists(order.target)) {
    host.SetStatusText(lang("s10", "Downloading File..."), own.GetFontName(), own.GetCharset(), own.GetFontSize());
    // Unasked, a silent run downloads.
    if (own.ConfirmWebDownload() && !boxes.Confirm({DownloadQuestionText(own.GetWebSize(), lang),
                                                    lang("Confirm", "Confirm"), buttons, own.GetCharset()},
                                                   true)) {
      error = "!";
    }
    // Checked even after a No, so that a missing connection is still reported.
    if (std::string reason; !client.Connected(reason)) error = NoConnectionText(reason, lang);
    order.target = GetTempDir(true) + std::string(packageName);
    if (error.empty()) {
      TProgBar bar(&host.Bars());
      order.owner = hidden ? 0 : uintptr_t(host.WindowHandle());
      order.progress = &bar;
      order.cancel = &host.DownloadCancel();
      checked = VerifiedFetch(order, client, SystemEcdsaVerifier());
      fetched = true;
    }
    host.WaitPumping(0, 300);
    host.Bars().Reset(10, 0, 1);
    host.WaitPumping(0, 700);
  } else {
    checked = VerifyFetchedFile(order, false, SystemEcdsaVerifier());
  }
  if (error.empty()) error = checked.error;
  const bool badSignature = checked.refusal == Refusal::Signature;
  if (badSignature)
    DebugLn(IntToStr(CurrentProcessId()) + " Signature: " + SignatureResultText(checked.signature) + " (" + url + ")");
  SetupOutcome outcome;
  if (error.empty()) {
    SetupRequest run = request;
    run.packageFile = order.target;
    run.agentName.clear();
    outcome = RunSetupPackage(run, host);
  }
  if (fetched) DeleteFileByName(order.target);
  if (error.empty()) return outcome;

  DebugLn(IntToStr(CurrentProcessId()) + " FetchAndRunWebSetup: " + (error == "!" ? "cancelled" : error));
  outcome.cause = error == "!" ? SetupCause::Cancelled
                  : badSignature ? SetupCause::BadSignature
                                 : SetupCause::DownloadFailed;
  outcome.exitCode = SetupExitCodeFor(outcome.cause, 0);
  if (error != "!") {
    outcome.systemError = error;
    boxes.Error({error, lang("Error", "Error"), buttons, own.GetCharset()});
  }
  return outcome;
}
