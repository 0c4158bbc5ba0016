// libFuzzer target over what a server's answer and the partial file's record feed the resumable
// download: the Content-Range header, the answer's status, length and validator headers, and the
// record. Input: bytes 0..1 = status (little-endian), 2..5 = Content-Length, 6..9 = the offset
// asked from, then four texts separated by NUL bytes: the record, Content-Range, ETag and
// Last-Modified.
// Checked: a parsed range is ordered and prints back to itself, a parsed record prints back to
// itself, and an answer is appended only when it is exactly the rest of the recorded file.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzIni.h"
#include "net/DownloadResume.h"

namespace {
uint32_t Le(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

// The next NUL-ended field; the rest of the text for the last one.
std::string_view Field(std::string_view& rest) {
  const size_t end = rest.find('\0');
  const std::string_view field = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return field;
}

void CheckRange(std::string_view header) {
  const std::optional<ContentRange> range = ParseContentRange(header);
  if (!range) return;
  FuzzCheck(range->first <= range->last && range->last < range->total, "a range out of order");
  const std::string again =
      "bytes " + std::to_string(range->first) + "-" + std::to_string(range->last) + "/" + std::to_string(range->total);
  const std::optional<ContentRange> reparsed = ParseContentRange(again);
  FuzzCheck(
      reparsed && reparsed->first == range->first && reparsed->last == range->last && reparsed->total == range->total,
      "a range does not print back to itself");
}

void CheckRecord(const std::optional<ResumeRecord>& record) {
  if (!record) return;
  FuzzCheck(record->total > 0 && record->total != 0xFFFFFFFFu && !record->validator.empty(),
            "a record without substance");
  const std::optional<ResumeRecord> again = ParseResumeRecord(FormatResumeRecord(*record));
  FuzzCheck(
      again && again->url == record->url && again->total == record->total && again->validator == record->validator,
      "a record does not print back to itself");
}

void CheckVerdict(const ResumeRecord* asked, uint32_t offset, const ResumeAnswer& answer) {
  const ResumeVerdict verdict = JudgeResumeAnswer(asked, offset, answer);
  if (verdict == ResumeVerdict::kRefuse) FuzzCheck(!asked && answer.status == 206, "a refusal of an answer asked for");
  if (verdict != ResumeVerdict::kAppend) return;
  FuzzCheck(asked && answer.status == 206, "an append of an answer that is no asked-for part");
  const std::optional<ContentRange> range = ParseContentRange(answer.contentRange);
  FuzzCheck(range && range->first == offset && range->total == asked->total && range->last + 1 == range->total,
            "an append of a range that is not the rest");
  FuzzCheck(answer.contentLength == 0xFFFFFFFFu || uint64_t(answer.contentLength) + offset == asked->total,
            "an append of a length that is not the rest");
  FuzzCheck(answer.validator.empty() || answer.validator == asked->validator, "an append from a changed file");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 10) return 0;
  ResumeAnswer answer;
  answer.status = int(Le(data, 2));
  answer.contentLength = Le(data + 2, 4);
  const uint32_t offset = Le(data + 6, 4);
  std::string_view rest(reinterpret_cast<const char*>(data) + 10, size - 10);
  const std::string_view recordText = Field(rest), rangeText = Field(rest), etag = Field(rest),
                         lastModified = Field(rest);

  const std::optional<ResumeRecord> record = ParseResumeRecord(recordText);
  CheckRecord(record);
  CheckRange(rangeText);
  answer.contentRange = std::string(rangeText);
  answer.validator = ChooseValidator(etag, lastModified);
  (void)ResumeRequestHeaders(offset, answer.validator);
  (void)CanResumeLater(answer);
  CheckVerdict(nullptr, offset, answer);
  if (record) CheckVerdict(&*record, offset, answer);
  (void)IsPartialDownloadName(recordText);
  return 0;
}
