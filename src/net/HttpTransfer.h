// The transfer under the HTTP client: the addresses and names a request uses, the temporary file
// beside the target, chunking, and the loop that moves an opened response body into its file (or
// into a string) with progress, stopping when the download's runner cancels it. Portable and
// host-tested; the client (net/InetHTTP.h) opens the requests.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "net/CommUtils.h"
#include "util/Progress.h"

// A download reports to a Progress: one reset to 0..chunks + 1, then one step per chunk with the
// amounts and the rate as its text.

inline constexpr uint32_t kNoContentLength = 0xFFFFFFFFu;
inline constexpr uint32_t kMaxChunk = 8192;

// The address as the request opens it: one that names its scheme ("http://" or "https://", any
// case) keeps it, a bare one gets "http://".
std::string CompleteUrl(std::string_view url);
// The user-name form of a request: host and path of the address, the scheme removed; https
// connects securely to port 443, everything else to port 80.
struct UserRequest {
  std::string host;
  std::string path;  // with its leading "/"
  uint16_t port = 80;
  bool secure = false;
};
UserRequest SplitUserUrl(std::string_view url);
// Last path segment of the address, for error texts.
std::string UrlFileName(std::string_view url);
// target + "." + (size + stamp as an unsigned 32-bit sum).
std::string TempDownloadPath(std::string_view target, uint32_t size, uint32_t stamp);
// Whether a file of the target's folder is a leftover of an earlier download of it: the target's
// name, a dot and something more. The target itself never is, although Windows wildcards match it
// with target + ".*".
bool IsDownloadLeftover(std::string_view targetName, std::string_view fileName);
// Deletes the leftovers beside target (read-only ones stay).
void DeleteDownloadLeftovers(std::string_view target);
// Deletes the partial files of resumable downloads in folder, each with its record; a file of that
// name without a record that says where it came from is not one and stays. Called once a download
// into the folder has completed, so that what earlier announcements left does not stay for good.
void DeletePartialDownloads(std::string_view folder);
// A tenth of the body, 1..8192 bytes.
uint32_t DownloadChunkSize(uint32_t size);
// Progress range maximum: one step per chunk, plus the starting position.
int ProgressMaximum(uint32_t size, uint32_t chunk);

// One open response body.
class HttpBody {
 public:
  virtual ~HttpBody() = default;
  // Reads up to len bytes into buffer; false when the read failed.
  virtual bool Read(char* buffer, uint32_t len, uint32_t& read) = 0;
  // What is known about the last failed read (the system's error text, else the server's last
  // response text); may be empty.
  virtual std::string FailureDetail() = 0;
  // How many bytes have arrived and can be read without waiting for the network (0 at the end of
  // the body); false when the source cannot tell.
  virtual bool Available(uint32_t& bytes) {
    bytes = 0;
    return false;
  }
};

// What the transfer needs from the window system.
class DownloadHost {
 public:
  virtual ~DownloadHost() = default;
  // Shows the owner window, if there is one.
  virtual void ShowOwner() = 0;
  // Keeps the windows responsive between chunks.
  virtual void BetweenChunks() = 0;
  // Whether whoever runs the download has asked it to stop; read after every chunk.
  virtual bool Cancelled() { return false; }
};

// Where a body goes: appended to partial, which already holds have bytes, and partial renamed to
// target once it holds exactly the whole size. An empty target receives into content instead.
struct BodyDestination {
  std::string target;
  std::string partial;
  uint32_t have = 0;
};
// Streams an opened response body into the destination; what could not be stored or renamed is
// deleted, a partial file that merely came up short stays. Returns the error text, empty when
// the body ended without a failure (the caller tells a complete file by the target's rename).
std::string ReceiveBodyInto(HttpBody& body, std::string_view url, const BodyDestination& to, uint32_t size,
                            std::string& content, Progress* progress, DownloadHost& host,
                            MsClock clock = PlatformTickCount);
// Streams an opened response of Content-Length size (kNoContentLength when absent) and
// Last-Modified stamp (packed DOS; 0 when absent) into target or content. The target is replaced
// only when the temporary file holds exactly size bytes. Returns the error text, empty on success.
std::string ReceiveBody(HttpBody& body, std::string_view url, std::string_view target, uint32_t size, uint32_t stamp,
                        std::string& content, Progress* progress, DownloadHost& host,
                        MsClock clock = PlatformTickCount);
