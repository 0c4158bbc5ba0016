// The utility layer's Win32 side, run for real under Wine through vkprobe: INI files, registry
// values, folder trees, self-deletion, the debug channel and the start-up preload.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <regex>

#include "../setup/SetupKit.h"
#include "WineHarness.h"

using namespace wine;

namespace {
fs::path Probe() { return TestkitExe("vkprobe"); }

// Runs vkprobe with the arguments; its printed result without the line end.
Result RunProbe(const std::vector<std::string>& args, int timeoutMs = 60000) {
  std::vector<std::string> all{Probe().string()};
  all.insert(all.end(), args.begin(), args.end());
  Result r = RunWine(all, timeoutMs);
  while (!r.output.empty() && (r.output.back() == '\n' || r.output.back() == '\r')) r.output.pop_back();
  return r;
}
std::string Probe(const std::vector<std::string>& args) { return RunProbe(args).output; }
}  // namespace

TEST(WinIni, ReadAndWriteThroughThePlatform) {
  TempDir dir;
  WriteFile(dir / "App.original",
            "[General]\r\nVersion = 1.2.3\r\nEmpty=\r\nCount=42\r\nJunk=12abc\r\n[Other]\r\nCount=9\r\n");
  const std::string ini = WinPath(dir / "App.original");
  struct Case {
    const char *section, *key, *def, *expected;
  } cases[] = {
      {"General", "Version", "d", "1.2.3"}, {"GENERAL", "version", "d", "1.2.3"}, {"General", "Empty", "d", "d"},
      {"General", "Missing", "d", "d"},     {"Other", "Count", "d", "9"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Probe({"ini-read", ini, c.section, c.key, c.def}), c.expected) << c.section << "/" << c.key;
  EXPECT_EQ(Probe({"ini-read-int", ini, "General", "Count", "5"}), "42");
  EXPECT_EQ(Probe({"ini-read-int", ini, "General", "Junk", "5"}), "5");

  EXPECT_EQ(RunProbe({"ini-write", ini, "Other", "LastCheck", "46000"}).exitCode, 0);
  EXPECT_EQ(Probe({"ini-read-int", ini, "Other", "LastCheck", "0"}), "46000");
  EXPECT_NE(ReadFile(dir / "App.original").find("LastCheck=46000"), std::string::npos);
  // An empty section reads the default without opening the file.
  EXPECT_EQ(Probe({"ini-read", WinPath(dir / "none.ini"), "", "Version", "d"}), "d");
}

TEST(WinRegistry, ValuesAddedByRegReadBack) {
  const std::string key = "HKCU\\Software\\VelkitTest\\Probe";
  ASSERT_TRUE(RegAdd(key, "Multi", "REG_MULTI_SZ", "a\\0b"));
  ASSERT_TRUE(RegAdd(key, "Big", "REG_DWORD", "0xFFFFFFFF"));
  ASSERT_TRUE(RegAdd(key, "Text", "REG_SZ", "hello world"));
  struct Case {
    const char *path, *name, *expected;
  } cases[] = {
      {"HKCU\\Software\\VelkitTest\\Probe", "Multi", "a<0>b"},
      {"hkey_current_user\\Software\\VelkitTest\\Probe", "Big", "4294967295"},
      {"Software\\VelkitTest\\Probe", "Text", "hello world"},  // no root: the current user's
      {"HKCU\\Software\\VelkitTest\\Probe", "Missing", "dflt"},
      {"HKCU\\Software\\VelkitTest\\NoSuchKey", "Text", "dflt"},
      {"HKLM\\Software\\VelkitTest\\Probe", "Text", "dflt"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Probe({"reg-read", c.path, c.name, "dflt"}), c.expected) << c.path << " " << c.name;
  RegDelete("HKCU\\Software\\VelkitTest");
}

TEST(WinFiles, ReadOnlyFileGoesOnlyWithClearAttributes) {
  TempDir dir;
  WriteFile(dir / "tree" / "a.txt", "a");
  WriteFile(dir / "tree" / "sub" / "ro.txt", "r");
  WriteFile(dir / "tree" / "sub" / "deeper" / "b.txt", "b");
  // Wine shows a file without write permission as FILE_ATTRIBUTE_READONLY.
  ASSERT_EQ(chmod((dir / "tree" / "sub" / "ro.txt").c_str(), 0444), 0);
  const std::string tree = WinPath(dir / "tree");
  Result kept = RunProbe({"rmtree", tree, "0"});
  EXPECT_EQ(kept.output, "FALSE");
  EXPECT_TRUE(fs::exists(dir / "tree" / "sub" / "ro.txt"));
  EXPECT_FALSE(fs::exists(dir / "tree" / "a.txt"));
  EXPECT_EQ(Probe({"rmtree", tree, "1"}), "TRUE");
  EXPECT_FALSE(fs::exists(dir / "tree"));
  EXPECT_EQ(Probe({"rmtree", tree, "1"}), "FALSE") << "a missing folder";
}

TEST(WinFiles, WriteReadAndStamp) {
  TempDir dir;
  const std::string f = WinPath(dir / "out.txt");
  EXPECT_EQ(Probe({"write", f, "0123456789", "1569288356"}), "TRUE");  // 0x5D8670A4: 2026-12-06 14:05:08
  EXPECT_EQ(Probe({"dostime", f}), "1569288356");
  EXPECT_EQ(Probe({"append", f, "AB"}), "TRUE");
  EXPECT_EQ(Probe({"size", f}), "12");
  struct Case {
    const char *maxLen, *start, *expected;
  } cases[] = {
      {"0", "0", "0123456789AB"}, {"1000", "0", "0123456789AB"}, {"3", "4", "456"}, {"0", "11", "B"}, {"0", "12", ""}};
  for (const Case& c : cases)
    EXPECT_EQ(Probe({"read", f, c.maxLen, c.start}), c.expected) << c.maxLen << "/" << c.start;
  // A path that cannot be created: false, and nothing is left behind.
  EXPECT_EQ(Probe({"write", WinPath(dir / "missing" / "x.txt"), "data", "0"}), "FALSE");
  EXPECT_EQ(Probe({"write", WinPath(dir.path()), "data", "0"}), "FALSE");
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir.path())) left.push_back(e.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"out.txt"});
}

// A stamp that is no valid date-time (the system refuses to set it) fails nothing: the data are
// written and the file keeps the time of writing.
TEST(WinFiles, StampThatIsNoDateTimeFailsNothing) {
  TempDir dir;
  struct Case {
    const char* name;
    uint32_t dos;
  } cases[] = {{"month 13", uint32_t((2026 - 1980) * 512 + 13 * 32 + 6) << 16},
               {"hour 24", uint32_t((2026 - 1980) * 512 + 12 * 32 + 6) << 16 | 24 * 2048}};
  for (const Case& c : cases) {
    const fs::path f = dir / "out.txt";
    fs::remove(f);
    const auto before = fs::file_time_type::clock::now() - std::chrono::seconds(2);
    EXPECT_EQ(Probe({"write", WinPath(f), "written", std::to_string(c.dos)}), "TRUE") << c.name;
    EXPECT_EQ(ReadFile(f), "written") << c.name;
    if (fs::exists(f)) {
      EXPECT_GE(fs::last_write_time(f), before) << c.name;
    }
  }
}

namespace {
std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// vkprobe write-pieces in the background: pieces of 'a', 'b', ..., held after the first.
Process WritePieces(const std::string& mode, const fs::path& file, const std::string& sizes, const fs::path& hold) {
  return Process({Probe().string(), "write-pieces", mode, WinPath(file), std::to_string(setupkit::kSampleDosTime),
                  sizes, hold.empty() ? "-" : WinPath(hold)});
}
}  // namespace

// The write path of the extraction and of every whole-file write. A new file is written in its
// place, and is there whole with its stamp at the end; a file that is there already is replaced
// only once the new one is complete (until then it stays as it was); an append extends the file in
// place. Checked half-way, with the writer held after its first piece, and at the end.
TEST(WinFiles, OutputFileWritesNewFilesInPlaceAndReplacesOnlyWhenComplete) {
  struct Case {
    const char* mode;
    const char* old;  // the file's content before, or nullptr for none
    const char* halfWay;
    const char* created;
  } cases[] = {
      {"replace", nullptr, "aaa", "TRUE"},
      {"replace", "old", "old", "FALSE"},
      {"append", nullptr, "aaa", "TRUE"},
      {"append", "old", "oldaaa", "FALSE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + (c.old ? " over a file" : " of a new file"));
    TempDir dir, holdDir;
    const fs::path file = dir / "target.bin", hold = holdDir / "hold";
    if (c.old) WriteFile(file, c.old);
    Process probe = WritePieces(c.mode, file, "3,4", hold);
    ASSERT_TRUE(WaitFor([&] { return fs::exists(hold.string() + ".ready"); }, 30000)) << probe.Output();
    EXPECT_EQ(ReadFile(file), c.halfWay);
    // A replacement is written beside the file; everything else in place.
    EXPECT_EQ(Names(dir.path()).size(), std::string(c.mode) == "replace" && c.old ? 2u : 1u);
    WriteFile(hold, "");
    EXPECT_EQ(probe.Wait(30000), 0);
    EXPECT_EQ(std::regex_replace(probe.Output(), std::regex("\r"), ""),
              std::string("created=") + c.created + "\nTRUE\n");
    const std::string expected = std::string(std::string(c.mode) == "append" && c.old ? c.old : "") + "aaabbbb";
    EXPECT_EQ(ReadFile(file), expected);
    auto stamp = std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(fs::last_write_time(file)));
    EXPECT_EQ(stamp, setupkit::SampleHostTime());
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"target.bin"});
  }
}

// A write that fails half-way (the file-size limit stands in for a full disk) leaves no half file:
// a new one is gone, a file that was to be replaced or extended is as it was.
TEST(WinFiles, OutputFileThatCannotBeWrittenWholeLeavesNothingBehind) {
  for (const char* mode : {"replace", "append"}) {
    for (const char* old : {static_cast<const char*>(nullptr), "old"}) {
      SCOPED_TRACE(std::string(mode) + (old ? " over a file" : " of a new file"));
      TempDir dir;
      const fs::path file = dir / "target.bin";
      if (old) WriteFile(file, old);
      Process probe;
      {
        FileSizeLimit limit(100000);
        probe = WritePieces(mode, file, "60000,60000", {});
      }
      EXPECT_EQ(probe.Wait(30000), 1) << probe.Output();
      EXPECT_NE(probe.Output().find("FALSE"), std::string::npos) << probe.Output();
      if (old) {
        EXPECT_EQ(ReadFile(file), old);
        EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"target.bin"});
      } else {
        EXPECT_TRUE(Names(dir.path()).empty());
      }
    }
  }
}

TEST(WinFiles, SearchesAndFreeSpace) {
  TempDir dir;
  WriteFile(dir / "s" / "one" / "two" / "target.ini", "x");
  const std::string s = WinPath(dir / "s");
  EXPECT_EQ(Probe({"find-file", s, "target.ini"}), s + "\\one\\two\\target.ini");
  EXPECT_EQ(Probe({"find-folder", s, "TWO"}), s + "\\one\\two");
  EXPECT_EQ(Probe({"find-file", s, "none.ini"}), "");
  EXPECT_GT(std::stoll(Probe({"disk-free", "C:\\windows\\system32"})), 0);
  EXPECT_GT(std::stoll(Probe({"disk-free", "C:\\no\\such\\folder"})), 0) << "falls back to the drive root";
  EXPECT_EQ(Probe({"disk-free", "Q:\\none"}), "0");
  // Over the drives: the prefix's C: is a fixed disk (type 3) and has no CD-ROM (type 5) twin.
  const fs::path unique = HostTempDir() / "vkfind" / "deep" / "vk_unique_probe.txt";
  WriteFile(unique, "x");
  EXPECT_EQ(Probe({"find-file-drives", "vk_unique_probe.txt", "3"}),
            WinTempDir() + "\\vkfind\\deep\\vk_unique_probe.txt");
  EXPECT_EQ(Probe({"find-folder-drives", "vkfind\\DEEP", "3"}), WinTempDir() + "\\vkfind\\deep");
  EXPECT_EQ(Probe({"find-folder-drives", "C:\\windows", "3"}), "C:\\windows");
  EXPECT_EQ(Probe({"find-folder-drives", "C:\\windows", "5"}), "");
  fs::remove_all(HostTempDir() / "vkfind");
  // A hard disk is never ejected (the prefix has no CD drive to show a real eject on).
  EXPECT_EQ(Probe({"eject", "C:\\windows"}), "FALSE");
}

TEST(WinFiles, DeleteMySelfRemovesTheEndedProgramAndItsFolder) {
  TempDir dir;
  struct Case {
    const char* folder;
    const char* removeFolder;
    const char* shortNames;
    bool folderGoes;
  } cases[] = {
      {"My App", "1", "0", true},
      {"KeepMe", "0", "0", false},
      {"Short Names", "1", "1", true},
  };
  for (const Case& c : cases) {
    const fs::path app = dir / c.folder;
    fs::create_directories(app);
    fs::copy_file(Probe(), app / "X_App.exe");
    Result r = RunWine({(app / "X_App.exe").string(), "self-delete-demo", c.removeFolder, c.shortNames});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(app / "X_App.exe"); }, 30000)) << c.folder;
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(HostTempDir() / "_DEL_ME_.BAT"); }, 30000)) << c.folder;
    EXPECT_EQ(fs::exists(app), !c.folderGoes) << c.folder;
  }
}

TEST(WinDebug, LongLineArrivesInBufferSizedChunks) {
  DebugCapture debug;
  Result r = RunProbe({"debug-line", "300"});
  debug.Stop();
  EXPECT_EQ(r.exitCode, 0);
  std::vector<std::string> chunks = debug.Chunks();
  ASSERT_EQ(chunks.size(), 3u) << debug.Text();
  EXPECT_EQ(chunks[0].size(), 128u);
  EXPECT_EQ(chunks[1].size(), 128u);
  EXPECT_EQ(chunks[2].size(), 46u);
  EXPECT_EQ(chunks[2].substr(44), "\r\n");
  EXPECT_EQ(chunks[0].substr(0, 3), "abc");
}

// The debug channel's lock is the critical section the system initialised, not a copy of it.
TEST(WinDebug, ChannelLockIsTheInitialisedSection) { EXPECT_EQ(Probe({"debug-section"}), "TRUE"); }

TEST(WinSystem, PreloadAndIdentity) {
  Result pre = RunProbe({"preloaded"});
  EXPECT_EQ(pre.exitCode, 0) << pre.output;
  EXPECT_NE(pre.output.find("RICHED32.DLL=TRUE"), std::string::npos) << pre.output;
  EXPECT_NE(pre.output.find("USP10.dll=TRUE"), std::string::npos) << pre.output;

  std::string info = Probe({"sysinfo"});
  EXPECT_NE(info.find("IsWinNT=TRUE"), std::string::npos) << info;
  EXPECT_NE(info.find("WindowsVersionKey=HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"),
            std::string::npos);
  EXPECT_NE(info.find("WinDir=C:\\windows\r\n"), std::string::npos) << info;
  EXPECT_NE(info.find("TempDir=" + WinTempDir() + "\\\r\n"), std::string::npos) << info;
  EXPECT_NE(info.find("ExeName=vkprobe\r\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Developer=FALSE"), std::string::npos) << info;
  EXPECT_EQ(Probe({"last-error", "2"}).empty(), false);

  // The developer flag takes exactly "507".
  for (const char* value : {"507", "5070", " 507"}) {
    setenv("DVX", value, 1);
    std::string flagged = Probe({"sysinfo"});
    EXPECT_NE(flagged.find(std::string("Developer=") + (value == std::string("507") ? "TRUE" : "FALSE")),
              std::string::npos)
        << value;
  }
  unsetenv("DVX");
}

TEST(WinDebug, LogFileBesideTheProgram) {
  TempDir dir;
  for (const char* name : {"App.exe", "X_App.exe", "x_Tool.exe", "Quiet.exe"}) fs::copy_file(Probe(), dir / name);
  auto run = [&](const char* exe, const char* enabled, const char* marker, const char* text) {
    Result r = RunWine({(dir / exe).string(), "log", enabled, marker, text});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return r.output;
  };
  EXPECT_EQ(run("App.exe", "1", "   ", "plain agent"), dir.Win() + "\\X_App.log\r\n");
  run("X_App.exe", "1", " X ", "its copy");
  run("x_Tool.exe", "1", "   ", "");
  run("Quiet.exe", "0", "   ", "never written");

  // Both agents append to one file; the marker tells their lines apart.
  const std::string log = ReadFile(dir / "X_App.log");
  const std::regex line(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d [ \d]{4}\d+(   plain agent| X its copy)\r\n)");
  std::smatch m;
  std::string rest = log;
  std::vector<std::string> messages;
  while (std::regex_search(rest, m, line, std::regex_constants::match_continuous)) {
    messages.push_back(m[1]);
    rest = m.suffix();
  }
  EXPECT_EQ(messages, (std::vector<std::string>{"   plain agent", " X its copy"})) << log;
  EXPECT_EQ(rest, "") << log;
  EXPECT_TRUE(fs::exists(dir / "X_x_Tool.log"));
  EXPECT_FALSE(fs::exists(dir / "X_Quiet.log"));
}
