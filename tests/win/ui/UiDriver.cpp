// The UI tests' probe and window-driver helpers (see UiDriver.h).
#include "UiDriver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace uitest {
using namespace wine;

Result Driver(const std::vector<std::string>& args) {
  std::vector<std::string> all{TestkitExe("windriver").string()};
  all.insert(all.end(), args.begin(), args.end());
  return RunWine(all, 30000);
}

namespace {
// The value of a "key=" field of a listing line; quoted values keep their escapes undone.
std::string ListField(const std::string& line, const std::string& key) {
  const size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return {};
  size_t i = at + key.size() + 2;
  if (i >= line.size() || line[i] != '"') return line.substr(i, line.find(' ', i) - i);
  std::string value;
  for (++i; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      const char c = line[++i];
      value += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
    } else {
      value += line[i];
    }
  }
  return value;
}
}  // namespace

std::vector<int> Numbers(const std::string& commaList) {
  std::vector<int> out;
  std::stringstream in(commaList);
  for (std::string item; std::getline(in, item, ',');) {
    if (!item.empty()) out.push_back(std::stoi(item));
  }
  return out;
}

std::vector<WinInfo> ListWindow(const std::string& cls) {
  const Result r = Driver({"list", "--class", cls});
  std::vector<WinInfo> list;
  if (r.exitCode != 0) return list;
  std::stringstream in(r.output);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.starts_with("window ") && !line.starts_with("child ")) continue;
    WinInfo w;
    w.cls = ListField(line, "class");
    w.text = ListField(line, "text");
    const std::vector<int> rect = Numbers(ListField(line, "rect"));
    if (rect.size() == 4) w.x = rect[0], w.y = rect[1], w.w = rect[2], w.h = rect[3];
    const std::vector<int> client = Numbers(ListField(line, "client"));
    if (client.size() == 2) w.clientW = client[0], w.clientH = client[1];
    const std::string pos = ListField(line, "pos");
    if (!pos.empty()) w.pos = std::stoi(pos);
    const std::vector<int> range = Numbers(ListField(line, "range"));
    if (range.size() == 2) w.lo = range[0], w.hi = range[1];
    w.visible = ListField(line, "visible") == "1";
    w.style = std::stoul(ListField(line, "style"), nullptr, 16);
    w.exStyle = std::stoul(ListField(line, "exstyle"), nullptr, 16);
    list.push_back(w);
  }
  return list;
}

const WinInfo* Child(const std::vector<WinInfo>& list, const std::string& cls, const std::string& text) {
  for (size_t i = 1; i < list.size(); ++i) {
    if (list[i].cls == cls && (text.empty() || list[i].text == text)) return &list[i];
  }
  return nullptr;
}

Probe::Probe(const std::vector<std::string>& args, const std::string& program) {
  std::vector<std::string> all{TestkitExe(program).string()};
  all.insert(all.end(), args.begin(), args.end());
  process_ = wine::Process(all);
}

std::string Probe::Ready() {
  std::string line;
  WaitFor(
      [&] {
        const std::string out = process_.Output();
        const size_t at = out.find("ready");
        const size_t end = at == std::string::npos ? at : out.find('\n', at);
        if (end == std::string::npos) return !process_.Running();
        line = out.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
      },
      30000);
  return line;
}

int Probe::Result() {
  process_.Wait(30000);
  const std::string out = process_.Output();
  const size_t at = out.find("result=");
  return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + 7);
}

std::string Field(const std::string& line, const std::string& key) {
  const size_t at = line.find(key + "=");
  if (at == std::string::npos) return {};
  const size_t from = at + key.size() + 1;
  if (key == "text") return line.substr(from);
  return line.substr(from, line.find(' ', from) - from);
}

}  // namespace uitest
