// The host build has no Internet library: every request fails the way a Windows system without
// WinINet.dll fails, so that code above the client links and behaves predictably in host tests.
#include "net/InetHTTP.h"

#include "net/HttpTransfer.h"
#include "util/Files.h"

bool InetHttpClient::Connected(std::string& reason) {
  reason = "No Internet library on this platform";
  return false;
}

int32_t InetHttpClient::FileSize(std::string_view) { return -1; }

std::string InetHttpClient::Download(const DownloadOrder&, std::string& content) {
  content.clear();
  return "Unable to initialize \"WinINet.dll\"";
}

void UnloadWinInet() {}

void DeletePartialDownloads(std::string_view) {}

// Host wildcards do not match the target itself with target + ".*".
void DeleteDownloadLeftovers(std::string_view target) { DeleteFilesByMask(std::string(target) + ".*", false); }
