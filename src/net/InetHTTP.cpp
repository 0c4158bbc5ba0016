// The portable part of the download client: the addresses and names a request uses, and the
// transfer loop that moves a response body into its temporary file.
#include "net/HttpTransfer.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "util/Files.h"
#include "util/Utils.h"

namespace {
bool NamesScheme(std::string_view url) { return StartsWith("http://", url, true) || StartsWith("https://", url, true); }

// The temporary file, open for the whole transfer: opening and closing it for every chunk costs
// more than the transfer itself where file opens are expensive (under Wine, several round trips to
// the server each). The first failure of the local side is kept as the download's error: a
// transfer that cannot be stored must not look like one that merely came up short.
class TempFile {
 public:
  explicit TempFile(const std::string& path) : path_(path) {
    if (path.empty()) return;
    ClearFileCallError();
    file_ = std::fopen(path.c_str(), "ab");
    if (!file_) {
      Fail("Unable to create file ");
      return;
    }
    // Chunks are collected into larger writes: each write is a system call of its own.
    std::setvbuf(file_, nullptr, _IOFBF, kWriteBuffer);
  }
  ~TempFile() { Close(); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  void Append(std::string_view data) {
    if (!file_) return;
    ClearFileCallError();
    if (std::fwrite(data.data(), 1, data.size(), file_) != data.size()) Fail("Unable to write file ");
  }
  // Writes what is buffered; a full disk often shows only here. Flushed on its own first: some C
  // libraries (Wine's msvcrt) let fclose succeed when its final write failed.
  void Close() {
    if (!file_) return;
    ClearFileCallError();
    if (std::fflush(file_) != 0) return Fail("Unable to write file ");
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!ok) Fail("Unable to write file ");
  }
  const std::string& error() const { return error_; }

 private:
  void Fail(const char* what) {
    if (error_.empty()) error_ = what + path_ + " (" + FileCallErrorText() + ")";
    if (file_) std::fclose(file_);
    file_ = nullptr;
  }
  static constexpr size_t kWriteBuffer = 262144;
  std::string path_;
  std::FILE* file_ = nullptr;
  std::string error_;
};

// Replaces the target with the finished temporary file. The target goes only when the temporary
// file is complete, so a failed transfer never costs the file that was there before. The error
// text, empty on success.
std::string ReplaceTarget(const std::string& temp, std::string_view target) {
  const std::string to(target);
  DeleteFileByName(to);
  ClearFileCallError();
  if (std::rename(temp.c_str(), to.c_str()) == 0) return {};
  return "Unable to rename " + temp + " to " + to + " (" + FileCallErrorText() + ")";
}
}  // namespace

std::string CompleteUrl(std::string_view url) {
  if (NamesScheme(url)) return std::string(url);
  return "http://" + std::string(url);
}

UserRequest SplitUserUrl(std::string_view url) {
  UserRequest request;
  if (StartsWith("https://", url, true)) {
    request.secure = true;
    request.port = 443;
    url.remove_prefix(8);
  } else if (StartsWith("http://", url, true)) {
    url.remove_prefix(7);
  }
  const size_t slash = url.find('/');
  request.host = std::string(url.substr(0, slash));
  request.path = "/" + std::string(slash == std::string_view::npos ? "" : url.substr(slash + 1));
  return request;
}

std::string UrlFileName(std::string_view url) {
  const size_t slash = url.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

std::string TempDownloadPath(std::string_view target, uint32_t size, uint32_t stamp) {
  return std::string(target) + "." + std::to_string(uint32_t(size + stamp));
}

bool IsDownloadLeftover(std::string_view targetName, std::string_view fileName) {
  return fileName.size() > targetName.size() + 1 && fileName[targetName.size()] == '.' &&
         StartsWith(targetName, fileName, true);
}

uint32_t DownloadChunkSize(uint32_t size) {
  const uint32_t chunk = size / 10;
  return chunk < 1 ? 1 : chunk > kMaxChunk ? kMaxChunk : chunk;
}

int ProgressMaximum(uint32_t size, uint32_t chunk) { return int((uint64_t(size) + chunk - 1) / chunk) + 1; }

std::string ReceiveBody(HttpBody& body, std::string_view url, std::string_view target, uint32_t size, uint32_t stamp,
                        std::string& content, Progress* progress, DownloadHost& host, MsClock clock) {
  content.clear();
  if (size == 0) return std::string(url) + " --- File Not Found !";
  BodyDestination to;
  if (!target.empty()) {
    to.target = std::string(target);
    to.partial = TempDownloadPath(target, size, stamp);
    DeleteDownloadLeftovers(target);
  }
  return ReceiveBodyInto(body, url, to, size, content, progress, host, std::move(clock));
}

std::string ReceiveBodyInto(HttpBody& body, std::string_view url, const BodyDestination& to, uint32_t size,
                            std::string& content, Progress* progress, DownloadHost& host, MsClock clock) {
  const std::string name = UrlFileName(url);
  const bool toFile = !to.target.empty();
  std::string error;
  host.ShowOwner();
  const uint32_t chunk = DownloadChunkSize(size);
  uint32_t received = toFile ? to.have : 0;
  if (progress) progress->Reset(ProgressMaximum(size, chunk), int(std::lround(double(received) / chunk)) + 1, 1);
  TBytesRate meter = TBytesRate::ForSize(size, std::move(clock));

  TempFile file(toFile ? to.partial : std::string());
  std::vector<char> buffer(kMaxChunk);
  uint32_t read = 0;
  do {
    if (!file.error().empty()) break;  // nothing more can be stored
    host.BetweenChunks();
    read = 0;
    if (body.Read(buffer.data(), chunk, read)) {
      if (read > chunk) read = chunk;  // never trust a count beyond what was asked for
      const std::string_view data(buffer.data(), read);
      if (toFile) {
        file.Append(data);
      } else {
        content.append(data);
      }
      received += read;
    } else {
      read = 0;
      error = name + " --- Error downloading file";
      const std::string detail = body.FailureDetail();
      if (!detail.empty()) error += " (" + detail + ")";
    }
    const std::string text = meter.GetProgressText(size, received, read);
    if (read > 0 && progress) progress->Step(text);
  } while (read > 0 && !host.Cancelled());

  file.Close();
  std::string localError = file.error();
  if (localError.empty() && toFile && GetFileSizeByName(to.partial) == int64_t(size))
    localError = ReplaceTarget(to.partial, to.target);
  if (!localError.empty()) {
    // What could not be stored or renamed is of no use to anyone: it goes.
    DeleteFileByName(to.partial);
    error = localError;
  }
  if (host.Cancelled()) error = "Download Aborted";
  return error;
}
