// The update road's steps over an UpdateHost. DownloadFileAU fetches one file of a kind from the
// web folder, a local or network folder, or the test folder; a failed or refused fetch leaves
// nothing behind, so the next due check simply tries again.
#pragma once
#include <string>
#include <string_view>

#include "agent/UpdateChoices.h"
#include "agent/UpdateHost.h"

struct FetchRequest {
  FetchKind kind = FetchKind::Info;
  std::string source;      // the folder of the information file's entry
  std::string name;        // the file's name (only its file-name part is used)
  std::string target;      // where the agent keeps the fetched file
  bool testMode = false;
  std::string testFolder;
};

// True when the file is in place at request.target; on failure the target is removed and the
// failure is told when a download question came before it.
bool DownloadFileAU(UpdateHost& host, const OriginalFile& original, const InfoFile& info, const FetchRequest& request);
