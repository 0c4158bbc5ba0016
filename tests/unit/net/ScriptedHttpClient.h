// An HTTP client that answers from a script: each address has a body, a failure, a body that ends
// short, or a download that the user cancels. It leaves on disk what the system's client would
// (the whole target, a leftover beside it, a resumable download's partial file), and records the
// orders it was given.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "net/DownloadResume.h"
#include "net/HttpClient.h"
#include "net/HttpTransfer.h"
#include "util/Files.h"

namespace fixture {

struct ScriptedHttpClient : HttpClient {
  struct Answer {
    std::string body;
    std::string error;       // the download fails with it after part of the body arrived
    bool endsShort = false;  // the body ends before its Content-Length: no error, but no target
    bool cancelled = false;  // the user closes the window during the download
  };
  static Answer Serves(std::string body) {
    Answer a;
    a.body = std::move(body);
    return a;
  }
  static Answer Fails(std::string body, std::string error) {
    Answer a = Serves(std::move(body));
    a.error = std::move(error);
    return a;
  }
  static Answer EndsShort(std::string body) {
    Answer a = Serves(std::move(body));
    a.endsShort = true;
    return a;
  }
  static Answer IsCancelled(std::string body) {
    Answer a = Serves(std::move(body));
    a.cancelled = true;
    return a;
  }
  std::map<std::string, Answer> answers;  // by address; any other is a failure
  bool connected = true;
  std::string reason;
  std::vector<DownloadOrder> orders;
  int connectionChecks = 0;

  bool Connected(std::string& why) override {
    ++connectionChecks;
    why = reason;
    return connected;
  }
  int32_t FileSize(std::string_view url) override {
    const auto it = answers.find(std::string(url));
    return it == answers.end() ? -1 : int32_t(it->second.body.size());
  }
  std::string Download(const DownloadOrder& order, std::string& content) override {
    orders.push_back(order);
    content.clear();
    const auto it = answers.find(order.url);
    const Answer a = it == answers.end() ? Fails("", UrlFileName(order.url) + " --- Error downloading file") : it->second;
    if (a.cancelled) {
      if (order.cancel) *const_cast<bool*>(order.cancel) = true;
      Leave(order, a.body.substr(0, a.body.size() / 2));
      return "Download Aborted";
    }
    if (!a.error.empty()) {
      Leave(order, a.body.substr(0, a.body.size() / 2));
      return a.error;
    }
    if (order.target.empty()) {
      content = a.body;
    } else if (a.endsShort) {
      Leave(order, a.body.substr(0, a.body.size() / 2));
    } else {
      WriteFileData(order.target, a.body);
    }
    return {};
  }

 private:
  // What an unfinished download leaves: a resumable one its partial file and record, another its
  // temporary file beside the target.
  static void Leave(const DownloadOrder& order, const std::string& part) {
    if (order.target.empty()) return;
    if (!order.resumable) {
      WriteFileData(TempDownloadPath(order.target, 1000, 0), part);
      return;
    }
    const std::string partial = PartialDownloadPath(order.target, order.url);
    WriteFileData(partial, part);
    WriteFileData(ResumeRecordPath(partial), FormatResumeRecord({order.url, 1000, "\"v1\""}));
  }
};

}  // namespace fixture
