// The update road's steps over an UpdateHost. DownloadFileAU fetches one file of a kind from the
// web folder, a local or network folder, or the test folder; a failed or refused fetch leaves
// nothing behind, so the next due check simply tries again. PerformAutoUpdate asks, fetches, shuts
// the program down, runs the update setup, tells and restarts; ReStartAutoUpdateExe hands over to
// a fresh agent.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "agent/OverrideList.h"
#include "agent/UpdateChoices.h"
#include "agent/UpdateHost.h"

struct FetchRequest {
  FetchKind kind = FetchKind::Info;
  std::string source;  // the folder of the information file's entry
  std::string name;    // the file's name (only its file-name part is used)
  std::string target;  // where the agent keeps the fetched file
  bool testMode = false;
  std::string testFolder;
  bool manual = false;  // a check the user asked for: the fetch of a setup stays hidden
};

// True when the file is in place at request.target and, for an update or inform file, belongs to
// this product. On failure the target is removed (an information file stays when it arrived but
// is a server's error page: it is stored as it came) and the failure is told when a download
// question came before it; a refused file is always reported. error, when given, receives the
// error text (for an information file as JudgeInfoFetch leaves it).
bool DownloadFileAU(UpdateHost& host, const OriginalFile& original, const InfoFile& info, const FetchRequest& request,
                    std::string* error = nullptr);

// Where an update run happens.
struct RoadPlace {
  std::string agentFolder;  // with its trailing backslash
  bool testMode = false;
  std::string testFolder;
  bool manual = false;
};
struct UpdateAttempt {
  bool result = false;    // the update setup ran successfully
  bool tryAgain = false;  // nothing was decided: the fetch failed or the program did not end in time
};
UpdateAttempt PerformAutoUpdate(UpdateHost& host, OriginalFile& original, const InfoFile& info, const RoadPlace& place);

// Starts the plain agent with "/_ZZ=99 /WAIT=10 /TRANSIENT=" and the overrides and ends this one,
// unless a quit countdown runs.
void ReStartAutoUpdateExe(UpdateHost& host, std::string_view agentFolder, std::string_view agentExeName,
                          const OverrideList& overrides, int32_t quitCountdown);
