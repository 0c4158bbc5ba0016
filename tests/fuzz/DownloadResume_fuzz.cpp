// libFuzzer target over what a server's answer and the partial file's record feed the resumable
// download: the Content-Range header, the answer's status, length and validator headers, and the
// record, first to the verdicts one by one, then to whole downloads against a server that answers
// as a script says. Input: bytes 0..1 = status (little-endian), 2..5 = Content-Length, 6..9 = the
// offset asked from, then five parts separated by NUL bytes: the record, Content-Range, ETag,
// Last-Modified and the server's script (see ScriptedServer).
// Checked: a parsed range is ordered and prints back to itself, a parsed record prints back to
// itself, an answer is appended only when it is exactly the rest of the recorded file; and after
// each download the target and the partial file hold the server's bytes from the first on, with
// nothing shifted, doubled or missing, a partial file stays only with its record, and a download
// that reports no error has left its target.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "FuzzIni.h"
#include "net/DownloadResume.h"
#include "util/Files.h"

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

// The server's file, of any length: byte i is the same in every answer, and differs from its
// neighbours, so that bytes stored at a wrong offset show.
char ServerByte(uint64_t i) { return char((i * 2654435761u) >> 13); }

bool HoldsServerBytes(const std::string& path) {
  const std::string data = ReadFileRange(path);
  for (size_t i = 0; i < data.size(); ++i)
    if (data[i] != ServerByte(i)) return false;
  return true;
}

class ScriptBody : public HttpBody {
 public:
  void Set(uint64_t from, uint32_t length, bool resets) { from_ = from, left_ = length, resets_ = resets; }
  bool Read(char* buffer, uint32_t len, uint32_t& read) override {
    read = std::min(len, left_);
    for (uint32_t i = 0; i < read; ++i) buffer[i] = ServerByte(from_ + i);
    from_ += read, left_ -= read;
    return read > 0 || !resets_;
  }
  std::string FailureDetail() override { return "reset"; }

 private:
  uint64_t from_ = 0;
  uint32_t left_ = 0;
  bool resets_ = false;
};

// Answers each request from the next 8 bytes of its script; without them no answer comes.
//   0: status (200, 206, 206, 416, 500, 200 by value mod 6); bit 7: no answer at all
//   1: ETag ("v1", "v2", none, weak "v1" by value mod 4); bit 2: a Last-Modified too
//   2: Content-Range (none, the rest from the offset asked, the rest from A, "A-B/B+1" mod 4);
//      bit 7: the connection is reset after the body
//   3: Content-Length (none, what the body should be, B mod 3); bit 7: the body is cut after A bytes
//   4..5: A, 6..7: B (little-endian)
// The file is 1000 bytes long as far as the headers say so; the body of a 206 holds the server's
// bytes from the first byte of the range it names, every other body from byte 0.
class ScriptedServer : public RangeRequester {
 public:
  explicit ScriptedServer(std::string_view script) : script_(script) {}
  bool Open(const std::string& headers, ResumeAnswer& answer, std::string& error) override {
    if (script_.size() < 8 || (script_[0] & 0x80)) {
      script_ = {};
      error = "no answer";
      return false;
    }
    const uint8_t* s = reinterpret_cast<const uint8_t*>(script_.data());
    script_.remove_prefix(8);
    constexpr uint32_t kTotal = 1000;
    const uint32_t a = Le(s + 4, 2), b = Le(s + 6, 2);
    const size_t range = headers.find("Range: bytes=");
    const uint32_t asked = range == std::string::npos ? 0 : uint32_t(std::stoul(headers.substr(range + 13)));
    static const int kStatus[] = {200, 206, 206, 416, 500, 200};
    static const char* const kTags[] = {"\"v1\"", "\"v2\"", "", "W/\"v1\""};
    answer.status = kStatus[s[0] % 6];
    answer.validator = ChooseValidator(kTags[s[1] % 4], (s[1] & 4) ? "Tue, 01 Dec 2026 10:00:00 GMT" : "");
    auto rest = [&](uint32_t first) {
      return "bytes " + std::to_string(first) + "-" + std::to_string(kTotal - 1) + "/" + std::to_string(kTotal);
    };
    switch ((s[2] & 0x7F) % 4) {
      case 1:
        answer.contentRange = rest(asked);
        break;
      case 2:
        answer.contentRange = rest(a);
        break;
      case 3:
        answer.contentRange = "bytes " + std::to_string(a) + "-" + std::to_string(b) + "/" + std::to_string(b + 1);
        break;
      default:
        break;
    }
    const std::optional<ContentRange> named = ParseContentRange(answer.contentRange);
    const uint64_t from = named && answer.status == 206 ? named->first : 0;
    const uint32_t length = from < kTotal ? uint32_t(kTotal - from) : 0;
    switch ((s[3] & 0x7F) % 3) {
      case 1:
        answer.contentLength = length;
        break;
      case 2:
        answer.contentLength = b;
        break;
      default:
        break;
    }
    body_.Set(from, (s[3] & 0x80) ? std::min(a, length) : length, s[2] & 0x80);
    return true;
  }
  HttpBody& Body() override { return body_; }
  void Close() override { body_.Set(0, 0, false); }

 private:
  std::string_view script_;
  ScriptBody body_;
};

class NoWindow : public DownloadHost {
 public:
  void ShowOwner() override {}
  void BetweenChunks() override {}
};

// A folder of this process under $TMPDIR, emptied for every input (tests/fuzz/run removes it).
const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/velkit-resume-XXXXXX";
    FuzzCheck(mkdtemp(tmpl.data()) != nullptr, "no temporary folder");
    return std::filesystem::path(tmpl);
  }();
  return folder;
}

// Up to three downloads, each a later attempt that finds what the one before left.
void DownloadAsScripted(std::string_view script) {
  namespace fs = std::filesystem;
  if (script.size() < 8) return;  // no answer at all: nothing to store
  const fs::path& folder = Folder();
  for (const auto& entry : fs::directory_iterator(folder)) fs::remove_all(entry.path());
  const std::string url = "http://127.0.0.1/up/Setup.exe", target = (folder / "Setup.exe").string();
  const std::string partial = PartialDownloadPath(target, url), record = ResumeRecordPath(partial);
  ScriptedServer server(script);
  NoWindow host;
  for (int attempt = 0; attempt < 3; ++attempt) {
    DeleteFileByName(target);
    const std::string error = DownloadResumable(server, url, target, nullptr, host);
    FuzzCheck(!error.empty() || FileExists(target), "a download without error left no target");
    FuzzCheck(!FileExists(target) || HoldsServerBytes(target), "the target does not hold the server's bytes");
    if (!FileExists(partial)) continue;
    FuzzCheck(HoldsServerBytes(partial), "the partial file does not hold the server's bytes");
    FuzzCheck(ReadResumeRecord(record).has_value(), "a partial file without its record");
  }
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
  DownloadAsScripted(rest);
  return 0;
}
