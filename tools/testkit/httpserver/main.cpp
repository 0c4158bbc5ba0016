// httpserver: a small HTTP server for the tests. It serves one folder on 127.0.0.1 with
// Content-Length, Last-Modified and a strong ETag, answers "Range: bytes=N-" (guarded by If-Range)
// with the rest of the file, on a port chosen at run time, and misbehaves on request the ways real
// servers do, selected by the first path segment:
//   /404/NAME       404 with an HTML error page as body
//   /short/NAME     Content-Length of the whole file, half the body, then the connection closes
//   /nolength/NAME  the whole body without Content-Length, ended by closing the connection
//   /slow/NAME      the body in small pieces with a pause after each (for aborting in the middle)
//   /close/NAME     the headers, then the connection closes without a body
//   /norange/NAME   the whole file whatever range is asked for
//   /wrongrange/NAME a range asked for is answered with a 206 of the whole file (from byte 0)
//   anything else   the file below the served folder (no ".." escapes it)
#include <httplib.h>
#include <pthread.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {
const char kUsage[] =
    "usage: httpserver --root DIR [--port-file FILE] [--slow-ms N] [--slow-bytes N] [--tls CERT KEY]\n"
    "                  [--cut-once N] [--log FILE]\n"
    "  Serves DIR on 127.0.0.1 on a free port, printed as \"port N\" on standard output and\n"
    "  written to FILE when given. Ends on SIGTERM or SIGINT.\n"
    "  Paths: /NAME serves DIR/NAME; /404/NAME answers 404 with an HTML page; /short/NAME sends\n"
    "  half the body and closes; /nolength/NAME sends no Content-Length; /slow/NAME sends\n"
    "  --slow-bytes (default 1024) every --slow-ms (default 50) ms; /close/NAME sends the\n"
    "  headers and closes; /norange/NAME ignores Range; /wrongrange/NAME answers a range with a\n"
    "  206 of the whole file. Files carry ETag and Last-Modified;\n"
    "  \"Range: bytes=N-\" gets a 206 with the rest, unless If-Range names another version of the\n"
    "  file (then 200 with the whole), or N is beyond the end (416).\n"
    "  --cut-once N  the first file answer closes the connection after N bytes of its body.\n"
    "  --log FILE    appends a line per answer: \"<status> /<path> <body bytes sent>\".\n"
    "  With --tls it speaks HTTPS with the given PEM certificate and key.\n";

const char kNotFoundPage[] =
    "<html>\r\n<head><title>404 Not Found</title></head>\r\n<body>\r\n<center><h1>404 Not Found</h1></center>\r\n"
    "<hr><center>httpserver</center>\r\n</body>\r\n</html>\r\n";

std::string HttpDate(fs::file_time_type t) {
  const auto sys = std::chrono::time_point_cast<std::chrono::seconds>(t - fs::file_time_type::clock::now() +
                                                                      std::chrono::system_clock::now());
  const std::time_t tt = std::chrono::system_clock::to_time_t(sys);
  std::tm tm{};
  gmtime_r(&tt, &tm);
  char buf[64];
  std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S GMT", &tm);
  return buf;
}

// The file below root named by the request path, or empty when there is none.
fs::path Resolve(const fs::path& root, const std::string& name) {
  const fs::path rel = fs::path(name).lexically_normal();
  if (name.empty() || rel.is_absolute() || *rel.begin() == "..") return {};
  const fs::path full = root / rel;
  std::error_code ec;
  return fs::is_regular_file(full, ec) ? full : fs::path();
}

struct Options {
  fs::path root;
  std::string tlsCert, tlsKey;
  std::string portFile;
  int slowMs = 50;
  size_t slowBytes = 1024;
  long long cutOnce = -1;  // body bytes of the first file answer before the connection closes; -1: none
  std::string logFile;
};

// The version of a file as its ETag: size and modification time, as production servers make it.
std::string ETagOf(const fs::path& file) {
  char buf[64];
  const auto stamp = fs::last_write_time(file).time_since_epoch().count();
  std::snprintf(buf, sizeof buf, "\"%llx-%llx\"", static_cast<unsigned long long>(fs::file_size(file)),
                static_cast<unsigned long long>(stamp));
  return buf;
}

// The start N of "bytes=N-"; -1 when the header is absent or of another form.
long long RangeStart(const std::string& header) {
  if (header.rfind("bytes=", 0) != 0 || header.empty() || header.back() != '-') return -1;
  const std::string digits = header.substr(6, header.size() - 7);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::atoll(digits.c_str());
}

// What was sent of each answer, logged when the answer ends.
struct ServedLog {
  std::mutex lock;
  std::string file;
  bool cutPending = false;
  long long cutAfter = 0;
  void Write(int status, const std::string& path, size_t bytes) {
    if (file.empty()) return;
    std::lock_guard<std::mutex> hold(lock);
    std::ofstream(file, std::ios::app) << status << " /" << path << " " << bytes << "\n";
  }
  // The body bytes the next file answer may send before it is cut; -1 for no cut.
  long long TakeCut() {
    std::lock_guard<std::mutex> hold(lock);
    if (!cutPending) return -1;
    cutPending = false;
    return cutAfter;
  }
};
ServedLog served;

// Streams [offset, offset + len) of the file, pausing after each piece when pause > 0.
bool SendRange(const fs::path& file, size_t offset, size_t len, size_t piece, int pauseMs, httplib::DataSink& sink,
               size_t& sent) {
  std::ifstream in(file, std::ios::binary);
  in.seekg(std::streamoff(offset));
  std::string buf(piece, '\0');
  while (len > 0) {
    const size_t n = len < piece ? len : piece;
    in.read(buf.data(), std::streamsize(n));
    if (size_t(in.gcount()) != n || !sink.write(buf.data(), n)) return false;
    sent += n;
    len -= n;
    if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
  }
  return true;
}

void Serve(const Options& opt, const std::string& mode, const std::string& name, const httplib::Request& req,
           httplib::Response& res) {
  if (mode == "404") {
    res.status = 404;
    res.set_content(kNotFoundPage, "text/html");
    return;
  }
  const fs::path file = Resolve(opt.root, name);
  if (file.empty()) {
    res.status = 404;
    res.set_content(kNotFoundPage, "text/html");
    return;
  }
  const size_t size = size_t(fs::file_size(file));
  const std::string lastModified = HttpDate(fs::last_write_time(file)), etag = ETagOf(file);
  res.set_header("Last-Modified", lastModified);
  res.set_header("ETag", etag);
  res.set_header("Accept-Ranges", mode == "norange" ? "none" : "bytes");
  const std::string type = "application/octet-stream";
  // The range is answered here, not by the library, so that If-Range and the misbehaving
  // folders decide.
  // The others misbehave anyway.
  const bool whole = mode.empty() || mode == "slow" || mode == "norange" || mode == "wrongrange";
  const bool ranges = mode.empty() || mode == "slow" || mode == "wrongrange";
  long long start = ranges ? RangeStart(req.get_header_value("Range")) : -1;
  const std::string ifRange = req.get_header_value("If-Range");
  if (!ifRange.empty() && ifRange != etag && ifRange != lastModified) start = -1;
  if (start >= 0 && size_t(start) >= size) {
    res.status = 416;
    res.set_header("Content-Range", "bytes */" + std::to_string(size));
    served.Write(416, name, 0);
    return;
  }
  const size_t from = start > 0 && mode != "wrongrange" ? size_t(start) : 0;
  res.status = start >= 0 ? 206 : 200;
  if (start >= 0) {
    res.set_header("Content-Range",
                   "bytes " + std::to_string(from) + "-" + std::to_string(size - 1) + "/" + std::to_string(size));
  }
  const long long cut = whole ? served.TakeCut() : -1;
  const int status = res.status;
  auto sent = std::make_shared<size_t>(0);
  auto log = [status, name, sent](bool) { served.Write(status, name, *sent); };
  if (mode == "short") {
    res.set_content_provider(
        size, type,
        [file, size, sent](size_t offset, size_t, httplib::DataSink& sink) {
          // Half of the body, then a failed provider makes the server drop the connection.
          if (offset < size / 2) SendRange(file, offset, size / 2 - offset, 65536, 0, sink, *sent);
          return false;
        },
        log);
  } else if (mode == "close") {
    res.set_content_provider(
        size, type, [](size_t, size_t, httplib::DataSink&) { return false; }, log);
  } else if (mode == "nolength") {
    res.set_content_provider(
        type,
        [file, size, sent](size_t offset, httplib::DataSink& sink) {
          SendRange(file, offset, size - offset, 65536, 0, sink, *sent);
          sink.done();
          return true;
        },
        log);
  } else {
    const bool slow = mode == "slow";
    const size_t piece = slow ? opt.slowBytes : 262144;
    const int pause = slow ? opt.slowMs : 0;
    res.set_content_provider(
        size - from, type,
        [file, from, piece, pause, cut, sent](size_t offset, size_t len, httplib::DataSink& sink) {
          size_t n = len < piece ? len : piece;
          // A cut answer sends up to its limit, then fails, which drops the connection.
          if (cut >= 0 && offset + n > size_t(cut)) n = offset < size_t(cut) ? size_t(cut) - offset : 0;
          if (n == 0) return false;
          return SendRange(file, from + offset, n, piece, pause, sink, *sent) &&
                 !(cut >= 0 && offset + n >= size_t(cut));
        },
        log);
  }
}
}  // namespace

int main(int argc, char** argv) {
  Options opt;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--root" && hasValue) {
      opt.root = argv[++i];
    } else if (arg == "--port-file" && hasValue) {
      opt.portFile = argv[++i];
    } else if (arg == "--tls" && i + 2 < argc) {
      opt.tlsCert = argv[++i];
      opt.tlsKey = argv[++i];
    } else if (arg == "--slow-ms" && hasValue) {
      opt.slowMs = std::atoi(argv[++i]);
    } else if (arg == "--cut-once" && hasValue) {
      opt.cutOnce = std::atoll(argv[++i]);
    } else if (arg == "--log" && hasValue) {
      opt.logFile = argv[++i];
    } else if (arg == "--slow-bytes" && hasValue) {
      opt.slowBytes = size_t(std::atol(argv[++i]));
      if (opt.slowBytes == 0) opt.slowBytes = 1;
    } else {
      std::fprintf(stderr, "httpserver: unknown argument %s\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (opt.root.empty() || !fs::is_directory(opt.root)) {
    std::fprintf(stderr, "httpserver: --root must name a folder\n%s", kUsage);
    return 2;
  }

  // SIGTERM and SIGINT are taken by one waiting thread, which stops the server cleanly; blocked
  // before any thread exists, so that the server's own threads never receive them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  served.file = opt.logFile;
  served.cutPending = opt.cutOnce >= 0;
  served.cutAfter = opt.cutOnce;

  std::unique_ptr<httplib::Server> server;
  if (opt.tlsCert.empty()) {
    server = std::make_unique<httplib::Server>();
  } else {
    auto tls = std::make_unique<httplib::SSLServer>(opt.tlsCert.c_str(), opt.tlsKey.c_str());
    if (!tls->is_valid()) {
      std::fprintf(stderr, "httpserver: cannot use the certificate %s and key %s\n", opt.tlsCert.c_str(),
                   opt.tlsKey.c_str());
      return 2;
    }
    server = std::move(tls);
  }
  httplib::Server& srv = *server;
  // One request per connection: a body without Content-Length ends only when the connection
  // closes, and the clients under test open a connection per download anyway.
  srv.set_keep_alive_max_count(1);
  srv.Get(R"(/(.*))", [&opt](const httplib::Request& req, httplib::Response& res) {
    std::string path = req.matches[1];
    std::string mode;
    const size_t slash = path.find('/');
    if (slash != std::string::npos) {
      const std::string first = path.substr(0, slash);
      if (first == "404" || first == "short" || first == "nolength" || first == "slow" || first == "close" ||
          first == "norange" || first == "wrongrange") {
        mode = first;
        path = path.substr(slash + 1);
      }
    }
    Serve(opt, mode, path, req, res);
    // The answers are ranged here; the library would apply the Range header once more to every
    // answer (even a 200), so it must not see it. The request object is the server's own.
    const_cast<httplib::Request&>(req).ranges.clear();
  });
  const int port = srv.bind_to_any_port("127.0.0.1");
  if (port <= 0) {
    std::fprintf(stderr, "httpserver: cannot bind to 127.0.0.1\n");
    return 1;
  }
  std::thread stopper([&srv, &stopSignals] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    srv.stop();
  });
  stopper.detach();
  std::printf("port %d\n", port);
  std::fflush(stdout);
  if (!opt.portFile.empty()) {
    // Written whole under another name first, so a reader never sees a partial number.
    const std::string tmp = opt.portFile + ".tmp";
    std::ofstream(tmp) << port << "\n";
    fs::rename(tmp, opt.portFile);
  }
  srv.listen_after_bind();
  return 0;
}
