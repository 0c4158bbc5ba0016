// Resumable downloads: what an interrupted download keeps beside its target, what the next attempt
// asks the server for, and what it does with the answer. The partial file stays only while a
// validator (a strong ETag, else Last-Modified) can prove that the rest comes from the same file;
// the rest is asked for with a range guarded by that validator (If-Range), so a server whose file
// changed answers with the whole file. A partial file never replaces a target: only a complete one
// of the announced size does, and every check of the caller runs on that whole file.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/HttpTransfer.h"

// <target>.<8 hex digits of a hash of the address>.part: one partial file per address and target.
std::string PartialDownloadPath(std::string_view target, std::string_view url);
// Whether a file name has the form of a partial file: a name, a dot, 8 hex digits and ".part".
bool IsPartialDownloadName(std::string_view fileName);
// The partial file's record of where it came from: <partial>.info.
std::string ResumeRecordPath(std::string_view partialPath);

// What the record holds: the address, the whole file's size and the validator of the answer that
// started the partial file.
struct ResumeRecord {
  std::string url;
  uint32_t total = 0;
  std::string validator;
};
std::string FormatResumeRecord(const ResumeRecord& record);
// The record of the text, or nothing when it is malformed, incomplete or without a validator.
std::optional<ResumeRecord> ParseResumeRecord(std::string_view text);
// The record in the file at path; nothing as above, and for a missing file or one too large to be
// a record (a record is a few lines, and a large file is not read whole).
std::optional<ResumeRecord> ReadResumeRecord(std::string_view path);

// The validator of an answer: its ETag when strong, else its Last-Modified text; empty when there
// is neither (a weak "W/" ETag proves no byte-for-byte sameness and does not count).
std::string ChooseValidator(std::string_view etag, std::string_view lastModified);

// The request headers that ask for the bytes from offset on, only if the file still is the one
// the validator names.
std::string ResumeRequestHeaders(uint32_t offset, std::string_view validator);

// A Content-Range header "bytes FIRST-LAST/TOTAL".
struct ContentRange {
  uint64_t first = 0, last = 0, total = 0;
};
std::optional<ContentRange> ParseContentRange(std::string_view header);

// The parts of an answer the decision looks at.
struct ResumeAnswer {
  int status = 0;
  uint32_t contentLength = 0xFFFFFFFFu;  // absent: 0xFFFFFFFF
  std::string contentRange;              // the header as sent; empty when absent
  std::string validator;                 // ChooseValidator of the answer
};

enum class ResumeVerdict {
  kAppend,   // the answer is the rest of the partial file: append it
  kWhole,    // the answer is the whole file: start the partial file again with it
  kRestart,  // the answer is of no use (refused range, wrong range, changed file): drop the partial
             // file and ask again without a range
  kRefuse,   // a partial answer nobody asked for: nothing of it may land anywhere
};
// What to do with the answer to a request that asked for the rest from offset of the recorded file
// (asked: null when the request asked for no range).
ResumeVerdict JudgeResumeAnswer(const ResumeRecord* asked, uint32_t offset, const ResumeAnswer& answer);

// Whether a whole-file answer may start a partial file that a later attempt can resume: a 200 with
// a known length and a validator.
bool CanResumeLater(const ResumeAnswer& answer);

// --- the download itself
// Opens the request of a resumable download (WinINet on Windows, a fake in tests).
class RangeRequester {
 public:
  virtual ~RangeRequester() = default;
  // Opens the address with the extra request headers (empty: none) and fills in the answer; false
  // with the error text when no answer came.
  virtual bool Open(const std::string& headers, ResumeAnswer& answer, std::string& error) = 0;
  // The body of the open answer.
  virtual HttpBody& Body() = 0;
  // Drops the open answer unread.
  virtual void Close() = 0;
};

// Downloads url to target through the requester, resuming the partial file an earlier attempt
// left. A transfer that ends early keeps its partial file (and record) when it can be resumed and
// reports an error; the target is replaced only by the whole file. Returns the error text, empty
// on success.
std::string DownloadResumable(RangeRequester& net, std::string_view url, std::string_view target, Progress* progress,
                              DownloadHost& host);
