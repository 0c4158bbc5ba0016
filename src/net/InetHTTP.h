// The system's HTTP client (WinINet on Windows; the host build has no Internet and every request
// fails as on a Windows system without WinINet.dll). The transfer itself is net/HttpTransfer.h.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "net/HttpClient.h"

class InetHttpClient final : public HttpClient {
 public:
  explicit InetHttpClient(HttpClientOptions options = {}) : options_(options) {}
  bool Connected(std::string& reason) override;
  int32_t FileSize(std::string_view url) override;
  std::string Download(const DownloadOrder& order, std::string& content) override;

 private:
  HttpClientOptions options_;
};

// Releases the run-time binding of the Internet library; called once at the end of the main window.
void UnloadWinInet();
