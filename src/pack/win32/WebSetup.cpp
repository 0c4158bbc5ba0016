// The web setup on the stub window: agent copy, the download question, the connection check, the
// download with the window's progress bars, the package token match and the run of the package.
#include "pack/WebSetup.h"

#include "net/InetHTTP.h"
#include "pack/PackX.h"
#include "pack/SetupBoxes.h"
#include "stub/CmdLine.h"
#include "stub/Stub.h"
#include "stub/StubWin.h"
#include "ui/VMsgBox.h"
#include "ui/VProgBar.h"
#include "util/Files.h"
#include "util/IniReg.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {
LangLookup OwnLang() {
  return [](std::string_view key, std::string_view def) { return OwnPackage().GetLangString(key, def); };
}

std::string Buttons() { return OwnPackage().GetLangString("BtnText", kMsgBoxDefaultButtons); }

// The file the engine installs as the application's auto-update agent: the stub itself with the
// trailer's auto-update flag set. Only its file name is used, so the copy stays in the folder.
void WriteWebAgentCopy(std::string_view workFolder, std::string_view agentName) {
  const std::string own = OwnExePath();
  const std::string image = ReadFileRange(own);
  const std::string name = ExtractFileName(agentName);
  if (image.empty() || name.empty()) return;
  ForceDirectories(workFolder);
  const std::string target = std::string(workFolder) + "\\" + name;
  const bool ok = WriteFileData(target, WebAgentImage(image, ReadPackageEndFromImage(image)), GetFileDosTime(own));
  DebugLn(IntToStr(CurrentProcessId()) + " New AU-Agent: " + target + (ok ? "" : " (not written)"));
}

// Downloads url to package with the stub window's progress; the error text, empty on success.
std::string DownloadPackage(const std::string& url, const std::string& package, bool hidden) {
  SetDownloadAbort(false);
  TProgBar& bar = ProcessProgBar(StubProgressCallback);
  std::string content, error;
  HTTP_DownloadFile(hidden ? 0 : uintptr_t(MainWindowHandle()), url, package, content, &bar, error);
  return error;
}
}  // namespace

void StartWebSetupRun(std::string_view workFolder, std::string_view agentName) {
  const TGFileInfo& own = OwnPackage();
  if (!agentName.empty()) WriteWebAgentCopy(workFolder, agentName);
  const std::string name = own.GetWebSetupName();
  const std::string ownFolder = GetExeDir(false);
  const bool beside = !name.empty() && FileExists(LocalPackagePath(ownFolder, name));
  FetchAndRunWebSetup(workFolder, WebSetupSource(own.GetWebUrl(), ownFolder, own.GetWebAlwaysDownload(), beside), name);
}

void FetchAndRunWebSetup(std::string_view folder, std::string_view source, std::string_view packageName) {
  const TGFileInfo& own = OwnPackage();
  const LangLookup lang = OwnLang();
  const bool hidden = ParamExists("/hide") || own.GetHideFlag();
  const SetupBoxes boxes(hidden);
  const std::string url = WebPackageUrl(source, packageName);
  std::string error;
  bool downloaded = false;
  std::string package = LocalPackagePath(source, packageName);

  if (!FileExists(package)) {
    SetStatusText(lang("s10", "Downloading File..."), own.GetFontName(), own.GetCharset(), own.GetFontSize());
    // Unasked, a silent run downloads.
    if (own.ConfirmWebDownload() && !boxes.Confirm(DownloadQuestionText(own.GetWebSize(), lang),
                                                   lang("Confirm", "Confirm"), Buttons(), own.GetCharset(), true)) {
      error = "!";
    }
    // Checked even after a No, so that a missing connection is still reported.
    if (std::string reason; !IsInternetConnected(reason)) error = NoConnectionText(reason, lang);
    package = GetTempDir(true) + std::string(packageName);
    if (error.empty()) {
      error = DownloadPackage(url, package, hidden);
      downloaded = error.empty();
    }
    WaitPumping(0, 300);
    StubProgressCallback(0, 0, 10, 0, 1, {});
    WaitPumping(0, 700);
  }

  if (error.empty() && TGFileInfo(package).GetWebToken(true) != own.GetWebToken(true)) {
    error = TokenMismatchText(package, url);
  }
  if (error.empty()) RunSetupPackage(folder, package, "", GetCmdParams(), !hidden);
  if (downloaded) DeleteFileByName(package);
  if (error.empty()) return;

  DebugLn(IntToStr(CurrentProcessId()) + " FetchAndRunWebSetup: " + (error == "!" ? "cancelled" : error));
  SetStubExitCode(WebSetupExitCode(error));
  if (error != "!") boxes.Error(error, lang("Error", "Error"), Buttons(), own.GetCharset());
}
