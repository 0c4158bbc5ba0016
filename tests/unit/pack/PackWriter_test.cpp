// The package builder against the format's rules: bytes worked out by hand for a tiny package, the
// checksum's edge cases, the space table, token scrambling both ways, and the layout of part sets
// and web setups.
#include "pack/PackWriter.h"
#include "util/VSUB.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ExtractFixture.h"
#include "pack/PackX.h"
#include "pack/UnPack.h"
#include "util/Files.h"

namespace fs = std::filesystem;

namespace {

std::string U32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = char(v >> (8 * i));
  return s;
}
uint32_t GetU32(std::string_view s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(s[at + i]);
  return v;
}

std::string FakeStub(size_t size = 600) {
  std::string stub(size, '\0');
  stub[0] = 'M', stub[1] = 'Z', stub[256] = 'P', stub[257] = 'E';
  for (size_t i = 300; i < size; ++i) stub[i] = char(i * 7);
  return stub;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The checksum worked out from its description: the words at o (from 0, or 512 with the end mark
// set) with o + 8 < E (E = package end - trailer length), plus 1234 for every 4096-byte read after
// which more than 4 bytes remain before E.
uint32_t ChecksumByRule(std::string_view file, int trailerLen = 74) {
  int64_t len = int64_t(file.size()), start = 0, end = len;
  if (len > 52428800) return 1234;
  if (len >= 258 && file.substr(0, 2) == "MZ" && file.substr(256, 2) == "PE" && GetU32(file, 252) != 0) {
    end = GetU32(file, 252);
    start = 512;
  }
  const int64_t e = end - trailerLen;
  uint32_t sum = 0;
  for (int64_t o = start; o + 4 <= len; o += 4)
    if (o + 8 < e) sum += GetU32(file, size_t(o));
  for (int64_t c = start;; c += 4096) {
    int64_t chunkEnd = std::min(c + 4096, std::max(len, start));
    if (e - (c + (chunkEnd - c) / 4 * 4) > 4) sum += 1234;
    if (chunkEnd - c < 4096) break;
  }
  return sum;
}

// The decoding steps of a scrambled token, written out here so the encoder is checked on its own.
std::string DecodeToken(std::string_view s) {
  std::string hex;
  for (char c : s) hex += char(c - 50);
  std::vector<uint8_t> b;
  for (size_t i = 0; i < hex.size(); i += 2) b.push_back(uint8_t(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  size_t n = b.size();
  if (n <= 4) return "?";
  uint8_t sum = 0;
  for (size_t i = 0; i < n; ++i)
    if (i != n - 2) sum = uint8_t(sum + b[i]);
  if (sum != b[n - 2]) return "?";
  uint8_t key = b[0] ^ b[n - 1];
  for (size_t i = 1; i < n - 1; ++i) b[i] ^= key;
  size_t a = b[1], c = b[2];
  if (a + c + 4 > n) return "?";
  return std::string(b.begin() + 3 + a, b.begin() + 3 + a + (n - a - c - 4));
}

std::string Inflate(std::string_view z) {
  std::string out(1 << 20, '\0');
  uLongf len = uLongf(out.size());
  EXPECT_EQ(
      uncompress(reinterpret_cast<Bytef*>(out.data()), &len, reinterpret_cast<const Bytef*>(z.data()), uLong(z.size())),
      Z_OK);
  out.resize(len);
  return out;
}

class PackWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/packwriter-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  PackJob BaseJob() const {
    PackJob job;
    job.stub = FakeStub();
    job.languages = {{"English", {{"s0", "Hi"}}}};
    job.update.token = "T1";
    job.seed = 7;
    return job;
  }

  fs::path dir;
};

TEST_F(PackWriterTest, TinyPackageHasTheBytesTheRulesGive) {
  PackJob job = BaseJob();
  job.files = {{"a.txt", "", "hello", 0x12345678}, {"z\\zeros.bin", "", std::string(1000, '\0'), 0}};
  job.options = kOptionSecondaryBar;
  job.level = 9;
  const std::string out = Path("Setup.exe");
  ASSERT_EQ(WritePackage(job, out), "");
  const std::string file = ReadAll(out);

  const std::string lang =
      "\x02\x01"
      "English\x01s0=Hi\x01\x02";
  const std::string update = "|http://localhost|Update.info|AutoUpdate.exe|" + ScrambleToken("T1", 7) + "|0|";
  const std::string entryA = std::string("|a.txt|305419896|") + '\0' + "hello";
  const std::string entryZ = std::string("|z\\zeros.bin|0|") + '\0' + std::string(1000, '\0');
  std::string expect = job.stub + U32(uint32_t(lang.size())) + lang + U32(uint32_t(update.size())) + update;
  expect += U32(uint32_t(-int32_t(entryA.size()))) + entryA;  // too small to gain from zlib: stored
  const size_t zAt = expect.size();
  const uint32_t zLen = GetU32(file, zAt);
  ASSERT_LT(zLen, entryZ.size());
  EXPECT_EQ(Inflate(file.substr(zAt + 4, zLen)), entryZ);
  expect += file.substr(zAt, 4 + zLen);

  std::string trailer =
      std::string("\x01\x02\0\0", 4) + U32(600) + U32(2) + "\x1D\x2C\x3B\x4A" + U32(0) + std::string(8, '\0');
  for (uint32_t space : {1005u, 1536u, 2048u, 4096u, 8192u, 16384u, 32768u, 65536u, 131072u}) trailer += U32(space);
  trailer += std::string("\0\x08\0\0\0\0", 6) + U32(74);
  ASSERT_EQ(trailer.size(), 74u);
  expect += trailer;
  const uint32_t end = uint32_t(expect.size());
  expect.replace(248, 8, U32(0) + U32(end));
  expect.replace(end - 74 + 16, 4, U32(ChecksumByRule(expect)));
  EXPECT_EQ(file, expect);
}

TEST_F(PackWriterTest, ChecksumFollowsItsRules) {
  PackJob job = BaseJob();
  job.files = {{"big.bin", "", std::string(10000, 'x'), 0}};
  job.level = 0;  // stored: every byte of the data lies in the file as given
  ASSERT_EQ(WritePackage(job, Path("Setup.exe")), "");
  const std::string file = ReadAll(Path("Setup.exe"));
  const uint32_t stored = GetU32(file, file.size() - 74 + 16);
  ASSERT_EQ(stored, ChecksumByRule(file));
  ASSERT_EQ(PackChecksumOfFile(Path("Setup.exe")), stored);

  const size_t trailerAt = file.size() - 74;
  struct Case {
    const char* what;
    std::function<void(std::string&)> change;
    bool changesSum;
  } cases[] = {
      {"a header byte before 512", [](std::string& f) { f[300] ^= 1; }, false},
      {"the end mark itself", [](std::string& f) { f[250] ^= 1; }, false},
      {"bytes after the package end", [](std::string& f) { f += "signature"; }, false},
      {"a byte of the blocks", [](std::string& f) { f[700] ^= 1; }, true},
      {"a byte 9 before the trailer", [&](std::string& f) { f[trailerAt - 9] ^= 1; }, true},
  };
  for (const auto& c : cases) {
    std::string changed = file;
    c.change(changed);
    EXPECT_EQ(PackChecksumOfImage(changed) != stored, c.changesSum) << c.what;
    EXPECT_EQ(PackChecksumOfImage(changed), ChecksumByRule(changed)) << c.what;
  }
  // The last 8 bytes before a word-aligned trailer never count.
  if (trailerAt % 4 == 0) {
    std::string changed = file;
    changed[trailerAt - 8] ^= 1;
    changed[trailerAt - 1] ^= 1;
    EXPECT_EQ(PackChecksumOfImage(changed), stored);
  }
  // Without an end mark the sum starts at 0 and the trailer must end the file.
  std::string unmarked = file;
  unmarked.replace(248, 8, std::string(8, '\0'));
  EXPECT_EQ(PackChecksumOfImage(unmarked), ChecksumByRule(unmarked));
  EXPECT_NE(PackChecksumOfImage(unmarked), stored);

  // The size limit: one byte more and nothing is read.
  int64_t reads = 0;
  auto zeros = [&](int64_t at, char* buf, size_t n) -> size_t {
    ++reads;
    size_t got = size_t(std::max<int64_t>(0, std::min<int64_t>(int64_t(n), 52428800 - at)));
    std::memset(buf, 0, got);
    return got;
  };
  EXPECT_EQ(PackChecksum(52428801, zeros), kChecksumDisabled);
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(PackChecksum(52428800, zeros), ChecksumByRule(std::string(52428800, '\0')));
}

TEST_F(PackWriterTest, ChecksumOffStores1234) {
  PackJob job = BaseJob();
  job.checksum = false;
  ASSERT_EQ(WritePackage(job, Path("Setup.exe")), "");
  const std::string file = ReadAll(Path("Setup.exe"));
  EXPECT_EQ(GetU32(file, file.size() - 74 + 16), 1234u);
}

TEST(PackSpaceTable, RoundsEachFileUpToWholeClusters) {
  struct Case {
    std::vector<int64_t> sizes;
    uint32_t expect[9];
  } cases[] = {
      {{}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {{0}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {{1}, {1, 512, 1024, 2048, 4096, 8192, 16384, 32768, 65536}},
      {{512, 513}, {1025, 1536, 2048, 4096, 8192, 16384, 32768, 65536, 131072}},
      {{4096, 70000}, {74096, 74240, 74752, 75776, 77824, 81920, 98304, 131072, 196608}},
      {{int64_t(3) << 30, int64_t(2) << 30},
       {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu,
        0xFFFFFFFFu}},
  };
  for (const auto& c : cases) {
    PackSpaceTable t;
    for (int64_t s : c.sizes) t.Add(s);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(t.bytes[i], c.expect[i]) << "entry " << i;
  }
}

TEST(PackToken, ScrambledFormDecodesToTheClearText) {
  for (const std::string& clear :
       std::vector<std::string>{"", "A", "MyApp-2026", "exactly15chars!", std::string("\x01\xFF|z", 4)}) {
    for (uint32_t seed : {0u, 1u, 99u, 0xFFFFFFFFu}) {
      std::string s = ScrambleToken(clear, seed);
      ASSERT_EQ(s.size(), 40u) << clear;
      for (char c : s) EXPECT_TRUE((c >= 'b' && c <= 'k') || (c >= 's' && c <= 'x')) << s;
      EXPECT_EQ(DecodeToken(s), clear) << s;
    }
  }
  EXPECT_NE(ScrambleToken("same", 1), ScrambleToken("same", 2));
  EXPECT_EQ(ScrambleToken("same", 1), ScrambleToken("same", 1));
  EXPECT_EQ(ScrambleToken("sixteen chars!!!", 1), "");
}

TEST(PackBlocks, TextBlocksAndEntries) {
  EXPECT_EQ(BuildLanguageBlock({}), "");
  EXPECT_EQ(BuildLanguageBlock({{"English", {{"s0", "A"}, {"s1", ""}}}, {"Russian", {}}}),
            "\x02\x01"
            "English\x01s0=A\x01s1=\x01\x02\x01Russian\x01\x02");
  PackUpdateSettings u{"http://h/u", "App.info", "AppAU.exe", "tok", true, ""};
  EXPECT_EQ(BuildUpdateBlock(u, 3), "|http://h/u|App.info|AppAU.exe|" + ScrambleToken("tok", 3) + "|1|");
  PackWebSettings w{"http://h/w", "Data.exe", true, "tok"};
  EXPECT_EQ(BuildWebBlock(w, 12345, 3), "|http://h/w|Data.exe|1|" + ScrambleToken("tok", 3) + "|12345|");
  EXPECT_EQ(BuildEntryHeader("Engine.exe*", 0), std::string("|Engine.exe*|0|\0", 16));

  const std::string text(5000, 'a');
  std::string z = BuildEntryBlock(text, 6);
  ASSERT_GT(int32_t(GetU32(z, 0)), 0);
  EXPECT_EQ(GetU32(z, 0), z.size() - 4);
  EXPECT_EQ(Inflate(z.substr(4)), text);
  std::string stored = BuildEntryBlock("xyz", 6);
  EXPECT_EQ(stored, U32(uint32_t(-3)) + "xyz");
}

TEST_F(PackWriterTest, SpanSetFillsPartsUpToTheirSize) {
  PackJob job = BaseJob();
  std::string random(300000, '\0');
  uint32_t x = 1;
  for (char& c : random) c = char((x = x * 1103515245u + 12345u) >> 23);
  job.engine = {"Engine.exe", "", "engine", 0};
  job.files = {{"r.bin", "", random, 0}, {"t.txt", "", std::string(200000, 'q'), 0}};
  job.layout = PackLayout::Span;
  job.partSize = 100000;
  std::vector<std::string> written;
  ASSERT_EQ(WritePackage(job, Path("Setup.exe"), &written), "");
  ASSERT_GE(written.size(), 4u);
  EXPECT_EQ(written[0], Path("Setup.exe"));
  for (size_t i = 1; i < written.size(); ++i) EXPECT_EQ(written[i], PackPartName(Path("Setup.exe"), int(i + 1)));
  EXPECT_FALSE(fs::exists(Path("Setup.exe.001")));
  for (size_t i = 0; i < written.size(); ++i) {
    SCOPED_TRACE(written[i]);
    const std::string f = ReadAll(written[i]);
    ASSERT_LE(f.size(), 100000u);
    const std::string t = f.substr(f.size() - 74);
    EXPECT_EQ(GetU32(t, 12), 0x4A3B2C1Du);
    EXPECT_EQ(t[1], 2);
    EXPECT_EQ(GetU32(t, 8), 3u);
    EXPECT_EQ(GetU32(t, 4), i == 0 ? 600u : 0u);
    EXPECT_EQ((t[65] & kOptionContinued) != 0, i + 1 < written.size());
    EXPECT_EQ(GetU32(t, 16), ChecksumByRule(f));
    EXPECT_EQ(f.substr(0, 2) == "MZ", i == 0);
  }
  // Parts are filled: all but the last leave less room than a small piece would need.
  for (size_t i = 0; i + 1 < written.size(); ++i) EXPECT_GT(fs::file_size(written[i]), 99000u);
}

TEST_F(PackWriterTest, RelaunchSetStartsFromTheStartedNamePlus001) {
  PackJob job = BaseJob();
  job.engine = {"Engine.exe", "", "engine", 0};
  job.files = {{"t.txt", "", std::string(50000, 'q') + std::string(50000, 'r'), 0}};
  job.installAgent = true;
  job.layout = PackLayout::SpanRelaunch;
  job.partSize = 2000;
  job.level = 0;
  std::vector<std::string> written;
  ASSERT_EQ(WritePackage(job, Path("Setup.exe"), &written), "");
  ASSERT_GE(written.size(), 3u);
  EXPECT_EQ(written[0], Path("Setup.exe"));
  EXPECT_EQ(written[1], Path("Setup.exe.001"));
  EXPECT_EQ(written[2], Path("Setup.exe.002"));

  const std::string launcher = ReadAll(written[0]);
  const std::string lt = launcher.substr(launcher.size() - 74);
  EXPECT_EQ(lt[65] & (kOptionSpanRelaunch | kOptionContinued), kOptionSpanRelaunch);
  EXPECT_EQ(lt[68], 1);
  EXPECT_EQ(GetU32(lt, 8), 2u);
  // No entry blocks: the meta blocks run straight into the trailer.
  size_t pos = 600;
  for (int i = 0; i < 2; ++i) pos += 4 + GetU32(launcher, pos);
  EXPECT_EQ(pos, launcher.size() - 74);

  // The first part is an executable package (the agent copy is cut from it) with the meta blocks.
  const std::string first = ReadAll(written[1]);
  EXPECT_EQ(first.substr(0, 600).substr(0, 248), job.stub.substr(0, 248));
  EXPECT_EQ(first.substr(600, pos - 600), launcher.substr(600, pos - 600));
  const std::string ft = first.substr(first.size() - 74);
  EXPECT_EQ(ft[65] & (kOptionSpanRelaunch | kOptionContinued), kOptionContinued);
  EXPECT_EQ(ReadAll(written.back()).substr(ReadAll(written.back()).size() - 74)[65] & kOptionContinued, 0);
}

TEST_F(PackWriterTest, WebSetupIsAStubWithTheWebBlockAndAPackageToUpload) {
  PackJob job = BaseJob();
  job.engine = {"Engine.exe", "", "engine", 0};
  job.files = {{"a.txt", "", "hello", 0}};
  job.layout = PackLayout::Web;
  job.web = {"http://127.0.0.1/dl", "SetupData.exe", false, "W1"};
  job.confirmDownload = true;
  std::vector<std::string> written;
  ASSERT_EQ(WritePackage(job, Path("Setup.exe"), &written), "");
  ASSERT_EQ(written, (std::vector<std::string>{Path("Setup.exe"), Path("SetupData.exe")}));
  const std::string stub = ReadAll(written[0]), upload = ReadAll(written[1]);

  const std::string st = stub.substr(stub.size() - 74);
  EXPECT_EQ(st[1], 3);
  EXPECT_EQ(st[66], 1);
  EXPECT_EQ(st[67], 1);
  EXPECT_EQ(GetU32(st, 8), 0u);
  size_t pos = 600;
  std::string blocks[3];
  for (auto& b : blocks) {
    b = stub.substr(pos + 4, GetU32(stub, pos));
    pos += 4 + b.size();
  }
  EXPECT_EQ(pos, stub.size() - 74);
  EXPECT_EQ(blocks[2], "|http://127.0.0.1/dl|SetupData.exe|0|" + ScrambleToken("W1", 7) + "|" +
                           std::to_string(upload.size()) + "|");

  const std::string ut = upload.substr(upload.size() - 74);
  EXPECT_EQ(ut[1], 3);
  EXPECT_EQ(ut[66], 0);
  EXPECT_EQ(GetU32(ut, 8), 2u);
  EXPECT_EQ(GetU32(ut, 16), ChecksumByRule(upload));
  // Same token in the uploaded package's web block, which the stub compares.
  size_t upos = 600;
  for (int i = 0; i < 2; ++i) upos += 4 + GetU32(upload, upos);
  std::string uweb = upload.substr(upos + 4, GetU32(upload, upos));
  EXPECT_NE(uweb.find("|" + ScrambleToken("W1", 7) + "|"), std::string::npos);
  EXPECT_EQ(std::stoll(uweb.substr(uweb.rfind('|', uweb.size() - 2) + 1)), int64_t(upload.size()));
}

TEST_F(PackWriterTest, BadJobsAreRefusedAndLeaveNothingBehind) {
  struct Case {
    const char* what;
    std::function<void(PackJob&)> change;
    const char* error;
  } cases[] = {
      {"no PE at 256", [](PackJob& j) { j.stub[256] = 'X'; }, "PE signature"},
      {"stub with a package", [](PackJob& j) { j.stub[252] = 1; }, "already carries"},
      {"bar in a name",
       [](PackJob& j) {
         j.files = {{"a|b", "", "x", 0}};
       },
       "cannot carry"},
      {"star in a name",
       [](PackJob& j) {
         j.files = {{"a*", "", "x", 0}};
       },
       "cannot carry"},
      {"parent folder",
       [](PackJob& j) {
         j.files = {{"..\\x", "", "x", 0}};
       },
       "\"..\""},
      {"absolute",
       [](PackJob& j) {
         j.files = {{"\\x", "", "x", 0}};
       },
       "not relative"},
      {"drive",
       [](PackJob& j) {
         j.files = {{"C:x", "", "x", 0}};
       },
       "not relative"},
      {"same name twice",
       [](PackJob& j) {
         j.files = {{"A.txt", "", "x", 0}, {"a.TXT", "", "y", 0}};
       },
       "twice"},
      {"long token", [](PackJob& j) { j.update.token = "0123456789abcdef"; }, "longer than 15"},
      {"bar in the URL", [](PackJob& j) { j.update.infoUrl = "a|b"; }, "update URL"},
      {"language delimiter", [](PackJob& j) { j.languages[0].items[0].second = "a\x02"; }, "cannot carry"},
      {"missing source",
       [](PackJob& j) {
         j.files = {{"a", "/nonexistent/file", "", 0}};
       },
       "cannot read"},
      {"part too small", [](PackJob& j) { j.layout = PackLayout::Span, j.partSize = 700; }, "too small"},
      {"no part size", [](PackJob& j) { j.layout = PackLayout::Span; }, "part size"},
      {"web without a name", [](PackJob& j) { j.layout = PackLayout::Web, j.web.token = "W"; }, "plain file name"},
      {"web without a token", [](PackJob& j) { j.layout = PackLayout::Web, j.web.setupName = "D.exe"; }, "token"},
      {"level", [](PackJob& j) { j.level = 10; }, "level"},
  };
  for (const auto& c : cases) {
    PackJob job = BaseJob();
    job.files = {{"a.txt", "", "hello", 0}};
    c.change(job);
    std::string error = WritePackage(job, Path("Setup.exe"));
    EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
    EXPECT_TRUE(fs::is_empty(dir)) << c.what;
  }
  // A folder that cannot be written to.
  PackJob job = BaseJob();
  EXPECT_NE(WritePackage(job, Path("missing/Setup.exe")), "");
  EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(PackWriterTest, AFailedBuildKeepsTheOldSetup) {
  PackJob job = BaseJob();
  ASSERT_EQ(WritePackage(job, Path("Setup.exe")), "");
  const std::string before = ReadAll(Path("Setup.exe"));
  job.files = {{"gone", Path("gone.bin"), "", 0}};
  EXPECT_NE(WritePackage(job, Path("Setup.exe")), "");
  EXPECT_EQ(ReadAll(Path("Setup.exe")), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(PackWriterTest, ALaterShorterBuildRemovesTheStaleParts) {
  PackJob job = BaseJob();
  job.level = 0;
  job.files = {{"a.bin", "", std::string(5000, 'a'), 0}};
  job.layout = PackLayout::SpanRelaunch;
  job.partSize = 1500;
  ASSERT_EQ(WritePackage(job, Path("Setup.exe")), "");
  ASSERT_TRUE(fs::exists(Path("Setup.exe.005")));
  std::ofstream(Path("Setup.exe.txt")) << "not a part";
  job.layout = PackLayout::Span;
  job.partSize = 3000;
  std::vector<std::string> written;
  ASSERT_EQ(WritePackage(job, Path("Setup.exe"), &written), "");
  ASSERT_LT(written.size(), 5u);
  std::vector<std::string> left, expected = {"Setup.exe.txt"};
  for (const auto& e : fs::directory_iterator(dir)) left.push_back(e.path().filename().string());
  for (const auto& w : written) expected.push_back(fs::path(w).filename().string());
  std::sort(left.begin(), left.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(left, expected);
}

TEST_F(PackWriterTest, LargeFilesAreReadInPieces) {
  // A file on disk larger than two pieces: pieces of at most kPackPieceSize, progress per piece.
  const std::string big = Path("big.bin");
  const int64_t size = 2 * kPackPieceSize + 12345;
  {
    std::ofstream o(big, std::ios::binary);
    o << std::string(size_t(size), 'b');
  }
  PackJob job = BaseJob();
  job.files = {{"big.bin", big, "", 0}};
  std::vector<int64_t> done;
  ASSERT_EQ(WritePackage(job, Path("Setup.exe"), nullptr,
                         [&](int64_t d, int64_t total, std::string_view) {
                           EXPECT_EQ(total, size);
                           done.push_back(d);
                         }),
            "");
  EXPECT_EQ(done, (std::vector<int64_t>{kPackPieceSize, 2 * kPackPieceSize, size}));
}

// --- what the package reader makes of it

TEST(PackToken, TheReaderDescramblesWhatTheWriterScrambles) {
  for (const char* clear : {"A", "MyApp-2026", "exactly15chars!"})
    for (uint32_t seed : {0u, 5u, 0xFFFFFFFFu}) EXPECT_EQ(DescrambleToken(ScrambleToken(clear, seed)), clear);
}

// The vendor's key rides in a sixth token of the update block. Both directions: a reader that
// knows five tokens (every older stub reads them by index) sees the same five values with or
// without the key, and this reader sees no key in a block written without one.
TEST(PackBlocks, PublicKeyIsASixthTokenThatOlderReadersSkip) {
  const std::string key = "04" + std::string(128, 'a');
  PackUpdateSettings plain{"http://h/u", "App.info", "AppAU.exe", "tok", true, ""};
  PackUpdateSettings keyed = plain;
  keyed.publicKey = key;
  const std::string oldBlock = BuildUpdateBlock(plain, 3), newBlock = BuildUpdateBlock(keyed, 3);
  EXPECT_EQ(newBlock, oldBlock + key + "|");
  for (int i = 0; i < 5; ++i) EXPECT_EQ(SUB::Get(newBlock, i), SUB::Get(oldBlock, i)) << i;
  EXPECT_EQ(SUB::Get(newBlock, 4), "1");  // the hide flag is still exactly "1"
  EXPECT_EQ(SUB::Get(newBlock, 5), key);
  EXPECT_EQ(SUB::Get(oldBlock, 5), "");
}

TEST_F(PackWriterTest, TheReaderSeesThePublicKeyOnlyWhereOneWasWritten) {
  PackJob job = BaseJob();
  job.files = {{"a.txt", "", "hello", 0}};
  job.update = {"http://h/upd", "App.info", "AppAU.exe", "UPD-1", true, ""};
  ASSERT_EQ(WritePackage(job, Path("Plain.exe")), "");
  job.update.publicKey = "04" + std::string(128, 'b');
  ASSERT_EQ(WritePackage(job, Path("Keyed.exe")), "");
  const TGFileInfo plain(Path("Plain.exe")), keyed(Path("Keyed.exe"));
  EXPECT_EQ(plain.GetPublicKey(), "");
  EXPECT_EQ(keyed.GetPublicKey(), job.update.publicKey);
  EXPECT_EQ(keyed.GetUpdateToken(true), "UPD-1");
  EXPECT_TRUE(keyed.GetHideFlag());
}

TEST_F(PackWriterTest, TheReaderSeesTheSettingsOfASetup) {
  PackJob job = BaseJob();
  job.files = {{"a.txt", "", "hello", 0}, {"b.bin", "", std::string(5000, 'b'), 0}};
  job.engine = {"Engine.exe", "", "engine", 0};
  job.update = {"http://h/upd", "App.beta.info", "AppAU.exe", "UPD-1", true, ""};
  job.languages = {{"English", {{"s0", "Hi"}}}, {"Russian", {{"Charset", "204"}}}};
  job.options = kOptionConfirmTempExtract | kOptionSecondaryBar | kOptionAgentLog;
  job.installAgent = true;
  ASSERT_EQ(WritePackage(job, Path("Setup.exe")), "");

  TGFileInfo info(Path("Setup.exe"));
  EXPECT_TRUE(info.ConfirmTempExtract());
  EXPECT_TRUE(info.ShowSecondaryBar());
  EXPECT_TRUE(info.IsAgentLogEnabled());
  EXPECT_TRUE(info.InstallsAgent());
  EXPECT_FALSE(info.IsContinued() || info.WantsSpanRelaunch() || info.IsWebSetup() || info.IsAutoUpdateAgent() ||
               info.ConfirmWebDownload());
  EXPECT_EQ(info.LanguageBlock(), BuildLanguageBlock(job.languages));
  EXPECT_EQ(info.GetInfoUrl(), "http://h/upd");
  EXPECT_EQ(info.GetInfoFileName(), "App.beta.info");
  EXPECT_EQ(info.GetOriginalFileName(), "App.original");
  EXPECT_EQ(info.GetAgentExeName(), "AppAU.exe");
  EXPECT_EQ(info.GetUpdateToken(true), "UPD-1");
  EXPECT_TRUE(info.GetHideFlag());
  EXPECT_EQ(info.WebBlock(), "");
  EXPECT_EQ(info.Trailer().EntryCount(), 3u);
  EXPECT_EQ(RequiredSpaceForCluster(info.Trailer(), 4096), 4.0 * 4096);
  EXPECT_EQ(RequiredSpaceForCluster(info.Trailer(), 0), 5011.0);
  EXPECT_EQ(ComputePackageChecksum(Path("Setup.exe"), 74), info.Trailer().Checksum());
  EXPECT_NE(info.Trailer().Checksum(), kChecksumDisabled);
}

TEST_F(PackWriterTest, WithoutATokenThePackageGetsARandomOne) {
  PackJob job = BaseJob();
  job.update.token.clear();
  ASSERT_EQ(WritePackage(job, Path("One.exe")), "");
  ASSERT_EQ(WritePackage(job, Path("Two.exe")), "");
  const std::string one = TGFileInfo(Path("One.exe")).GetUpdateToken(true);
  EXPECT_EQ(one, TGFileInfo(Path("One.exe")).GetUpdateToken(true));  // it decodes
  EXPECT_EQ(one.size(), 12u);
  EXPECT_NE(one, TGFileInfo(Path("Two.exe")).GetUpdateToken(true));
}

TEST_F(PackWriterTest, TheReaderSeesTheWebSetupAndItsUpload) {
  PackJob job = BaseJob();
  job.files = {{"a.txt", "", "hello", 0}};
  job.layout = PackLayout::Web;
  job.web = {"http://127.0.0.1:8080/dl", "SetupData.exe", true, "WEB-7"};
  job.confirmDownload = true;
  ASSERT_EQ(WritePackage(job, Path("Setup.exe")), "");
  TGFileInfo stub(Path("Setup.exe")), upload(Path("SetupData.exe"));
  EXPECT_TRUE(stub.IsWebSetup());
  EXPECT_TRUE(stub.ConfirmWebDownload());
  EXPECT_EQ(stub.GetWebUrl(), "http://127.0.0.1:8080/dl");
  EXPECT_EQ(stub.GetWebSetupName(), "SetupData.exe");
  EXPECT_TRUE(stub.GetWebAlwaysDownload());
  EXPECT_EQ(stub.GetWebToken(true), "WEB-7");
  EXPECT_EQ(stub.GetWebSize(), std::to_string(fs::file_size(Path("SetupData.exe"))));
  EXPECT_FALSE(upload.IsWebSetup());
  EXPECT_EQ(upload.GetWebToken(true), stub.GetWebToken(true));
  EXPECT_EQ(upload.Trailer().EntryCount(), 1u);
  for (const char* name : {"Setup.exe", "SetupData.exe"}) {
    TPackTrailer t;
    ASSERT_TRUE(ReadTrailer(Path(name), t));
    EXPECT_EQ(ComputePackageChecksum(Path(name), 74), t.Checksum()) << name;
  }
}

TEST_F(PackWriterTest, TheReaderAcceptsEveryPartOfASet) {
  PackJob job = BaseJob();
  job.files = {{"a.bin", "", std::string(30000, 'a') + std::string(30000, 'z'), 0}};
  job.level = 0;
  for (PackLayout layout : {PackLayout::Span, PackLayout::SpanRelaunch}) {
    job.layout = layout;
    job.partSize = 9000;
    std::vector<std::string> written;
    ASSERT_EQ(WritePackage(job, Path("Setup.exe"), &written), "");
    ASSERT_GE(written.size(), 7u);
    for (size_t i = 0; i < written.size(); ++i) {
      TPackTrailer t;
      ASSERT_TRUE(ReadTrailer(written[i], t)) << written[i];
      EXPECT_EQ(t.Magic(), kPackMagic);
      EXPECT_EQ(ComputePackageChecksum(written[i], 74), t.Checksum()) << written[i];
    }
    TGFileInfo setup(Path("Setup.exe"));
    EXPECT_EQ(setup.WantsSpanRelaunch(), layout == PackLayout::SpanRelaunch);
    EXPECT_EQ(setup.IsContinued(), layout == PackLayout::Span);
    EXPECT_EQ(setup.GetUpdateToken(true), "T1");
    for (const auto& path : written) fs::remove(path);
  }
}

// The relaunched copy starts from the started file's name + ".001" and must find the whole set; the
// files come from disk in pieces across 3+ parts and keep their bytes and time stamps.
TEST_F(PackWriterTest, RelaunchSetExtractsWholeFromThe001Part) {
  constexpr uint32_t kStamp = ((2024 - 1980) * 512 + 2 * 32 + 29) << 16 | (13 * 2048 + 37 * 32 + 21);
  fs::create_directories(dir / "src");
  std::string random(70000, '\0');
  uint32_t x = 9;
  for (char& c : random) c = char((x = x * 1103515245u + 12345u) >> 23);
  const std::vector<std::pair<std::string, std::string>> sources = {
      {"data\\r.bin", random}, {"t.txt", std::string(30000, 't')}, {"e.txt", ""}};
  PackJob job = BaseJob();
  for (const auto& [name, data] : sources) {
    const std::string path = Path("src/" + std::to_string(job.files.size()));
    std::ofstream(path, std::ios::binary) << data;
    job.files.push_back({name, path, "", kStamp});
  }
  job.engine = {"Engine.exe", "", "engine", kStamp};
  job.update.agentExe = "AppAU.exe";
  job.installAgent = true;
  job.layout = PackLayout::SpanRelaunch;
  job.partSize = 30000;
  std::vector<std::string> written;
  ASSERT_EQ(WritePackage(job, Path("Setup.exe"), &written), "");
  ASSERT_GE(written.size(), 4u);  // the started file, then .001, .002, .003 at least

  fixture::RecordingUI ui;
  const std::string out = Path("out");
  const ExtractResult r = ExtractPackage(Path("Setup.exe.001"), out, "AppAU.exe", ui, false);
  const std::string& marked = r.markedEntry;
  EXPECT_TRUE(r.checksumOk);
  EXPECT_TRUE(ui.prompts.empty());
  EXPECT_EQ(marked, "Engine.exe*");
  for (const auto& [name, data] : sources) {
    std::string path = out + "/" + name;
    std::replace(path.begin(), path.end(), '\\', '/');
    EXPECT_TRUE(ReadAll(path) == data) << name;
    EXPECT_EQ(GetFileDosTime(path), kStamp) << name;
  }
  EXPECT_EQ(ReadAll(out + "/Engine.exe"), "engine");
  // The agent copy is cut from the executable first part.
  TGFileInfo agent(out + "/AppAU.exe");
  EXPECT_TRUE(agent.IsAutoUpdateAgent());
  EXPECT_EQ(agent.GetUpdateToken(true), "T1");
  EXPECT_EQ(ReadAll(out + "/AppAU.exe").substr(0, 248), job.stub.substr(0, 248));
}

}  // namespace
