// The HTTP client as its callers see it: the connection check, the size query and one download
// order. The product's client runs on the system's Internet library (net/InetHTTP.h); host tests
// hand a scripted one to the code above, so that what it does with a download can be tested
// without a network. Who runs a download owns its cancel flag: the client only reads it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "util/Progress.h"

// One download.
struct DownloadOrder {
  std::string url;
  std::string target;      // empty: the body goes into the caller's content instead
  bool resumable = false;  // an interrupted download continues at the next order for url and target
  uintptr_t owner = 0;     // the window to show, as a handle value; 10 and below mean none
  Progress* progress = nullptr;
  const bool* cancel = nullptr;  // raised by whoever runs the download; read after every chunk
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // True when the system reports an Internet connection; otherwise false with the reason (may be
  // empty).
  virtual bool Connected(std::string& reason) = 0;
  // Content-Length of the answer to url; -1 when it cannot be asked or the header is absent.
  virtual int32_t FileSize(std::string_view url) = 0;
  // Runs the order: the target is replaced only by a whole body (see net/HttpTransfer.h). The
  // error text, empty on success ("Download Aborted" once the cancel flag was raised).
  virtual std::string Download(const DownloadOrder& order, std::string& content) = 0;
};

// How the client paces a transfer; the product keeps the defaults, benchmarks compare.
struct HttpClientOptions {
  // Milliseconds of message-dispatching wait before each chunk. 0 dispatches what is pending
  // without sleeping; a benchmark sets 2 to compare with the classic fixed wait.
  int chunkWaitMs = 0;
  // Whether the body is read from the network in large pieces (see ReadAhead.h); off only for a
  // benchmark's comparison.
  bool readAhead = true;
};
