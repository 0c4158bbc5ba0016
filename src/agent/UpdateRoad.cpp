#include "agent/UpdateRoad.h"

bool DownloadFileAU(UpdateHost& host, const OriginalFile& original, const InfoFile& info, const FetchRequest& request) {
  const std::string folder = FetchSource(request.source, request.testMode, request.testFolder);
  const bool inFolder = IsFolderLocation(folder);
  const std::string location =
      inFolder ? FetchLocalLocation(folder, request.name) : FetchWebLocation(folder, request.name);
  const FetchSourceKind sourceKind =
      request.testMode ? FetchSourceKind::TestFolder : (inFolder ? FetchSourceKind::Folder : FetchSourceKind::Web);
  std::string error;
  if (host.FetchUpdateFile(request.kind, sourceKind, location, request.target, error)) return true;
  if (error.empty()) error = "failed";
  host.DeleteAgentFile(request.target);
  if (request.kind != FetchKind::Info && TellsFetchFailure(error, location, info))
    host.Ask({AskKind::Notice, 0, FetchFailureText(original, error == "abort", location)});
  return false;
}
