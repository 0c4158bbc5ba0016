// The HTTP download client: connection check, size query and the download that streams a response
// into a temporary file beside the target (or into a string), reports progress and can be aborted
// from the user interface. The transfer decisions (addresses, temporary name, chunking, when the
// target is replaced) are portable and host-tested; win32/ opens the requests through WinINet.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "net/CommUtils.h"
#include "util/Progress.h"

// --- the process-wide download abort flag: raised by the main window, read after every chunk
void SetDownloadAbort(bool aborted);
bool IsDownloadAborted();

// A download reports to a Progress: one reset to 0..chunks + 1, then one step per chunk with the
// amounts and the rate as its text.

// --- the operations every caller uses (WinINet on Windows; the host build has no Internet)
// True when the platform reports an Internet connection; otherwise false with the reason.
bool IsInternetConnected(std::string& reason);
// Content-Length of the answer to url; -1 when it cannot be asked or the header is absent.
int32_t HTTP_GetFileSize(std::string_view url);
// Downloads url to target (or, with an empty target, into content). ownerWindow is the window to
// show (a handle value; 10 and below mean none). error is empty on success.
void HTTP_DownloadFile_Incremental(uintptr_t ownerWindow, std::string_view url, std::string_view target,
                                   std::string_view userName, std::string_view password, std::string& content,
                                   Progress* progress, std::string& error);
void HTTP_DownloadFile(uintptr_t ownerWindow, std::string_view url, std::string_view target, std::string& content,
                       Progress* progress, std::string& error);
// As HTTP_DownloadFile, but an interrupted download resumes at the next call for the same address
// and target (see DownloadResume.h); an empty target downloads into content as HTTP_DownloadFile does.
void HTTP_DownloadFile_Resumable(uintptr_t ownerWindow, std::string_view url, std::string_view target,
                                 std::string& content, Progress* progress, std::string& error);
// Milliseconds of message-dispatching wait before each chunk. 0, the default, dispatches what is
// pending without sleeping; a benchmark sets 2 to compare with the classic fixed wait.
void SetDownloadChunkWait(int ms);
int DownloadChunkWait();
// Whether the body is read from the network in large pieces (see ReadAhead.h); on by default, off
// only for a benchmark's comparison.
void SetDownloadReadAhead(bool on);
bool DownloadReadAhead();
// Releases the run-time binding of the Internet library; called once at the end of the main window.
void UnloadWinInet();

// --- portable pieces of the transfer
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
