// Host-side servers for the network tests; see TestServer.h.
#include "TestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace nettest {
namespace {
int Spawn(const std::vector<std::string>& args, const fs::path& logFile) {
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    FILE* log = std::fopen(logFile.c_str(), "w");
    if (log) {
      dup2(fileno(log), 1);
      dup2(fileno(log), 2);
    }
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

void StopProcess(int& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  int status = 0;
  // Both servers end promptly on SIGTERM; the kill below is only for one that hangs.
  if (!wine::WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 10000)) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  pid = -1;
}

bool Accepts(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(uint16_t(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(s);
  return ok;
}
}  // namespace

fs::path HttpServerExe() { return fs::path(VELKIT_WINE_DIR).parent_path() / "tools/testkit/httpserver/httpserver"; }

TestServer::TestServer(const fs::path& root, const std::vector<std::string>& extraArgs) {
  const fs::path portFile = dir_ / "port";
  std::vector<std::string> args = {HttpServerExe().string(), "--root", root.string(), "--port-file", portFile.string()};
  args.insert(args.end(), {"--log", (dir_ / "served.log").string()});
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  pid_ = Spawn(args, dir_ / "server.log");
  if (wine::WaitFor([&] { return fs::exists(portFile); }, 10000)) port_ = std::stoi(wine::ReadFile(portFile));
}

TestServer::~TestServer() { StopProcess(pid_); }

std::string TestServer::ServedLog() const { return wine::ReadFile(dir_ / "served.log"); }

std::string TestServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

NginxServer::NginxServer(const fs::path& root) {
  const char* candidates[] = {"/usr/sbin/nginx", "/usr/bin/nginx"};
  std::string nginx;
  for (const char* c : candidates) {
    if (fs::exists(c)) nginx = c;
  }
  if (nginx.empty()) {
    error_ = "nginx is not installed";
    return;
  }
  const int port = FreePort();
  const std::string d = dir_.path().string();
  fs::create_directories(dir_ / "logs");
  std::ostringstream conf;
  // One process in the foreground, everything it writes under the test's folder.
  conf << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
       << "error_log " << d << "/logs/error.log;\npid " << d << "/nginx.pid;\n"
       << "events { worker_connections 64; }\n"
       << "http {\n  log_format served '$status $uri $body_bytes_sent';\n"
       << "  access_log " << d << "/logs/served.log served;\n  default_type application/octet-stream;\n"
       << "  client_body_temp_path " << d << "/body;\n  proxy_temp_path " << d << "/proxy;\n"
       << "  fastcgi_temp_path " << d << "/fastcgi;\n  uwsgi_temp_path " << d << "/uwsgi;\n"
       << "  scgi_temp_path " << d << "/scgi;\n"
       << "  server {\n    listen 127.0.0.1:" << port << ";\n    root " << root.string() << ";\n  }\n}\n";
  wine::WriteFile(dir_ / "nginx.conf", conf.str());
  pid_ = Spawn({nginx, "-p", d + "/", "-c", d + "/nginx.conf", "-e", d + "/logs/error.log"}, dir_ / "stdout.log");
  if (wine::WaitFor([&] { return Accepts(port); }, 10000)) {
    port_ = port;
  } else {
    error_ = "nginx did not start: " + wine::ReadFile(dir_ / "logs/error.log") + wine::ReadFile(dir_ / "stdout.log");
    StopProcess(pid_);
  }
}

NginxServer::~NginxServer() { StopProcess(pid_); }

std::string NginxServer::ServedLog() const { return wine::ReadFile(dir_ / "logs/served.log"); }

std::string NginxServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  close(s);
  return ntohs(addr.sin_port);
}

}  // namespace nettest
