// The extraction against packages laid out by hand in a temporary folder: entries, pieces, stamps,
// spanned parts and the disk question, checksums, the agent copy, unsafe names and broken blocks.
#include "pack/UnPack.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ExtractFixture.h"
#include "PackFixture.h"
#include "pack/PackX.h"
#include "pack/ZLibOpen.h"
#include "platform/System.h"
#include "util/Files.h"

using namespace fixture;
namespace fs = std::filesystem;

namespace {
// 2020-05-17 10:30:20 as a packed DOS date-time.
constexpr uint32_t kStamp = (((2020 - 1980) * 512 + 5 * 32 + 17) << 16) | (10 * 2048 + 30 * 32 + 10);
const std::string kStampText = std::to_string(kStamp);

struct Result {
  bool ok = false;
  std::string marked = "stale";
  ExtractEnd end = ExtractEnd::Done;
  std::string zlibError;
};

struct UnPackTest : ::testing::Test {
  TempDir dir;
  RecordingUI ui;
  std::string out = dir.File("out");
  void SetUp() override { ResetSaveFailureCount(); }

  Result Extract(const std::string& source, std::string_view agent = {}, bool force = false) {
    const ExtractResult e = ExtractPackage(source, out, agent, ui, force);
    return {e.checksumOk, e.markedEntry, e.end, e.zlibError};
  }
  std::string Out(const std::string& name) const { return ReadAll(out + "/" + name); }
  bool OutExists(const std::string& name) const { return fs::exists(out + "/" + name); }
};

Package SinglePackage(std::vector<std::string> blocks, uint32_t entryCount) {
  Package p;
  p.stub = StubImage();
  p.blocks = std::move(blocks);
  p.fields.entryCount = entryCount;
  return p;
}
}  // namespace

TEST_F(UnPackTest, EntriesMarkedNameStampsAndProgress) {
  Package p = SinglePackage(
      {CompressedBlock(Entry("a.txt", kStampText, "alpha")), StoredBlock(Entry("b.bin", "0", std::string("\0\1\2", 3))),
       U32(0),                                     // empty entry
       StoredBlock(std::string("\0headless", 9)),  // no header
       CompressedBlock(Entry("Engine.exe* /x", "junk", "MZengine")), StoredBlock(Entry("12345#readme.txt", "0", "r")),
       CompressedBlock(Entry("data\\sub\\c.bin", "0", "")), StoredBlock("no zero at all")},
      5);
  DebugCapture debug;
  const uint32_t before = DateTimeToDos(LocalNow());
  Result r = Extract(dir.Write("Setup.exe", Build(p)));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.marked, "Engine.exe* /x");
  // A stamp of 0 or one that is no number leaves the time of writing.
  EXPECT_GE(GetFileDosTime(out + "/b.bin"), before);
  EXPECT_GE(GetFileDosTime(out + "/Engine.exe"), before);
  EXPECT_EQ(Out("a.txt"), "alpha");
  EXPECT_EQ(GetFileDosTime(out + "/a.txt"), kStamp);
  EXPECT_EQ(Out("b.bin"), std::string("\0\1\2", 3));
  EXPECT_EQ(Out("Engine.exe"), "MZengine");
  EXPECT_EQ(Out("12345#readme.txt"), "r");
  EXPECT_TRUE(fs::is_regular_file(out + "/data/sub/c.bin"));
  EXPECT_EQ(fs::file_size(out + "/data/sub/c.bin"), 0u);
  size_t files = 0;
  for (auto& e : fs::recursive_directory_iterator(out)) files += e.is_regular_file();
  EXPECT_EQ(files, 5u);

  using S = RecordingUI::Report;
  std::vector<S> expected = {{0, 0, 0, 1}, {0, 5, 0, 1}, {1, 0, 0, 1}, {1, 0, 0, 1},
                             {1, 0, 0, 1}, {1, 0, 0, 1}, {1, 0, 0, 1}};
  EXPECT_EQ(ui.progress, expected);
  EXPECT_GE(ui.pumps, 1);
  EXPECT_EQ(ui.waits, std::vector<int>{500});
  EXPECT_TRUE(ui.prompts.empty() && ui.errors.empty());
  EXPECT_NE(debug.text.find("FileInfo.FilesCount=5\r\n"), std::string::npos);
  EXPECT_NE(debug.text.find("FileLen=" + std::to_string(fs::file_size(dir.File("Setup.exe")))), std::string::npos);
  EXPECT_NE(debug.text.find("UnCompressTime: "), std::string::npos);
}

// A stamp that is no valid date-time cannot be set; the entry is still written whole (stored,
// compressed, in pieces, the engine too) and keeps the time of writing, with no error.
TEST_F(UnPackTest, StampThatIsNoDateTimeKeepsTheTimeOfWriting) {
  struct Case {
    const char* name;
    DateTime when;
  } cases[] = {{"month 0", {2020, 0, 17, 10, 30, 20}},       {"month 13", {2020, 13, 17, 10, 30, 20}},
               {"day 0", {2020, 5, 0, 10, 30, 20}},          {"30 February", {2020, 2, 30, 10, 30, 20}},
               {"29 February 2021", {2021, 2, 29, 0, 0, 0}}, {"hour 24", {2020, 5, 17, 24, 0, 0}},
               {"minute 60", {2020, 5, 17, 10, 60, 0}},      {"62 seconds", {2020, 5, 17, 10, 30, 62}}};
  std::vector<std::string> blocks;
  for (const Case& c : cases) {
    const std::string stamp = std::to_string(DateTimeToDos(c.when));
    const std::string name = c.name;
    blocks.push_back(StoredBlock(Entry(name + ".stored", stamp, "stored " + name)));
    blocks.push_back(CompressedBlock(Entry(name + ".z", stamp, "compressed " + name)));
    blocks.push_back(StoredBlock(Entry(name + ".pieces", "0", "first ")));
    blocks.push_back(CompressedBlock(Entry(name + ".pieces", stamp, "second")));
  }
  blocks.push_back(StoredBlock(Entry("Engine.exe*", std::to_string(DateTimeToDos(cases[1].when)), "MZengine")));
  const uint32_t before = DateTimeToDos(LocalNow());
  Result r = Extract(dir.Write("Setup.exe", Build(SinglePackage(blocks, 33))));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.marked, "Engine.exe*");
  EXPECT_TRUE(ui.errors.empty()) << ui.errors[0];
  EXPECT_EQ(Out("Engine.exe"), "MZengine");
  EXPECT_GE(GetFileDosTime(out + "/Engine.exe"), before);
  for (const Case& c : cases) {
    const std::string name = c.name;
    EXPECT_EQ(Out(name + ".stored"), "stored " + name);
    EXPECT_EQ(Out(name + ".z"), "compressed " + name);
    EXPECT_EQ(Out(name + ".pieces"), "first second");
    for (const char* kind : {".stored", ".z", ".pieces"})
      EXPECT_GE(GetFileDosTime(out + "/" + name + kind), before) << name << kind;
  }
}

TEST_F(UnPackTest, PiecesAppendAndAnExistingFileIsExtended) {
  fs::create_directories(out);
  dir.Write("out/old.txt", "left ");
  Package p = SinglePackage(
      {StoredBlock(Entry("two.bin", "0", "first+")), CompressedBlock(Entry("two.bin", kStampText, "second")),
       StoredBlock(Entry("old.txt", "0", "over"))},
      2);
  Result r = Extract(dir.Write("Setup.exe", Build(p)));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.marked, "");
  EXPECT_EQ(Out("two.bin"), "first+second");
  EXPECT_EQ(GetFileDosTime(out + "/two.bin"), kStamp);
  EXPECT_EQ(Out("old.txt"), "left over");
  EXPECT_EQ(ui.Advances(), 1);  // only the first piece of two.bin found no file
}

TEST_F(UnPackTest, EntryCountZeroLeavesTheRangeEmpty) {
  Package p = SinglePackage({StoredBlock(Entry("a", "0", "1")), StoredBlock(Entry("b", "0", "2"))}, 0);
  Extract(dir.Write("Setup.exe", Build(p)));
  EXPECT_EQ(ui.progress[1], (RecordingUI::Report{0, 0, 0, 1}));
  EXPECT_EQ(Out("a") + Out("b"), "12");
}

TEST_F(UnPackTest, ChecksumMismatchAndDisabledCheck) {
  Package p = SinglePackage({StoredBlock(Entry("a.txt", "0", "alpha"))}, 1);
  p.checksum = false;
  p.fields.checksum = 77;
  Result bad = Extract(dir.Write("Setup.exe", Build(p)));
  EXPECT_FALSE(bad.ok);
  EXPECT_FALSE(fs::exists(out));

  p.fields.checksum = kChecksumDisabled;
  Result off = Extract(dir.Write("Setup.exe", Build(p)));
  EXPECT_TRUE(off.ok);
  EXPECT_EQ(Out("a.txt"), "alpha");

  Result missing = Extract(dir.File("nothing.exe"));
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.marked, "");
}

namespace {
// Setup.exe (stub, meta blocks, part of big.bin), .002 (rest of it, Engine), .003 (last file).
std::vector<std::string> SpannedSet() {
  Package first =
      SinglePackage({StoredBlock(Entry("big.bin", "0", "part one;")), CompressedBlock(Entry("a.txt", "0", "a"))}, 4);
  first.fields.options = kOptionContinued;
  Package second;
  second.withMeta = false;
  second.blocks = {CompressedBlock(Entry("big.bin", "0", "part two")), StoredBlock(Entry("Engine.exe*", "0", "E"))};
  second.fields.options = kOptionContinued;
  Package third;
  third.withMeta = false;
  third.blocks = {StoredBlock(Entry("last.txt", "0", "z"))};
  return {Build(first), Build(second), Build(third)};
}
}  // namespace

TEST_F(UnPackTest, SpannedPartsNamedFromExeAndFrom001) {
  auto set = SpannedSet();
  for (const char* first : {"Setup.exe", "Setup.exe.001"}) {
    TempDir parts;
    std::string source = parts.Write(first, set[0]);
    parts.Write("Setup.exe.002", set[1]);
    parts.Write("Setup.exe.003", set[2]);
    fs::remove_all(out);
    ui = RecordingUI();
    Result r = Extract(source);
    EXPECT_TRUE(r.ok) << first;
    EXPECT_EQ(r.marked, "Engine.exe*") << first;
    EXPECT_EQ(Out("big.bin"), "part one;part two") << first;
    EXPECT_EQ(Out("last.txt"), "z") << first;
    EXPECT_TRUE(ui.prompts.empty()) << first;
    EXPECT_EQ(ui.autoPlay, 2) << first;
    EXPECT_EQ(ui.Advances(), 4 + 2) << first;  // four new files, two moves to a further part
  }
}

// A part without a trailer of ours damages the set, even where its checksum test would pass: an
// unread trailer stores 0, which an empty or zero-filled file sums to, and zeros of 4101..8196
// bytes even sum to the value that turns the check off. The engine came with part 2, so a walk
// that ended "ok" here would start it on a partial install.
TEST_F(UnPackTest, PartWithoutItsTrailerDamagesTheSet) {
  auto set = SpannedSet();
  auto foreign = [&](bool continued) {
    std::string part = set[2];
    if (continued) part[part.size() - 74 + 65] = char(kOptionContinued);
    PutU32(part, part.size() - 74 + 12, 0x12345678);
    PutU32(part, part.size() - 74 + 16, Checksum(part, false));
    return part;
  };
  struct Case {
    const char* name;
    std::string part3;
  } cases[] = {{"empty", ""},
               {"shorter than a trailer", std::string(60, '\0')},
               {"zeros summing to 0", std::string(4000, '\0')},
               {"zeros summing to 1234 (4101 bytes)", std::string(4101, '\0')},
               {"zeros summing to 1234 (8196 bytes)", std::string(8196, '\0')},
               {"trailer length 0", set[2].substr(0, set[2].size() - 4) + U32(0)},
               {"foreign magic", foreign(false)},
               {"foreign magic, continued bit", foreign(true)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir parts;
    std::string source = parts.Write("Setup.exe", set[0]);
    parts.Write("Setup.exe.002", set[1]);
    parts.Write("Setup.exe.003", c.part3);
    fs::remove_all(out);
    ui = RecordingUI();
    DebugCapture debug;
    Result r = Extract(source);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Out("big.bin"), "part one;part two") << "the parts before it are extracted";
    EXPECT_FALSE(OutExists("last.txt"));
    EXPECT_TRUE(ui.prompts.empty()) << "the walk went on";
    EXPECT_NE(debug.text.find("No package trailer in " + parts.File("Setup.exe.003")), std::string::npos);
  }
}

// Part 1 is no different: a file that carries no package is no package, whatever it sums to.
TEST_F(UnPackTest, FirstFileWithoutATrailerIsNoPackage) {
  for (const std::string& bytes : {std::string(), std::string(4101, '\0'), StubImage()}) {
    Result r = Extract(dir.Write("Setup.exe", bytes));
    EXPECT_FALSE(r.ok) << bytes.size();
    EXPECT_FALSE(fs::exists(out)) << bytes.size();
  }
}

TEST_F(UnPackTest, DiskQuestionUntilThePartArrives) {
  auto set = SpannedSet();
  std::string source = dir.Write("Setup.exe", set[0]);
  dir.Write("Setup.exe.003", set[2]);
  // The first OK comes before the disk is in: the question is asked again.
  ui.answer = [&](int n) {
    if (n == 1) dir.Write("Setup.exe.002", set[1]);
    return true;
  };
  Result r = Extract(source);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.marked, "Engine.exe*");
  EXPECT_EQ(ui.prompts, (std::vector<int>{2, 2}));
  EXPECT_EQ(r.end, ExtractEnd::Done);
  EXPECT_EQ(ui.waits, (std::vector<int>{500, 500, 500}));
  EXPECT_EQ(Out("last.txt"), "z");
}

TEST_F(UnPackTest, ForcePromptAsksEvenWhenThePartIsThere) {
  auto set = SpannedSet();
  std::string source = dir.Write("Setup.exe", set[0]);
  dir.Write("Setup.exe.002", set[1]);
  dir.Write("Setup.exe.003", set[2]);
  ui.answer = [](int) { return true; };
  Result r = Extract(source, {}, true);
  EXPECT_EQ(ui.prompts, (std::vector<int>{2, 3}));
  EXPECT_EQ(Out("last.txt"), "z");
  EXPECT_TRUE(r.ok);
}

TEST_F(UnPackTest, CancelledDiskQuestionClearsTheMarkedEntry) {
  auto set = SpannedSet();
  std::string source = dir.Write("Setup.exe", set[0]);
  dir.Write("Setup.exe.002", set[1]);
  Result r = Extract(source);  // .003 is missing and the question is cancelled
  EXPECT_EQ(ui.prompts, std::vector<int>{3});
  EXPECT_EQ(r.end, ExtractEnd::Cancelled);
  EXPECT_TRUE(r.ok);  // the last checksum test passed
  EXPECT_EQ(r.marked, "");
  EXPECT_EQ(Out("big.bin"), "part one;part two");
  EXPECT_FALSE(OutExists("last.txt"));
}

// A closed window stops the walk at its next chunk: the entry being written goes, nothing after it
// is extracted, no further part is asked for, and nothing is left to start.
TEST_F(UnPackTest, ClosedWindowStopsTheWalk) {
  {
    SCOPED_TRACE("inside an entry");
    std::string big(3 * 1048576, 'b');
    Package p = SinglePackage({CompressedBlock(Entry("a.txt", "0", "alpha")), StoredBlock(Entry("big.bin", "0", big)),
                               StoredBlock(Entry("Engine.exe*", "0", "E"))},
                              3);
    p.fields.installAgent = 1;
    // Closed once the first megabyte of big.bin is on disk.
    ui.closed = [&] { return OutExists("big.bin"); };
    Result r = Extract(dir.Write("Setup.exe", Build(p)), "AU.exe");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.marked, "");
    EXPECT_EQ(Out("a.txt"), "alpha");
    EXPECT_FALSE(OutExists("big.bin")) << "half an entry stays";
    EXPECT_FALSE(OutExists("Engine.exe"));
    EXPECT_FALSE(OutExists("AU.exe")) << "the agent copy is written after the walk";
    EXPECT_TRUE(ui.errors.empty());
  }
  {
    SCOPED_TRACE("between parts");
    fs::remove_all(out);
    ui = RecordingUI();
    auto set = SpannedSet();
    std::string source = dir.Write("Setup.exe", set[0]);
    dir.Write("Setup.exe.002", set[1]);  // .003 is missing: a further part would ask for it
    ui.closed = [&] { return OutExists("a.txt"); };
    Result r = Extract(source);
    EXPECT_EQ(r.marked, "");
    EXPECT_EQ(Out("big.bin"), "part one;");
    EXPECT_TRUE(ui.prompts.empty());
    EXPECT_EQ(ui.autoPlay, 0);
  }
}

TEST_F(UnPackTest, UnsafeNamesAreRefusedAndTheWalkGoesOn) {
  const char* names[] = {"..\\evil.txt",
                         "a\\..\\..\\evil.txt",
                         "/abs.txt",
                         "\\abs.txt",
                         "\\\\server\\share\\x",
                         "C:\\evil.txt",
                         "C:evil.txt",
                         "a:b",
                         "..",
                         "sub/../../evil.txt",
                         "sub\\.. \\..\\evil.txt",
                         "...\\evil.txt",
                         "CON",
                         "sub\\nul.txt",
                         "Com1",
                         "lpt9.log"};
  std::vector<std::string> blocks;
  for (const char* name : names) blocks.push_back(StoredBlock(Entry(name, "0", "bad")));
  blocks.push_back(StoredBlock(Entry("..\\Engine.exe*", "0", "bad")));
  blocks.push_back(StoredBlock(Entry("*", "0", "bad")));
  blocks.push_back(CompressedBlock(Entry("good.txt", "0", "good")));
  DebugCapture debug;
  Result r = Extract(dir.Write("Setup.exe", Build(SinglePackage(blocks, 1))));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.marked, "");
  EXPECT_EQ(Out("good.txt"), "good");
  std::vector<std::string> written;
  for (auto& e : fs::recursive_directory_iterator(dir.path))
    if (e.is_regular_file()) written.push_back(fs::relative(e.path(), dir.path).string());
  EXPECT_EQ(written.size(), 2u);  // Setup.exe and out/good.txt
  EXPECT_TRUE(ui.errors.empty());
  EXPECT_NE(debug.text.find("Entry refused, its name leaves the folder: ..\\evil.txt"), std::string::npos);

  for (const char* safe :
       {"a.txt", "data\\a.bin", "a..b", "..a", "sub/./x", "12345#x", "console.txt", "com10", "nullx"})
    EXPECT_TRUE(IsSafeEntryName(safe)) << safe;
  for (const char* name : names) EXPECT_FALSE(IsSafeEntryName(name)) << name;
}

TEST_F(UnPackTest, BlockRunningPastTheEndEndsTheWalk) {
  Package p = SinglePackage({StoredBlock(Entry("a.txt", "0", "alpha"))}, 2);
  p.fields.checksum = kChecksumDisabled;
  p.checksum = false;
  p.fields.options = kOptionContinued;
  std::string bytes = Build(p);
  // A further block that claims a megabyte, followed only by the trailer.
  size_t trailerAt = bytes.size() - 74;
  bytes.insert(trailerAt, U32(1 << 20) + "xy");
  PutU32(bytes, 252, uint32_t(bytes.size()));
  Result r = Extract(dir.Write("Setup.exe", bytes));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(Out("a.txt"), "alpha");
  EXPECT_TRUE(ui.prompts.empty());  // the continued bit is not followed after a broken block
}

TEST_F(UnPackTest, DamagedStreamEndsTheWalkWithZlibsTextAndKeepsEarlierFiles) {
  // Large enough that pieces of it reach the file before the damage is found.
  std::string data(3 * 1048576, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = char('a' + (i * i >> 7) % 26);
  std::string z = Deflate(Entry("broken.txt", "0", data));
  std::string damaged = z;
  damaged[damaged.size() * 3 / 4] ^= 0x55;
  damaged[damaged.size() * 3 / 4 + 1] ^= 0x55;
  struct Case {
    std::string block;
    const char* message;
  } cases[] = {{U32(uint32_t(damaged.size())) + damaged, "data error"},
               {U32(uint32_t(z.size() - 10)) + z.substr(0, z.size() - 10), "buffer error"}};
  for (const Case& c : cases) {
    fs::remove_all(out);
    Package p = SinglePackage({StoredBlock(Entry("first.txt", "0", "kept")), c.block}, 2);
    p.fields.checksum = kChecksumDisabled;
    p.checksum = false;
    std::string source = dir.Write("Setup.exe", Build(p));
    const Result r = Extract(source);
    EXPECT_EQ(r.end, ExtractEnd::DamagedEntry);
    EXPECT_EQ(r.zlibError, c.message);
    EXPECT_EQ(Out("first.txt"), "kept");
    EXPECT_FALSE(OutExists("broken.txt")) << "a half entry stays";
  }
}

TEST_F(UnPackTest, SaveFailureShowsOneBoxPerProcess) {
  fs::create_directories(out + "/taken.txt");  // a folder where the file should go
  fs::create_directories(out + "/also.txt");
  Package p = SinglePackage({StoredBlock(Entry("taken.txt", "0", "12345")), StoredBlock(Entry("also.txt", "0", "x")),
                             StoredBlock(Entry("fine.txt", "0", "ok"))},
                            3);
  std::string source = dir.Write("Setup.exe", Build(p));
  Extract(source);
  Extract(source);
  ASSERT_EQ(ui.errors.size(), 1u);
  const std::string& text = ui.errors[0];
  EXPECT_EQ(text.rfind(out + "\\taken.txt<P><P>Unable to save Extracted File!<P><P>", 0), 0u) << text;
  EXPECT_NE(text.find("<P>  Data Size: <T>5 Bytes<P>  File Size:  <T>"), std::string::npos) << text;
  EXPECT_NE(text.find(" Bytes<P>  Bytes Free: <T>"), std::string::npos) << text;
  EXPECT_EQ(Out("fine.txt"), "okok");
}

// An entry that cannot be written whole (the file-size limit stands in for a full disk) leaves no
// half file: the file its pieces made is gone, also when the pieces run on into the next part file,
// and a file that it extended is back to its old length. One box for the process; the walk goes on.
TEST_F(UnPackTest, EntryThatCannotBeWrittenWholeLeavesNoHalfFile) {
  const std::string mb(1 << 20, 'm');
  Package single = SinglePackage({StoredBlock(Entry("first.txt", "0", "kept")),
                                  StoredBlock(Entry("old.bin", "0", "old")), StoredBlock(Entry("big.bin", "0", mb)),
                                  CompressedBlock(Entry("big.bin", "0", mb)), StoredBlock(Entry("old.bin", "0", mb)),
                                  StoredBlock(Entry("old.bin", "0", mb)), StoredBlock(Entry("last.txt", "0", "z"))},
                                 5);
  Package first = SinglePackage({StoredBlock(Entry("first.txt", "0", "kept")),
                                 StoredBlock(Entry("old.bin", "0", "old")), StoredBlock(Entry("big.bin", "0", mb))},
                                4);
  first.fields.options = kOptionContinued;
  Package second;
  second.withMeta = false;
  second.blocks = {StoredBlock(Entry("big.bin", "0", mb)), StoredBlock(Entry("last.txt", "0", "z"))};
  struct Case {
    const char* name;
    std::vector<std::string> files;
  } cases[] = {{"one file, old.bin extended", {Build(single)}}, {"two parts", {Build(first), Build(second)}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir parts;
    std::string source = parts.Write("Setup.exe", c.files[0]);
    if (c.files.size() > 1) parts.Write("Setup.exe.002", c.files[1]);
    fs::remove_all(out);
    ui = RecordingUI();
    ResetSaveFailureCount();
    {
      FileSizeLimit limit(1536 * 1024);
      Extract(source);
    }
    EXPECT_EQ(Out("first.txt"), "kept");
    EXPECT_FALSE(OutExists("big.bin")) << fs::file_size(out + "/big.bin") << " bytes of it stay";
    EXPECT_TRUE(Out("old.bin") == "old") << Out("old.bin").size() << " bytes";
    EXPECT_EQ(Out("last.txt"), "z");
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0].rfind(out + "\\big.bin<P><P>Unable to save Extracted File!", 0), 0u) << ui.errors[0];
    EXPECT_NE(ui.errors[0].find("Data Size: <T>1048576 Bytes"), std::string::npos) << ui.errors[0];
  }
}

// Messages are dispatched at most every 10 ms (and at least once), not before every entry and after
// every chunk: under Wine each look at the queue is a round trip to the window system, which costs
// more than writing a small file.
TEST_F(UnPackTest, MessagesAreDispatchedAtMostEveryTenMilliseconds) {
  std::vector<std::string> blocks;
  for (int i = 0; i < 500; ++i) blocks.push_back(CompressedBlock(Entry("f" + std::to_string(i), "0", "data")));
  blocks.push_back(CompressedBlock(Entry("big.bin", "0", std::string(4 << 20, 'b'))));
  std::string source = dir.Write("Setup.exe", Build(SinglePackage(blocks, 501)));
  const int64_t start = TickMs();
  Result r = Extract(source);
  const int64_t elapsed = TickMs() - start;
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(Out("f499"), "data");
  EXPECT_GE(ui.pumps, 1);
  EXPECT_LE(ui.pumps, 1 + elapsed / 10) << "in " << elapsed << " ms";
}

TEST_F(UnPackTest, AgentCopy) {
  Package p = SinglePackage({CompressedBlock(Entry("a.txt", "0", "alpha"))}, 1);
  p.fields.installAgent = 1;
  p.fields.options = kOptionAgentLog;
  std::string bytes = Build(p);
  std::string source = dir.Write("Setup.EXE", bytes);
  Extract(source, "C:\\Program Files\\App\\AU.exe");
  std::string agent = Out("AU.exe");
  const size_t entriesStart = p.stub.size() + 8 + p.language.size() + p.update.size();
  ASSERT_EQ(agent.size(), entriesStart + 74);
  std::string expectedHead = bytes.substr(0, entriesStart);
  PutU32(expectedHead, 252, 0);
  EXPECT_EQ(agent.substr(0, entriesStart), expectedHead);
  std::string trailer = bytes.substr(bytes.size() - 74);
  trailer[69] = 1;
  EXPECT_EQ(agent.substr(entriesStart), trailer);
  EXPECT_EQ(GetFileDosTime(out + "/AU.exe"), GetFileDosTime(source));

  TGFileInfo info(out + "/AU.exe");
  EXPECT_TRUE(info.IsAutoUpdateAgent());
  EXPECT_TRUE(info.IsAgentLogEnabled());
  EXPECT_EQ(info.UpdateBlock(), p.update);

  // Only from an ".exe" (or ".exe.001") source and with a name.
  fs::remove_all(out);
  Extract(dir.Write("Setup.bin", bytes), "AU.exe");
  EXPECT_FALSE(OutExists("AU.exe"));
  Extract(source, "C:\\dir\\");
  EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 1);
}

TEST_F(UnPackTest, LargeEntriesStreamThroughIntact) {
  std::string big(3 * 1048576 + 12345, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = char((i * 2654435761u) >> 13);
  std::string runs(5 * 1048576, 'r');
  Package p = SinglePackage({CompressedBlock(Entry("big.bin", kStampText, big)),
                             StoredBlock(Entry("stored.bin", kStampText, big.substr(0, 200000))),
                             CompressedBlock(Entry("runs.bin", "0", runs))},
                            3);
  Result r = Extract(dir.Write("Setup.exe", Build(p)));
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(Out("big.bin") == big);
  EXPECT_TRUE(Out("stored.bin") == big.substr(0, 200000));
  EXPECT_TRUE(Out("runs.bin") == runs);
  EXPECT_EQ(GetFileDosTime(out + "/big.bin"), kStamp);
}

TEST_F(UnPackTest, PartNames) {
  EXPECT_EQ(PartFilePath("C:\\d\\Setup.exe", 2), "C:\\d\\Setup.exe.002");
  EXPECT_EQ(PartFilePath("C:\\d\\Setup.exe.001", 2), "C:\\d\\Setup.exe.002");
  EXPECT_EQ(PartFilePath("C:\\d\\Setup.001.exe", 12), "C:\\d\\Setup.001.exe.012");
}
