// The download client on WinINet: connection check, size query, and the opening of the request
// whose body the portable transfer loop then receives.
#include "net/InetHTTP.h"

#include <windows.h>
#include <wininet.h>

#include <memory>

#include "net/DownloadResume.h"
#include "net/HttpTransfer.h"
#include "net/ReadAhead.h"
#include "net/win32/WinInet.h"
#include "platform/System.h"
#include "platform/win32/Handles.h"
#include "util/Files.h"
#include "util/IniReg.h"
#include "util/MessagePump.h"
#include "util/Utils.h"
#include "util/VDebug.h"

namespace {
constexpr DWORD kTimeoutMs = 180000;
// Connect, receive, send, receive, send, data receive, data send: the receive and send options
// are set twice, as older WinINet versions took the second call as the one for the data phase.
constexpr DWORD kTimeoutOptions[] = {INTERNET_OPTION_CONNECT_TIMEOUT,  INTERNET_OPTION_RECEIVE_TIMEOUT,
                                     INTERNET_OPTION_SEND_TIMEOUT,     INTERNET_OPTION_RECEIVE_TIMEOUT,
                                     INTERNET_OPTION_SEND_TIMEOUT,     INTERNET_OPTION_DATA_RECEIVE_TIMEOUT,
                                     INTERNET_OPTION_DATA_SEND_TIMEOUT};

BoundInternetHandle OpenSession(const char* agent) {
  return BoundInternetHandle(Inet_OpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, "", nullptr, 0));
}

void SetTimeouts(HINTERNET session) {
  for (DWORD option : kTimeoutOptions) {
    DWORD value = kTimeoutMs;
    InternetSetOptionA(session, option, &value, sizeof value);
  }
}

// Content-Length, or kNoContentLength when the header is absent.
uint32_t ContentLength(HINTERNET request) {
  DWORD length = 0, size = sizeof length;
  if (!Http_QueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr)) {
    return kNoContentLength;
  }
  return length;
}

// Last-Modified as a packed DOS date-time; 0 when absent or outside the DOS range.
uint32_t LastModified(HINTERNET request) {
  SYSTEMTIME st{};
  DWORD size = sizeof st;
  if (!Http_QueryInfoA(request, HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &st, &size, nullptr)) return 0;
  FILETIME ft;
  WORD date = 0, time = 0;
  if (!SystemTimeToFileTime(&st, &ft) || !FileTimeToDosDateTime(&ft, &date, &time)) return 0;
  return uint32_t(date) << 16 | time;
}

class WinInetBody : public HttpBody {
 public:
  explicit WinInetBody(HINTERNET request) : request_(request) {}
  bool Read(char* buffer, uint32_t len, uint32_t& read) override {
    DWORD got = 0;
    const bool ok = Inet_ReadFile(request_, buffer, len, &got);
    read = got;
    return ok;
  }
  // Waits, as the library does, until something has arrived or the body has ended.
  bool Available(uint32_t& bytes) override {
    DWORD available = 0;
    const bool ok = Inet_QueryDataAvailable(request_, &available, 0, 0);
    bytes = ok ? available : 0;
    return ok;
  }
  std::string FailureDetail() override {
    std::string detail = LastErrorText();
    if (!detail.empty()) return detail;
    DWORD code = 0, length = 1024;
    std::string response(length, '\0');
    if (!InternetGetLastResponseInfoA(&code, response.data(), &length)) return {};
    response.resize(length < 1024 ? length : 1024);
    return response;
  }

 private:
  HINTERNET request_;
};

// A header's text; empty when absent.
std::string HeaderText(HINTERNET request, DWORD info) {
  char buffer[512];
  DWORD size = sizeof buffer;
  if (!Http_QueryInfoA(request, info, buffer, &size, nullptr) || size >= sizeof buffer) return {};
  return std::string(buffer, size);
}

// The requests of a resumable download: one session, a request per Open.
class WinInetRanges : public RangeRequester {
 public:
  WinInetRanges(std::string url, DownloadHost& host, bool readAhead)
      : url_(std::move(url)), host_(host), readAhead_(readAhead) {
    if (session_) SetTimeouts(session_.get());
  }
  bool ok() const { return bool(session_); }
  bool Open(const std::string& headers, ResumeAnswer& answer, std::string& error) override {
    Close();
    request_ =
        BoundInternetHandle(Inet_OpenUrlA(session_.get(), url_.c_str(), headers.empty() ? nullptr : headers.c_str(),
                                          DWORD(headers.size()), kDownloadRequestFlags, 0));
    if (!request_) {
      error = "Unable to open Internet Connection: " + url_;
      return false;
    }
    DWORD status = 0, size = sizeof status;
    if (Http_QueryInfoA(request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
      answer.status = int(status);
    answer.contentLength = ContentLength(request_.get());
    answer.contentRange = HeaderText(request_.get(), HTTP_QUERY_CONTENT_RANGE);
    answer.validator = ChooseValidator(HeaderText(request_.get(), HTTP_QUERY_ETAG),
                                       HeaderText(request_.get(), HTTP_QUERY_LAST_MODIFIED));
    network_ = std::make_unique<WinInetBody>(request_.get());
    ahead_ = std::make_unique<ReadAheadBody>(*network_, [this] { host_.BetweenChunks(); });
    return true;
  }
  HttpBody& Body() override { return readAhead_ ? static_cast<HttpBody&>(*ahead_) : *network_; }
  void Close() override {
    ahead_.reset();
    network_.reset();
    request_ = BoundInternetHandle();
  }
  ~WinInetRanges() override { Close(); }

 private:
  std::string url_;
  DownloadHost& host_;
  bool readAhead_;
  BoundInternetHandle session_ = OpenSession("HTTP_Connect_3");
  BoundInternetHandle request_;
  std::unique_ptr<WinInetBody> network_;
  std::unique_ptr<ReadAheadBody> ahead_;
};

class WindowHost : public DownloadHost {
 public:
  WindowHost(const DownloadOrder& order, int chunkWaitMs)
      : owner_(order.owner), cancel_(order.cancel), chunkWaitMs_(chunkWaitMs) {}
  void ShowOwner() override {
    if (owner_ > 10) ShowWindow(reinterpret_cast<HWND>(owner_), SW_SHOW);
  }
  // Handles whatever the windows have queued when it is due; InternetReadFile itself waits for
  // the data, so sleeping here would only slow the transfer down.
  void BetweenChunks() override {
    if (chunkWaitMs_ > 0) {
      WaitPumping(0, chunkWaitMs_);
      return;
    }
    PumpMessagesIfDue();
  }
  bool Cancelled() override { return cancel_ && *cancel_; }

 private:
  uintptr_t owner_;
  const bool* cancel_;
  int chunkWaitMs_;
};
}  // namespace

bool InetHttpClient::Connected(std::string& reason) {
  DWORD flags = 0;
  SetLastError(0);
  if (Inet_GetConnectedState(&flags, 0)) return true;
  // The call may fail without an error code; "The operation completed successfully" is no reason.
  reason = GetLastError() ? LastErrorText() : std::string();
  return false;
}

namespace {
// The headers of url without its body (a HEAD request); connection holds the connection. A GET
// closed unread is no substitute: WinINet may read the whole body first to keep the connection,
// so asking for the size of an update setup cost its whole transfer.
BoundInternetHandle OpenHeadRequest(HINTERNET session, const std::string& url, BoundInternetHandle& connection) {
  char host[INTERNET_MAX_HOST_NAME_LENGTH] = {}, path[INTERNET_MAX_URL_LENGTH] = {};
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts)) return {};
  connection = BoundInternetHandle(
      InternetConnectA(session, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return {};
  const DWORD flags = kDownloadRequestFlags | (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
  BoundInternetHandle request(HttpOpenRequestA(connection.get(), "HEAD", path, nullptr, nullptr, nullptr, flags, 0));
  if (!request || !HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return {};
  return request;
}
}  // namespace

int32_t InetHttpClient::FileSize(std::string_view url) {
  const std::string address = CompleteUrl(url);
  {
    // The first answer may come from the cache and is not used.
    BoundInternetHandle session = OpenSession("HTTP_Connect_2"), connection;
    BoundInternetHandle request = OpenHeadRequest(session.get(), address, connection);
  }
  int32_t result = -1;
  BoundInternetHandle session = OpenSession("HTTP_Connect_2"), connection;
  BoundInternetHandle request = OpenHeadRequest(session.get(), address, connection);
  if (request) result = int32_t(ContentLength(request.get()));
  // A server that refuses HEAD is asked with a GET, as before.
  if (result < 0) request = BoundInternetHandle(Inet_OpenUrlA(session.get(), address.c_str(), nullptr, 0, 0, 0));
  if (request) {
    if (result < 0) result = int32_t(ContentLength(request.get()));
    DebugLn("HTTP_GetFileSize=" + IntToStr(result) + "  " + address);
  }
  return result;
}

namespace {
// The whole body in one request.
std::string DownloadWhole(const DownloadOrder& order, const HttpClientOptions& options, std::string& content) {
  BoundInternetHandle session = OpenSession("HTTP_Connect_3");
  if (!session) return "Unable to initialize \"WinINet.dll\"";
  SetTimeouts(session.get());
  // Declared in this order, the request closes before the session.
  BoundInternetHandle request(
      Inet_OpenUrlA(session.get(), CompleteUrl(order.url).c_str(), nullptr, 0, kDownloadRequestFlags, 0));
  if (!request) return "Unable to open Internet Connection: " + order.url;
  WindowHost host(order, options.chunkWaitMs);
  WinInetBody network(request.get());
  ReadAheadBody readAhead(network, [&host] { host.BetweenChunks(); });
  HttpBody& body = options.readAhead ? static_cast<HttpBody&>(readAhead) : network;
  return ReceiveBody(body, CompleteUrl(order.url), order.target, ContentLength(request.get()),
                     LastModified(request.get()), content, order.progress, host);
}

std::string DownloadResuming(const DownloadOrder& order, const HttpClientOptions& options) {
  WindowHost host(order, options.chunkWaitMs);
  const std::string address = CompleteUrl(order.url);
  WinInetRanges net(address, host, options.readAhead);
  if (!net.ok()) return "Unable to initialize \"WinINet.dll\"";
  return DownloadResumable(net, address, order.target, order.progress, host);
}
}  // namespace

std::string InetHttpClient::Download(const DownloadOrder& order, std::string& content) {
  content.clear();
  // An order without a target downloads into content, which cannot be resumed.
  const bool resuming = order.resumable && !order.target.empty();
  const std::string error = resuming ? DownloadResuming(order, options_) : DownloadWhole(order, options_, content);
  if (!error.empty())
    DebugLn(IntToStr(CurrentProcessId()) +
            (resuming ? " HTTP_DownloadFile_Resumable: " : " HTTP_DownloadFile_Incremental: ") + error);
  return error;
}

void DeleteDownloadLeftovers(std::string_view target) {
  // The folder part as given, so that a bare file name stays relative.
  const std::string name = ExtractFileName(target);
  const std::string folder(target.substr(0, target.size() - name.size()));
  WIN32_FIND_DATAA found;
  FindHandle find(FindFirstFileA((std::string(target) + ".*").c_str(), &found));
  if (!find) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsDownloadLeftover(name, found.cFileName)) {
      DeleteFileA((folder + found.cFileName).c_str());
    }
  } while (FindNextFileA(find.get(), &found));
}

void DeletePartialDownloads(std::string_view folder) {
  const std::string dir = SetTrailingBackslash(folder, true);
  WIN32_FIND_DATAA found;
  FindHandle find(FindFirstFileA((dir + "*.part").c_str(), &found));
  if (!find) return;
  do {
    const std::string partial = dir + found.cFileName;
    const std::string record = ResumeRecordPath(partial);
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsPartialDownloadName(found.cFileName) &&
        ReadResumeRecord(record)) {
      DeleteFileByName(partial);
      DeleteFileByName(record);
    }
  } while (FindNextFileA(find.get(), &found));
}

void UnloadWinInet() { UnloadWinInetLibrary(); }
