// File operations: the pure rules from tables, and the host implementation on a scratch folder.
#include "util/Files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
class ScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vkfiles.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
  }
  std::string Path(const std::string& rel) const { return root + "/" + rel; }
  void Put(const std::string& rel, const std::string& data) {
    fs::create_directories(fs::path(Path(rel)).parent_path());
    ASSERT_TRUE(WriteFileData(Path(rel), data));
  }
  // Everything left in the folder, for checks that no temporary file stayed behind.
  std::vector<std::string> Entries(const std::string& rel = "") const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(rel.empty() ? root : Path(rel))) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string root;
};
}  // namespace

TEST(WriteChunkSize, PiecesForLargeData) {
  struct Case {
    int64_t len, chunk;
  } cases[] = {
      {0, 0},
      {300, 300},
      {1048576, 1048576},           // exactly the threshold: one write
      {1048577, 104857},            // just above: a tenth
      {5 * 1048576, 524288},        // 5 MB
      {20 * 1048576, 1048576},      // 20 MB: capped at 1 MB
      {int64_t(3) << 30, 1048576},  // 3 GB
  };
  for (const Case& c : cases) EXPECT_EQ(WriteChunkSize(c.len), c.chunk) << c.len;
}

TEST(DosTime, PackAndUnpack) {
  const DateTime dt{2026, 12, 6, 14, 5, 8, 0};
  EXPECT_EQ(DateTimeToDos(dt), 0x5D8670A4u);
  DateTime back = DosToDateTime(0x5D8670A4u);
  EXPECT_EQ((std::vector<int>{back.year, back.month, back.day, back.hour, back.minute, back.second}),
            (std::vector<int>{2026, 12, 6, 14, 5, 8}));
  // Two-second resolution; no stamp before 1980; 0 unpacks to nothing.
  EXPECT_EQ(DateTimeToDos({2026, 12, 6, 14, 5, 9, 0}), 0x5D8670A4u);
  EXPECT_EQ(DateTimeToDos({1979, 12, 31, 23, 59, 58, 0}), 0u);
  EXPECT_EQ(DosToDateTime(0).year, 0);
}

// The stamps the system can set on a file: real dates and times only, leap years included.
TEST(DosTime, ValidOnlyForARealDateAndTime) {
  struct Case {
    DateTime when;
    bool valid;
  } cases[] = {
      {{2026, 12, 6, 14, 5, 8}, true},   {{1980, 1, 1, 0, 0, 0}, true},     {{2107, 12, 31, 23, 59, 58}, true},
      {{2020, 2, 29, 12, 0, 0}, true},   {{2000, 2, 29, 12, 0, 0}, true},   {{2100, 2, 29, 12, 0, 0}, false},
      {{2021, 2, 29, 12, 0, 0}, false},  {{2020, 4, 31, 12, 0, 0}, false},  {{2020, 0, 10, 12, 0, 0}, false},
      {{2020, 13, 10, 12, 0, 0}, false}, {{2020, 5, 0, 12, 0, 0}, false},   {{2020, 5, 10, 24, 0, 0}, false},
      {{2020, 5, 10, 12, 60, 0}, false}, {{2020, 5, 10, 12, 0, 60}, false},
  };
  for (const Case& c : cases) {
    const DateTime& w = c.when;
    EXPECT_EQ(IsValidDosTime(DateTimeToDos(w)), c.valid)
        << w.year << "-" << w.month << "-" << w.day << " " << w.hour << ":" << w.minute << ":" << w.second;
  }
  EXPECT_FALSE(IsValidDosTime(0));
}

TEST(FileNameStem, Table) {
  struct Case {
    const char* path;
    bool all;
    const char* stem;
  } cases[] = {
      {"a.tar.gz", false, "a.tar"},
      {"a.tar.gz", true, "a"},
      {"C:\\App\\X_App.exe", false, "X_App"},
      {"C:\\My.Dir\\Tool", false, "Tool"},
      {"C:\\My.Dir\\Tool", true, "Tool"},
      {"/x/y.z/n.e", true, "n"},
      {"", false, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FileNameStem(c.path, c.all), c.stem) << c.path << " " << c.all;
}

TEST(SelfDeleteScript, LinesWithAndWithoutFolder) {
  const char* exe = "C:\\App\\X_App.exe";
  const char* bat = "C:\\Temp\\_DEL_ME_.BAT";
  EXPECT_EQ(SelfDeleteScript(exe, "C:\\App", bat, true, true),
            ":START\r\n"
            "DEL \"C:\\App\\X_App.exe\"\r\n"
            "IF exist \"C:\\App\\X_App.exe\" GOTO START\r\n"
            "RD \"C:\\App\"\r\n"
            "DEL \"C:\\Temp\\_DEL_ME_.BAT\"\r\n");
  EXPECT_EQ(SelfDeleteScript(exe, "C:\\App", bat, false, true),
            ":START\r\n"
            "DEL \"C:\\App\\X_App.exe\"\r\n"
            "IF exist \"C:\\App\\X_App.exe\" GOTO START\r\n"
            "DEL \"C:\\Temp\\_DEL_ME_.BAT\"\r\n");
  // Short (8.3) names carry no blanks and go unquoted.
  EXPECT_EQ(SelfDeleteScript("C:\\PROGRA~1\\X_APP.EXE", "C:\\PROGRA~1", "C:\\TEMP\\_DEL_ME_.BAT", true, false),
            ":START\r\nDEL C:\\PROGRA~1\\X_APP.EXE\r\nIF exist C:\\PROGRA~1\\X_APP.EXE GOTO START\r\n"
            "RD C:\\PROGRA~1\r\nDEL C:\\TEMP\\_DEL_ME_.BAT\r\n");
}

using ReadFileRangeTest = ScratchDir;
TEST_F(ReadFileRangeTest, Boundaries) {
  std::string data;
  for (int i = 0; i < 300; ++i) data += char(i);
  Put("f.bin", data);
  struct Case {
    int64_t maxLen, start;
    std::string expected;
  } cases[] = {
      {0, 0, data}, {1000, 0, data}, {0, 300, ""}, {0, 299, data.substr(299)}, {50, 100, data.substr(100, 50)},
      {0, -1, ""},  {0, 5000, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReadFileRange(Path("f.bin"), c.maxLen, c.start), c.expected) << c.maxLen << "/" << c.start;
  EXPECT_EQ(ReadFileRange(Path("missing.bin")), "");
  EXPECT_EQ(ReadFileRange(root), "");
}

using WriteFileDataTest = ScratchDir;
TEST_F(WriteFileDataTest, CreateReplaceAppendAndStamp) {
  const std::string f = Path("out.dat");
  ASSERT_TRUE(WriteFileData(f, std::string("a\0b", 3)));
  EXPECT_EQ(ReadFileRange(f), std::string("a\0b", 3));
  ASSERT_TRUE(WriteFileData(f, "xy"));
  EXPECT_EQ(ReadFileRange(f), "xy");
  ASSERT_TRUE(WriteFileData(f, "z", 0, true));
  ASSERT_TRUE(AppendText(f, "\r\n"));
  EXPECT_EQ(ReadFileRange(f), "xyz\r\n");
  ASSERT_TRUE(WriteFileData(f, "stamped", 0x5D8670A4u));
  EXPECT_EQ(GetFileDosTime(f), 0x5D8670A4u);
  EXPECT_EQ(GetFileSizeByName(f), 7);
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.dat"});
}

TEST_F(WriteFileDataTest, PathThatCannotBeCreatedLeavesNothing) {
  EXPECT_FALSE(WriteFileData(Path("no/such/folder/f.txt"), "data"));
  EXPECT_FALSE(WriteFileData(Path("no/such/folder/f.txt"), "data", 0, true));
  ASSERT_TRUE(ForceDirectories(Path("dir")));
  EXPECT_FALSE(WriteFileData(Path("dir"), "data"));
  EXPECT_TRUE(DirectoryExists(Path("dir")));
  EXPECT_EQ(Entries(), std::vector<std::string>{"dir"});
  EXPECT_TRUE(Entries("dir").empty());
}

// A write that fails half-way (here: the file-size limit) keeps the good file it was to replace,
// and an append that fails is cut back to the old end.
TEST_F(WriteFileDataTest, FailedWriteKeepsTheOldContent) {
  const std::string f = Path("good.dat");
  Put("good.dat", "good");
  rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 1 << 20;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string big(3 << 20, 'x');
  bool replaced = WriteFileData(f, big);
  bool appended = WriteFileData(f, big, 0, true);
  bool created = WriteFileData(Path("new.dat"), big, 0, true);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(replaced);
  EXPECT_FALSE(appended);
  EXPECT_FALSE(created);
  EXPECT_EQ(ReadFileRange(f), "good");
  EXPECT_EQ(Entries(), std::vector<std::string>{"good.dat"});
}

using FolderTreeTest = ScratchDir;
TEST_F(FolderTreeTest, RemoveMissingOrEmptyNameFails) {
  EXPECT_FALSE(RemoveFolderTree(Path("missing"), true));
  EXPECT_FALSE(RemoveFolderTree("", true));
}

TEST_F(FolderTreeTest, RemovesNestedTree) {
  Put("t/a.txt", "1");
  Put("t/sub/b.txt", "2");
  Put("t/sub/deeper/c", "3");
  ASSERT_TRUE(ForceDirectories(Path("t/empty")));
  EXPECT_TRUE(RemoveFolderTree(Path("t"), false));
  EXPECT_FALSE(DirectoryExists(Path("t")));
}

TEST_F(FolderTreeTest, ReadOnlyFileGoesOnlyWithClearAttributes) {
  Put("t/sub/ro.txt", "1");
  chmod(Path("t/sub/ro.txt").c_str(), 0444);
  EXPECT_FALSE(RemoveFolderTree(Path("t"), false));
  EXPECT_TRUE(FileExists(Path("t/sub/ro.txt")));
  EXPECT_TRUE(RemoveFolderTree(Path("t"), true));
  EXPECT_FALSE(DirectoryExists(Path("t")));
}

// A link inside the tree is removed as an entry; what it points to stays.
TEST_F(FolderTreeTest, LinkedFolderOutsideSurvives) {
  Put("keep/k.txt", "k");
  ASSERT_TRUE(ForceDirectories(Path("t")));
  fs::create_directory_symlink(Path("keep"), Path("t/link"));
  EXPECT_TRUE(RemoveFolderTree(Path("t"), true));
  EXPECT_TRUE(FileExists(Path("keep/k.txt")));
}

TEST_F(FolderTreeTest, DeleteByMaskTakesFilesOnly) {
  Put("m/a.txt", "1");
  Put("m/B.TXT", "2");
  Put("m/c.log", "3");
  ASSERT_TRUE(ForceDirectories(Path("m/d.txt")));
  EXPECT_TRUE(DeleteFilesByMask(Path("m") + "\\*.txt", false));
  EXPECT_EQ(Entries("m"), (std::vector<std::string>{"c.log", "d.txt"}));
  EXPECT_FALSE(DeleteFilesByMask(Path("m/*.zip"), false));
  EXPECT_TRUE(DeleteFilesByMask(Path("m/*.*"), false));
  EXPECT_EQ(Entries("m"), std::vector<std::string>{"d.txt"});
}

TEST_F(FolderTreeTest, FindInTree) {
  Put("s/one/two/target.ini", "x");
  Put("s/other/file", "x");
  EXPECT_EQ(FindFileInTree(Path("s"), "target.ini"), Path("s") + "/one/two/target.ini");
  EXPECT_EQ(FindFileInTree(Path("s"), "none.ini"), "");
  EXPECT_EQ(FindFolderInTree(Path("s"), "TWO"), Path("s") + "/one/two");
  EXPECT_EQ(FindFolderInTree(Path("s"), "one\\two"), Path("s") + "/one/two");
  EXPECT_EQ(FindFolderInTree(Path("s"), "three"), "");
}

TEST_F(FolderTreeTest, SizesAndFreeSpace) {
  Put("s.bin", std::string(1234, 'x'));
  EXPECT_EQ(GetFileSizeByName(Path("s.bin")), 1234);
  EXPECT_EQ(GetFileSizeByName(Path("none")), 0);
  EXPECT_GT(DiskFreeBytes(Path("not/yet/made")), 0.0);
  EXPECT_TRUE(CopyFileTo(Path("s.bin"), Path("c.bin"), false));
  EXPECT_FALSE(CopyFileTo(Path("s.bin"), Path("c.bin"), false));
  EXPECT_EQ(GetFileSizeByName(Path("c.bin")), 1234);
  EXPECT_TRUE(DeleteFileByName(Path("c.bin")));
  EXPECT_FALSE(DeleteFileByName(Path("c.bin")));
}
