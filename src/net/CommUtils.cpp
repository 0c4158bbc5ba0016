// Progress line, transfer rate and HTML error-page recognition of the download client.
#include "net/CommUtils.h"

#include <cstdio>
#include <utility>

#include "platform/System.h"
#include "util/Files.h"
#include "util/Utils.h"

namespace {
constexpr size_t kPageProbe = 1000;

// Moves the history one place to the left and stores value last.
void Slide(uint32_t (&history)[5], uint32_t value) {
  for (int i = 0; i < 4; ++i) history[i] = history[i + 1];
  history[4] = value;
}
}  // namespace

uint32_t PlatformTickCount() { return uint32_t(TickMs()); }

TBytesRate::TBytesRate(bool kilobyteMode, bool megabyteMode, MsClock clock)
    : clock_(std::move(clock)), kilobyteMode_(kilobyteMode), megabyteMode_(megabyteMode) {}

TBytesRate TBytesRate::ForSize(uint32_t size, MsClock clock) {
  return TBytesRate(size > 102400, size > 10485760, std::move(clock));
}

const std::string& TBytesRate::GetRateText(uint32_t chunk) {
  const uint32_t now = clock_();
  Slide(ticks_, now);
  Slide(bytes_, chunk);
  const uint32_t elapsed = ticks_[4] - ticks_[0];
  const double bytes = double(bytes_[1]) + bytes_[2] + bytes_[3] + bytes_[4];
  if (ticks_[0] != 0 && elapsed != 0 && uint32_t(now - lastRateTick_) > 500) {
    lastRateTick_ = clock_();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", bytes / (elapsed / 1000.0) / 1024.0);
    rateText_ = buf;
  }
  return rateText_;
}

std::string TBytesRate::GetProgressText(uint32_t total, uint32_t received, uint32_t chunk) {
  std::string text;
  if (megabyteMode_ || kilobyteMode_) {
    const double unit = megabyteMode_ ? 1048576.0 : 1024.0;
    // The total stays the same for a whole transfer; formatting a number costs more than the rest
    // of a chunk's work where the C library's float formatting is slow (msvcrt under Wine).
    if (total != totalFormatted_ || totalText_.empty()) {
      totalText_ = SizeText(true, 1, unit, total);
      totalFormatted_ = total;
    }
    text = SizeText(true, 1, unit, received) + "/" + totalText_ + (megabyteMode_ ? " MB" : " KB");
  } else {
    text = std::to_string(received) + "/" + std::to_string(total) + " Bytes";
  }
  const std::string& rate = GetRateText(chunk);
  if (!rate.empty()) text += "   -   " + rate + " KB/Sec";
  return text;
}

bool IsHtmlErrorPage(std::string_view path, std::string_view content) {
  std::string fromFile;
  if (!path.empty() && FileExists(path)) {
    fromFile = ReadFileRange(path, kPageProbe, 0);
    content = fromFile;
  }
  content = content.substr(0, kPageProbe);
  const size_t title = PosCI("<TITLE", content), code = PosCI("404", content), titleEnd = PosCI("</TITLE>", content);
  if (title > 0 && title < code && code < titleEnd) return true;
  const size_t html = PosCI("<HTML>", content), head = PosCI("<HEAD>", content), titleTag = PosCI("<TITLE>", content);
  return html > 0 && html < head && head < titleTag && titleTag < titleEnd;
}

std::string GetNotFoundText(std::string_view path, std::string_view content, std::string_view url,
                            std::string_view fallback) {
  if (!IsHtmlErrorPage(path, content)) return std::string(fallback);
  return "<B>404 File Not Found...</B><P><P>URL:  " + std::string(url) +
         ".<P><P>Please make sure the file is available and access is allowed to this file.";
}
