// Text shown while a file downloads (amounts and transfer rate) and the recognition of an HTML
// error page that a web server sent instead of the requested file.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Millisecond tick count; the download passes the platform's, tests a clock of their own.
using MsClock = std::function<uint32_t()>;
uint32_t PlatformTickCount();

// Transfer rate averaged over the last four chunks, refreshed at most twice a second.
class TBytesRate {
 public:
  TBytesRate(bool kilobyteMode, bool megabyteMode, MsClock clock = PlatformTickCount);
  // Meter for a body of this Content-Length: KB above 100 KB, MB above 10 MB.
  static TBytesRate ForSize(uint32_t size, MsClock clock = PlatformTickCount);

  // The rate in KB/s with two decimals; empty before the fifth chunk, unchanged within 500 ms.
  const std::string& GetRateText(uint32_t chunk);
  // "received/total Bytes|KB|MB", with "   -   <rate> KB/Sec" once a rate is known.
  std::string GetProgressText(uint32_t total, uint32_t received, uint32_t chunk);

 private:
  static constexpr int kHistory = 5;
  MsClock clock_;
  uint32_t ticks_[kHistory] = {};
  uint32_t bytes_[kHistory] = {};
  bool kilobyteMode_;
  bool megabyteMode_;
  std::string rateText_;
  uint32_t lastRateTick_ = 0;
  std::string totalText_;
  uint32_t totalFormatted_ = 0;
};

// True when the first 1000 characters (of the file at path when it exists, else of content) look
// like an HTML page, or an HTML title that reports 404.
bool IsHtmlErrorPage(std::string_view path, std::string_view content);
// The "404 File Not Found" message for url when IsHtmlErrorPage, otherwise fallback.
std::string GetNotFoundText(std::string_view path, std::string_view content, std::string_view url,
                            std::string_view fallback);
