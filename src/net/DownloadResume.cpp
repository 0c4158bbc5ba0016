// The decisions of a resumable download; see DownloadResume.h.
#include "net/DownloadResume.h"

#include <cstdio>

#include "util/Files.h"
#include "util/Utils.h"

namespace {
constexpr uint32_t kAbsent = 0xFFFFFFFFu;

// FNV-1a: short, stable across builds and platforms, enough to tell addresses apart in a name.
uint32_t AddressHash(std::string_view text) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
  return hash;
}

// A decimal number of the whole text, digits only.
std::optional<uint64_t> Decimal(std::string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + uint64_t(c - '0');
  }
  return value;
}
}  // namespace

std::string PartialDownloadPath(std::string_view target, std::string_view url) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08x", unsigned(AddressHash(url)));
  return std::string(target) + "." + hex + ".part";
}

bool IsPartialDownloadName(std::string_view fileName) {
  constexpr std::string_view kPart = ".part";
  constexpr size_t kTail = 1 + 8 + kPart.size();
  if (fileName.size() <= kTail || !EndsWith(kPart, fileName, true) || fileName[fileName.size() - kTail] != '.')
    return false;
  const std::string_view hex = fileName.substr(fileName.size() - kTail + 1, 8);
  return hex.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

std::string ResumeRecordPath(std::string_view partialPath) { return std::string(partialPath) + ".info"; }

std::string FormatResumeRecord(const ResumeRecord& record) {
  return "url=" + record.url + "\r\ntotal=" + IntToStr(record.total) + "\r\nvalidator=" + record.validator + "\r\n";
}

std::optional<ResumeRecord> ParseResumeRecord(std::string_view text) {
  ResumeRecord record;
  bool hasUrl = false, hasTotal = false;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "url") {
      record.url = std::string(value);
      hasUrl = true;
    } else if (key == "total") {
      const std::optional<uint64_t> total = Decimal(value);
      if (!total || *total == 0 || *total >= kAbsent) return std::nullopt;
      record.total = uint32_t(*total);
      hasTotal = true;
    } else if (key == "validator") {
      record.validator = std::string(value);
    }
  }
  if (!hasUrl || !hasTotal || record.validator.empty()) return std::nullopt;
  return record;
}

std::optional<ResumeRecord> ReadResumeRecord(std::string_view path) {
  constexpr int64_t kLargestRecord = 65536;  // an address is at most a few KB
  if (GetFileSizeByName(path) > kLargestRecord) return std::nullopt;
  return ParseResumeRecord(ReadFileRange(path));
}

std::string ChooseValidator(std::string_view etag, std::string_view lastModified) {
  const std::string tag = Trim(etag);
  if (!tag.empty() && !StartsWith("W/", tag, false)) return tag;
  return Trim(lastModified);
}

std::string ResumeRequestHeaders(uint32_t offset, std::string_view validator) {
  return "Range: bytes=" + IntToStr(offset) + "-\r\nIf-Range: " + std::string(validator) + "\r\n";
}

std::optional<ContentRange> ParseContentRange(std::string_view header) {
  const std::string text = Trim(header);
  if (!StartsWith("bytes ", text, true)) return std::nullopt;
  const std::string_view range = std::string_view(text).substr(6);
  const size_t dash = range.find('-'), slash = range.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || dash > slash) return std::nullopt;
  const auto first = Decimal(range.substr(0, dash));
  const auto last = Decimal(range.substr(dash + 1, slash - dash - 1));
  const auto total = Decimal(range.substr(slash + 1));
  if (!first || !last || !total || *first > *last || *last >= *total) return std::nullopt;
  return ContentRange{*first, *last, *total};
}

ResumeVerdict JudgeResumeAnswer(const ResumeRecord* asked, uint32_t offset, const ResumeAnswer& answer) {
  if (!asked) return answer.status == 206 ? ResumeVerdict::kRefuse : ResumeVerdict::kWhole;
  if (answer.status == 200) return ResumeVerdict::kWhole;
  if (answer.status != 206) return ResumeVerdict::kRestart;
  const std::optional<ContentRange> range = ParseContentRange(answer.contentRange);
  const bool rest = range && range->first == offset && range->total == asked->total && range->last + 1 == range->total;
  const bool length = answer.contentLength == kAbsent || answer.contentLength == asked->total - offset;
  // A server that honours the range but not If-Range still names the file it sent.
  const bool same = answer.validator.empty() || answer.validator == asked->validator;
  return rest && length && same ? ResumeVerdict::kAppend : ResumeVerdict::kRestart;
}

bool CanResumeLater(const ResumeAnswer& answer) {
  return answer.status == 200 && answer.contentLength != kAbsent && answer.contentLength > 0 &&
         !answer.validator.empty();
}

namespace {
void DropPartial(const std::string& partial, const std::string& record) {
  DeleteFileByName(partial);
  DeleteFileByName(record);
}
}  // namespace

std::string DownloadResumable(RangeRequester& net, std::string_view url, std::string_view target, Progress* progress,
                              DownloadHost& host) {
  const std::string partial = PartialDownloadPath(target, url);
  const std::string recordPath = ResumeRecordPath(partial);
  std::optional<ResumeRecord> record = ReadResumeRecord(recordPath);
  const int64_t have = GetFileSizeByName(partial);
  if (!record || record->url != url || have <= 0 || have >= int64_t(record->total)) {
    record.reset();
    DropPartial(partial, recordPath);
  }
  // A refused or unusable range is asked again once, without a range.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const uint32_t offset = record ? uint32_t(have) : 0;
    ResumeAnswer answer;
    std::string error;
    if (!net.Open(record ? ResumeRequestHeaders(offset, record->validator) : std::string(), answer, error))
      return error;  // nothing arrived: the partial file waits for the next attempt
    const ResumeVerdict verdict = JudgeResumeAnswer(record ? &*record : nullptr, offset, answer);
    if (verdict == ResumeVerdict::kRestart) {
      net.Close();
      record.reset();
      DropPartial(partial, recordPath);
      continue;
    }
    if (verdict == ResumeVerdict::kRefuse) {
      net.Close();
      return UrlFileName(url) + " --- Error downloading file (a partial answer to a request for the whole file)";
    }
    if (verdict == ResumeVerdict::kWhole) {
      DropPartial(partial, recordPath);
      record.reset();
      if (CanResumeLater(answer)) {
        record = ResumeRecord{std::string(url), answer.contentLength, answer.validator};
        if (!WriteFileData(recordPath, FormatResumeRecord(*record))) DeleteFileByName(recordPath);
      }
    }
    // What cannot be resumed later (an error page, a body without length or validator) goes through
    // a temporary file of its own, as every download does, and never stays.
    if (!record && answer.contentLength == 0) return std::string(url) + " --- File Not Found !";
    const uint32_t total = record ? record->total : answer.contentLength;
    const std::string into = record ? partial : TempDownloadPath(target, total, 0);
    if (!record) DeleteFileByName(into);
    const uint32_t start = verdict == ResumeVerdict::kAppend ? offset : 0;
    std::string content;
    error = ReceiveBodyInto(net.Body(), url, BodyDestination{std::string(target), into, start}, total, content,
                            progress, host);
    // Renamed to the target when complete; deleted when it could not be stored.
    const bool left = FileExists(into);
    if (error.empty() && left) {
      const std::string arrived = IntToStr(GetFileSizeByName(into));
      error = UrlFileName(url) + " --- Error downloading file (" + arrived +
              (total == kNoContentLength ? " bytes arrived, of no announced size)"
                                         : " of " + IntToStr(total) + " bytes arrived)");
    }
    if (!left) {
      DeleteFileByName(recordPath);
    } else if (!record || !FileExists(recordPath)) {
      DeleteFileByName(into);  // nothing could prove its bytes at a later attempt
    }
    return error;
  }
  return UrlFileName(url) + " --- Error downloading file";
}
