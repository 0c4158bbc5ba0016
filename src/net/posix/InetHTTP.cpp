// The host build has no Internet library: every request fails the way a Windows system without
// WinINet.dll fails, so that code above the client links and behaves predictably in host tests.
#include "net/InetHTTP.h"

#include "util/Files.h"

bool IsInternetConnected(std::string& reason) {
  reason = "No Internet library on this platform";
  return false;
}

int32_t HTTP_GetFileSize(std::string_view) { return -1; }

void HTTP_DownloadFile_Incremental(uintptr_t, std::string_view, std::string_view, std::string_view, std::string_view,
                                   std::string& content, Progress*, std::string& error) {
  content.clear();
  error = "Unable to initialize \"WinINet.dll\"";
}

void HTTP_DownloadFile_Resumable(uintptr_t ownerWindow, std::string_view url, std::string_view target,
                                 std::string& content, Progress* progress, std::string& error) {
  HTTP_DownloadFile(ownerWindow, url, target, content, progress, error);
}

void UnloadWinInet() {}

void DeletePartialDownloads(std::string_view) {}

// Host wildcards do not match the target itself with target + ".*".
void DeleteDownloadLeftovers(std::string_view target) { DeleteFilesByMask(std::string(target) + ".*", false); }
