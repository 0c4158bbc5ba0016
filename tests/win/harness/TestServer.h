// Servers that the Windows-side network tests start on 127.0.0.1: the test kit's httpserver (a
// host program) and nginx, each on a free port chosen at run time and stopped by its owner.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "WineHarness.h"

namespace nettest {
namespace fs = std::filesystem;

// The host build's tools/testkit/httpserver/httpserver.
fs::path HttpServerExe();

// httpserver serving root; stopped (SIGTERM, then reaped) when destroyed.
class TestServer {
 public:
  explicit TestServer(const fs::path& root, const std::vector<std::string>& extraArgs = {});
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;
  int port() const { return port_; }
  // "http://127.0.0.1:<port>/" + path.
  std::string Url(const std::string& path) const;
  // A line per answer so far: "<status> /<path> <body bytes sent>".
  std::string ServedLog() const;

 private:
  wine::TempDir dir_;
  int pid_ = -1;
  int port_ = 0;
};

// nginx serving root with a config and prefix of its own under a temporary folder, on a free port;
// stopped when destroyed. ok() is false when nginx is not installed or did not start.
class NginxServer {
 public:
  explicit NginxServer(const fs::path& root);
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;
  bool ok() const { return port_ > 0; }
  int port() const { return port_; }
  std::string Url(const std::string& path) const;
  // As TestServer's; nginx writes a line when an answer has ended.
  std::string ServedLog() const;
  std::string error() const { return error_; }

 private:
  wine::TempDir dir_;
  int pid_ = -1;
  int port_ = 0;
  std::string error_;
};

// A free TCP port on 127.0.0.1 at the time of the call.
int FreePort();
using wine::Lines;
using wine::LinesStartingWith;
}  // namespace nettest
