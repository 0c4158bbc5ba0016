// httpserver: a small HTTP server for the tests. It serves one folder on 127.0.0.1 with
// Content-Length and Last-Modified, on a port chosen at run time, and misbehaves on request the
// ways real servers do, selected by the first path segment:
//   /404/NAME       404 with an HTML error page as body
//   /short/NAME     Content-Length of the whole file, half the body, then the connection closes
//   /nolength/NAME  the whole body without Content-Length, ended by closing the connection
//   /slow/NAME      the body in small pieces with a pause after each (for aborting in the middle)
//   /close/NAME     the headers, then the connection closes without a body
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
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {
const char kUsage[] =
    "usage: httpserver --root DIR [--port-file FILE] [--slow-ms N] [--slow-bytes N] [--tls CERT KEY]\n"
    "  Serves DIR on 127.0.0.1 on a free port, printed as \"port N\" on standard output and\n"
    "  written to FILE when given. Ends on SIGTERM or SIGINT.\n"
    "  Paths: /NAME serves DIR/NAME; /404/NAME answers 404 with an HTML page; /short/NAME sends\n"
    "  half the body and closes; /nolength/NAME sends no Content-Length; /slow/NAME sends\n"
    "  --slow-bytes (default 1024) every --slow-ms (default 50) ms; /close/NAME sends the\n"
    "  headers and closes. With --tls it speaks HTTPS with the given PEM certificate and key.\n";

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
};

// Streams [offset, offset + len) of the file, pausing after each piece when pause > 0.
bool SendRange(const fs::path& file, size_t offset, size_t len, size_t piece, int pauseMs, httplib::DataSink& sink) {
  std::ifstream in(file, std::ios::binary);
  in.seekg(std::streamoff(offset));
  std::string buf(piece, '\0');
  while (len > 0) {
    const size_t n = len < piece ? len : piece;
    in.read(buf.data(), std::streamsize(n));
    if (size_t(in.gcount()) != n || !sink.write(buf.data(), n)) return false;
    len -= n;
    if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
  }
  return true;
}

void Serve(const Options& opt, const std::string& mode, const std::string& name, httplib::Response& res) {
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
  res.set_header("Last-Modified", HttpDate(fs::last_write_time(file)));
  const std::string type = "application/octet-stream";
  if (mode == "short") {
    res.set_content_provider(size, type, [file, size](size_t offset, size_t, httplib::DataSink& sink) {
      // Half of the body, then a failed provider makes the server drop the connection.
      if (offset < size / 2) SendRange(file, offset, size / 2 - offset, 65536, 0, sink);
      return false;
    });
  } else if (mode == "close") {
    res.set_content_provider(size, type, [](size_t, size_t, httplib::DataSink&) { return false; });
  } else if (mode == "nolength") {
    res.set_content_provider(type, [file, size](size_t offset, httplib::DataSink& sink) {
      SendRange(file, offset, size - offset, 65536, 0, sink);
      sink.done();
      return true;
    });
  } else {
    const bool slow = mode == "slow";
    const size_t piece = slow ? opt.slowBytes : 262144;
    const int pause = slow ? opt.slowMs : 0;
    res.set_content_provider(size, type, [file, piece, pause](size_t offset, size_t len, httplib::DataSink& sink) {
      return SendRange(file, offset, len < piece ? len : piece, piece, pause, sink);
    });
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
      if (first == "404" || first == "short" || first == "nolength" || first == "slow" || first == "close") {
        mode = first;
        path = path.substr(slash + 1);
      }
    }
    Serve(opt, mode, path, res);
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
