// The folders of src/ are layers: a folder includes only folders below it, so that no two folders
// depend on each other and every lower layer builds and tests without the ones above. A unit that
// decides, parses or lays out bytes includes no <windows.h>: Win32 lives in win32/ subfolders.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
// Top first. setup and agent both stand under stub (agent may use setup); pack, net, env and ui
// under setup; each may include those after it.
const std::vector<std::string> kLayers = {"stub", "agent", "setup", "pack", "net", "env", "ui", "util", "platform"};

int Rank(const std::string& folder) {
  auto at = std::find(kLayers.begin(), kLayers.end(), folder);
  return at == kLayers.end() ? -1 : int(kLayers.size() - (at - kLayers.begin()));
}

struct Include {
  std::string file;    // relative to src/
  std::string folder;  // the file's layer
  std::string target;  // the included header, as written
};

// Every quoted include of every source under src/, with the layer of the including file.
std::vector<Include> QuotedIncludes(const fs::path& src) {
  std::vector<Include> found;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
    const std::string rel = fs::relative(entry.path(), src).generic_string();
    const std::string folder = rel.substr(0, rel.find('/'));
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("#include", 0) != 0) continue;
      const size_t open = line.find_first_of("\"<");
      const size_t close = line.find_first_of("\">", open + 1);
      if (open == std::string::npos || close == std::string::npos) continue;
      found.push_back({rel, folder, line.substr(open, close - open + 1)});
    }
  }
  return found;
}

// "folder -> folder" for every include that reaches a layer above its own.
std::set<std::string> UpwardEdges(const std::vector<Include>& includes, std::vector<std::string>* where) {
  std::set<std::string> edges;
  for (const Include& inc : includes) {
    if (inc.target.front() != '"') continue;
    const std::string inner = inc.target.substr(1, inc.target.size() - 2);
    const size_t slash = inner.find('/');
    if (slash == std::string::npos) continue;
    const std::string to = inner.substr(0, slash);
    if (Rank(to) < 0 || Rank(to) <= Rank(inc.folder)) continue;
    edges.insert(inc.folder + " -> " + to);
    where->push_back(inc.file + ": " + inc.target);
  }
  return edges;
}

const fs::path kSrc = fs::path(VELKIT_SOURCE_DIR) / "src";

TEST(Layers, EveryFolderIsALayer) {
  for (const auto& entry : fs::directory_iterator(kSrc)) {
    if (!entry.is_directory()) continue;
    EXPECT_GE(Rank(entry.path().filename().string()), 0) << entry.path();
  }
}

TEST(Layers, NoFolderIncludesAHigherOne) {
  std::vector<std::string> where;
  const std::set<std::string> edges = UpwardEdges(QuotedIncludes(kSrc), &where);
  std::string list;
  for (const std::string& w : where) list += "  " + w + "\n";
  EXPECT_TRUE(edges.empty()) << "upward includes:\n" << list;
}

TEST(Layers, WindowsHeadersOnlyInWin32Folders) {
  for (const Include& inc : QuotedIncludes(kSrc)) {
    const bool win32 = inc.file.find("/win32/") != std::string::npos;
    if (inc.target != "<windows.h>" && inc.target.find("/win32/") == std::string::npos) continue;
    EXPECT_TRUE(win32) << inc.file << " includes " << inc.target;
  }
}

// The check itself: an upward include is found, a downward or sideways one is not.
TEST(Layers, CheckFindsAnUpwardInclude) {
  std::vector<std::string> where;
  const std::vector<Include> sample = {
      {"ui/A.cpp", "ui", "\"stub/Stub.h\""},      // up
      {"stub/B.cpp", "stub", "\"ui/C.h\""},       // down
      {"pack/D.cpp", "pack", "\"pack/E.h\""},     // same folder
      {"util/F.cpp", "util", "<vector>"},         // system header
      {"setup/G.cpp", "setup", "\"agent/H.h\""},  // up: the agent stands above the setup run
  };
  EXPECT_EQ(UpwardEdges(sample, &where), (std::set<std::string>{"setup -> agent", "ui -> stub"}));
  EXPECT_EQ(where.size(), 2u);
}
}  // namespace
