// Which process matches a path, and which of a process's windows is its main window.
#include "util/Process.h"

#include <gtest/gtest.h>

TEST(ProcessMatches, Table) {
  const char* full = "C:\\Program Files\\App\\App.exe";
  const char* shortFull = "C:\\PROGRA~1\\App\\App.exe";
  struct Case {
    const char* path;
    const char* shortPath;
    bool fullPathOnly;
    bool match;
  } cases[] = {
      {"C:\\Program Files\\App\\App.exe", "", true, true},
      {"  c:\\program files\\app\\APP.EXE ", "", true, true},                    // case and blanks ignored
      {"App.exe", "", false, true},                                              // the file name alone
      {"App.exe", "", true, false},                                              // ... but not with full-path-only
      {"C:\\Other\\App.exe", "", false, false},                                  // same name elsewhere
      {"C:\\PROGRA~1\\App\\App.exe", "C:\\PROGRA~1\\App\\App.exe", true, true},  // by short form
      {"C:\\Missing\\App.exe", "", false, false},                                // no short form: that test never holds
      {"", "", false, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProcessMatches(full, "App.exe", shortFull, c.path, c.shortPath, c.fullPathOnly), c.match)
        << "'" << c.path << "' " << c.fullPathOnly;
  // A process whose short path is unknown is not matched by an empty short form either.
  EXPECT_FALSE(ProcessMatches("C:\\A\\B.exe", "B.exe", "", "C:\\X\\B.exe", "", true));
}

namespace {
struct W {
  TAnalizer::Window window, topOwner;
  bool titled, visible;
};
TAnalizer::Window MainOf(std::initializer_list<W> windows, std::vector<uint16_t>* scores = nullptr) {
  TAnalizer a(42);
  for (const W& w : windows) a.Add(w.window, w.topOwner, w.titled, w.visible);
  if (scores) *scores = a.Scores();
  return a.MainWindow();
}
}  // namespace

TEST(TAnalizer, Scoring) {
  std::vector<uint16_t> scores;
  // A hidden untitled tool window and the visible titled main window.
  EXPECT_EQ(MainOf({{10, 0, false, false}, {20, 0, true, true}}, &scores), 20u);
  EXPECT_EQ(scores, (std::vector<uint16_t>{0, 3}));
  // A visible titled dialog owned by the main window, listed first (on top): the owner wins.
  EXPECT_EQ(MainOf({{30, 20, true, true}, {10, 0, false, false}, {20, 0, true, true}}, &scores), 20u);
  EXPECT_EQ(scores, (std::vector<uint16_t>{3, 0, 7}));
  // One owned window outweighs title and visibility together, even for a hidden untitled owner.
  EXPECT_EQ(MainOf({{10, 0, true, true}, {20, 0, false, false}, {30, 20, false, false}}, &scores), 20u);
  EXPECT_EQ(scores, (std::vector<uint16_t>{3, 4, 0}));
  // A chain: both owned windows count for the top owner only.
  EXPECT_EQ(MainOf({{1, 0, false, false}, {2, 1, true, true}, {3, 1, true, true}}, &scores), 1u);
  EXPECT_EQ(scores, (std::vector<uint16_t>{8, 3, 3}));
  // Ties go to the earliest collected; an owner outside the process gives nobody points.
  EXPECT_EQ(MainOf({{5, 0, true, false}, {6, 0, true, false}, {7, 99, false, false}}), 5u);
  // Every score 0: no main window.
  EXPECT_EQ(MainOf({{5, 0, false, false}, {6, 0, false, false}}), 0u);
  EXPECT_EQ(MainOf({}), 0u);
  // Only a title: still chosen.
  EXPECT_EQ(MainOf({{5, 0, false, false}, {6, 0, true, false}}), 6u);
}

TEST(TAnalizer, HoldsAtMost2001Windows) {
  TAnalizer a(1);
  for (TAnalizer::Window w = 1; w <= TAnalizer::kMaxWindows; ++w) ASSERT_TRUE(a.Add(w, 0, false, false));
  EXPECT_FALSE(a.Add(5000, 0, true, true));
  EXPECT_EQ(a.Count(), 2001u);
  EXPECT_EQ(a.MainWindow(), 0u);
}
