// The portable rules of process and window control: which process matches a path, and which of
// a process's windows is its main window.
#include "util/Process.h"

#include "util/Utils.h"

bool ProcessMatches(std::string_view processPath, std::string_view processName, std::string_view processShortPath,
                    std::string_view path, std::string_view shortPath, bool fullPathOnly) {
  if (SameTextTrim(processPath, path)) return true;
  if (!fullPathOnly && SameTextTrim(processName, path)) return true;
  return !Trim(shortPath).empty() && SameTextTrim(processShortPath, shortPath);
}

bool TAnalizer::Add(Window window, Window topOwner, bool titled, bool visible) {
  if (windows_.size() >= kMaxWindows) return false;
  windows_.push_back({window, topOwner, titled, visible});
  return true;
}

std::vector<uint16_t> TAnalizer::Scores() const {
  std::vector<uint16_t> scores(windows_.size(), 0);
  for (const Entry& owned : windows_) {
    if (owned.topOwner == 0) continue;
    for (size_t i = 0; i < windows_.size(); ++i)
      if (windows_[i].window == owned.topOwner) ++scores[i];
  }
  for (size_t i = 0; i < windows_.size(); ++i)
    scores[i] = uint16_t(scores[i] * 4 + (windows_[i].titled ? 2 : 0) + (windows_[i].visible ? 1 : 0));
  return scores;
}

TAnalizer::Window TAnalizer::MainWindow() const {
  const std::vector<uint16_t> scores = Scores();
  Window best = 0;
  uint16_t bestScore = 0;
  for (size_t i = 0; i < scores.size(); ++i) {
    if (scores[i] > bestScore) {
      bestScore = scores[i];
      best = windows_[i].window;
    }
  }
  return best;
}
