// The package reader against packages laid out by hand: trailer location with and without the end
// mark, the checksum's coverage and size limit, meta blocks, flags, tokens and the space table.
#include "pack/PackX.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "PackFixture.h"
#include "env/LangRes0.h"
#include "env/SLangId.h"
#include "pack/PackFile.h"
#include "util/Utils.h"

using namespace fixture;

namespace {
Package SamplePackage() {
  Package p;
  p.stub = StubImage();
  p.blocks = {CompressedBlock(Entry("a.txt", "0", "alpha")), StoredBlock(Entry("b.txt", "0", "beta"))};
  p.fields.entryCount = 2;
  p.fields.options = kOptionContinued | kOptionAgentLog;
  p.fields.space[0] = 9;
  return p;
}

struct Read {
  TPackTrailer trailer;
  uint32_t checksum;
};

Read ReadBoth(const std::string& path) {
  Read r;
  ReadTrailer(path, r.trailer);
  r.checksum = ComputePackageChecksum(path, r.trailer.Length());
  return r;
}
}  // namespace

TEST(PackTrailer, MarkZeroAndMarkAtTheEndReadTheSame) {
  TempDir dir;
  Package p = SamplePackage();
  std::string withMark = Build(p);
  p.mark = false;
  std::string withoutMark = Build(p);
  for (auto& bytes : {withMark, withoutMark}) {
    std::string path = dir.Write("p.exe", bytes);
    Read r = ReadBoth(path);
    EXPECT_EQ(r.trailer.Magic(), kPackMagic);
    EXPECT_EQ(r.trailer.EntryCount(), 2u);
    EXPECT_EQ(r.trailer.Length(), 74u);
    EXPECT_EQ(r.checksum, r.trailer.Checksum());
    TGFileInfo info(path);
    EXPECT_EQ(info.UpdateBlock(), p.update);
    EXPECT_EQ(info.LanguageBlock(), p.language);
    EXPECT_TRUE(info.IsContinued());
  }
}

TEST(PackTrailer, BytesAfterTheMarkedEndChangeNothing) {
  TempDir dir;
  std::string bytes = Build(SamplePackage());
  Read plain = ReadBoth(dir.Write("p.exe", bytes));
  for (size_t extra : {1u, 3u, 74u, 5000u}) {
    std::string path = dir.Write("q.exe", bytes + std::string(extra, '\x5A'));
    Read r = ReadBoth(path);
    EXPECT_EQ(r.trailer.bytes, plain.trailer.bytes) << extra;
    EXPECT_EQ(r.checksum, plain.checksum) << extra;
    EXPECT_EQ(TGFileInfo(path).UpdateBlock(), SamplePackage().update);
  }
}

TEST(PackChecksum, CoverageWithTheMarkSet) {
  TempDir dir;
  Package p = SamplePackage();
  p.stub = StubImage(700 + (4 - (Build(p).size() - 74) % 4) % 4);
  const std::string bytes = Build(p);
  const uint32_t stored = GetU32(bytes, bytes.size() - 58);
  const size_t trailerStart = bytes.size() - 74;
  ASSERT_EQ(trailerStart % 4, 0u) << "fixture should put the trailer on a word boundary";
  struct Case {
    size_t offset;
    bool counts;
  } cases[] = {
      {2, false},                 // DOS header
      {248, false},               // high half of the mark
      {300, false},               // still inside the first 512 bytes
      {511, false},               //
      {512, true},                // first counted word
      {trailerStart - 9, true},   // last counted word
      {trailerStart - 8, false},  // the last two words before a word-aligned trailer
      {trailerStart - 1, false},  //
  };
  for (const Case& c : cases) {
    std::string changed = bytes;
    changed[c.offset] = char(changed[c.offset] ^ 0x40);
    std::string path = dir.Write("c.exe", changed);
    EXPECT_EQ(ComputePackageChecksum(path, 74) != stored, c.counts) << c.offset;
  }
}

TEST(PackChecksum, PartFileStartsAtZeroAndLongFilesAddPerChunk) {
  TempDir dir;
  Package p;
  p.withMeta = false;
  p.blocks = {StoredBlock(Entry("big.bin", "0", std::string(9000, 'q')))};
  std::string bytes = Build(p);
  ASSERT_GT(bytes.size(), 8192u);
  std::string path = dir.Write("Setup.exe.002", bytes);
  // Three reads of which two are full and leave more than 4 bytes to go: 2 x 1234 on top.
  EXPECT_EQ(ComputePackageChecksum(path, 74), Checksum(bytes, false));
  EXPECT_EQ(ComputePackageChecksum(path, 74), GetU32(bytes, bytes.size() - 58));
}

// The sum as defined, one 4096-byte read after the other, against the reader's batched reads: the
// same result for every size around the read and batch boundaries, with and without the end mark
// (including a mark past the end of the file), and with bytes after the marked end.
TEST(PackChecksum, SameAsReadsOf4096ForEverySize) {
  auto reference = [](std::string_view file, int64_t trailerLength) {
    int64_t size = int64_t(file.size());
    size_t at = 0;
    const bool exe = file.size() >= 258 && file.substr(0, 2) == "MZ" && file.substr(256, 2) == "PE";
    const uint32_t mark = exe ? GetU32(file, 252) : 0;
    if (mark != 0) size = mark, at = 512;
    int64_t remaining = size - trailerLength - int64_t(at);
    uint32_t sum = 0;
    size_t got;
    do {
      got = std::min<size_t>(4096, file.size() - std::min(at, file.size()));
      for (size_t i = 0; i + 4 <= got; i += 4) {
        remaining -= 4;
        if (remaining > 4) sum += GetU32(file, at + i);
      }
      at += got;
      if (remaining > 4) sum += 1234;
    } while (got == 4096 && remaining > 4);
    return sum;
  };
  TempDir dir;
  uint32_t x = 2463534242u;
  std::string noise(3 * 65536 + 9000, '\0');
  for (char& c : noise) c = char((x ^= x << 13, x ^= x >> 17, x ^= x << 5) >> 24);
  for (size_t size : {0u,     1u,     3u,      4u,      5u,      8u,      9u,      12u,    13u,    74u,    75u,
                      78u,    82u,    83u,     87u,     4095u,   4096u,   4097u,   4100u,  4170u,  4171u,  4174u,
                      4178u,  4179u,  8192u,   8266u,   65535u,  65536u,  65537u,  65610u, 65614u, 65618u, 65619u,
                      69632u, 69706u, 131071u, 131072u, 131073u, 131146u, 196608u, 196690u}) {
    const std::string part = noise.substr(0, size);
    const std::string path = dir.Write("s.001", part);
    for (int64_t trailerLength : {74, 4})
      EXPECT_EQ(ComputePackageChecksum(path, trailerLength), reference(part, trailerLength)) << size;
    if (size < 600) continue;
    for (int64_t markShift : {0, -5000, -4095, 1, 9000}) {
      std::string exe = part;
      exe[0] = 'M', exe[1] = 'Z', exe[256] = 'P', exe[257] = 'E';
      PutU32(exe, 252, uint32_t(int64_t(size) + markShift));
      const std::string exePath = dir.Write("s.exe", exe);
      EXPECT_EQ(ComputePackageChecksum(exePath, 74), reference(exe, 74)) << size << " " << markShift;
    }
  }
}

TEST(PackChecksum, SizeLimit) {
  TempDir dir;
  std::string path = dir.File("big.001");
  std::filesystem::resize_file(dir.Write("big.001", ""), kChecksumSizeLimit + 1);
  EXPECT_EQ(ComputePackageChecksum(path, 74), kChecksumDisabled);
  // At the limit the file is summed: all zero words, plus 1234 for every full read but the last ones.
  std::filesystem::resize_file(path, kChecksumSizeLimit);
  EXPECT_EQ(ComputePackageChecksum(path, 74), Checksum(std::string(size_t(kChecksumSizeLimit), '\0'), false));
  EXPECT_NE(ComputePackageChecksum(path, 74), kChecksumDisabled);
}

TEST(PackChecksum, AcceptanceRule) {
  EXPECT_TRUE(ChecksumAccepted(77, 77));
  EXPECT_FALSE(ChecksumAccepted(77, 78));
  EXPECT_TRUE(ChecksumAccepted(kChecksumDisabled, 78));
  EXPECT_TRUE(ChecksumAccepted(77, kChecksumDisabled));
}

TEST(PackTrailer, ShortAndBrokenLengths) {
  TempDir dir;
  Package p = SamplePackage();
  p.stub.clear();
  std::string full = Build(p);
  // An older 70-byte trailer: the last four fields (the flag bytes) are zero-filled.
  std::string shorter = full.substr(0, full.size() - 74) + full.substr(full.size() - 74, 66) + U32(70);
  TPackTrailer t;
  ASSERT_TRUE(ReadTrailer(dir.Write("s.001", shorter), t));
  EXPECT_EQ(t.Length(), 70u);
  EXPECT_EQ(t.Magic(), kPackMagic);
  EXPECT_EQ(t.Options(), kOptionContinued | kOptionAgentLog);

  for (uint32_t bad : {0u, 3u, 0xFFFFFFFFu, 0x80000000u, uint32_t(full.size() + 1)}) {
    std::string broken = full;
    PutU32(broken, broken.size() - 4, bad);
    TPackTrailer zero;
    EXPECT_FALSE(ReadTrailer(dir.Write("b.001", broken), zero)) << bad;
    EXPECT_EQ(zero.bytes, TPackTrailer().bytes) << bad;
    EXPECT_TRUE(TGFileInfo(dir.File("b.001")).UpdateBlock().empty());
  }
  TPackTrailer tiny;
  EXPECT_FALSE(ReadTrailer(dir.Write("tiny", "ab"), tiny));
}

TEST(PackReader, MetaBlockCounts) {
  TempDir dir;
  Package p = SamplePackage();
  p.fields.metaCount = 0;
  TGFileInfo two(dir.Write("two.exe", Build(p)));
  EXPECT_EQ(two.Trailer().MetaBlockCount(), 2);
  EXPECT_TRUE(two.WebBlock().empty());
  EXPECT_EQ(two.Trailer().FirstBlockOffset(), p.stub.size() + 8 + p.language.size() + p.update.size());

  p.fields.metaCount = 3;
  p.web = "|http://w/s|Setup.exe|1|tok|2097152|";
  TGFileInfo three(dir.Write("three.exe", Build(p)));
  EXPECT_EQ(three.WebBlock(), p.web);
  EXPECT_EQ(three.Trailer().FirstBlockOffset(),
            p.stub.size() + 12 + p.language.size() + p.update.size() + p.web.size());
  EXPECT_EQ(three.GetWebUrl(), "http://w/s");
  EXPECT_EQ(three.GetWebSetupName(), "Setup.exe");
  EXPECT_TRUE(three.GetWebAlwaysDownload());
  EXPECT_EQ(three.GetWebToken(false), "tok");
  EXPECT_EQ(three.GetWebSize(), "2097152");
}

TEST(PackReader, FlagsAndUpdateTokens) {
  TempDir dir;
  Package p = SamplePackage();
  p.update = "|http://h/u|C:\\x\\App.info|AU.exe|cbbebdfthsddxxce|1|";
  p.fields.options = 0x1F;
  p.fields.web = 2;
  p.fields.confirmDownload = 1;
  p.fields.installAgent = 1;
  p.fields.autoUpdate = 1;
  TGFileInfo all(dir.Write("all.exe", Build(p)));
  EXPECT_TRUE(all.ConfirmTempExtract() && all.IsContinued() && all.WantsSpanRelaunch() && all.ShowSecondaryBar() &&
              all.IsAgentLogEnabled() && all.IsWebSetup() && all.ConfirmWebDownload() && all.InstallsAgent() &&
              all.IsAutoUpdateAgent() && all.GetHideFlag());
  EXPECT_EQ(all.GetInfoUrl(), "http://h/u");
  EXPECT_EQ(all.GetInfoFileName(), "App.info");
  EXPECT_EQ(all.GetOriginalFileName(), "App.original");
  EXPECT_EQ(all.GetAgentExeName(), "AU.exe");
  EXPECT_EQ(all.GetUpdateToken(false), "cbbebdfthsddxxce");
  EXPECT_EQ(all.GetUpdateToken(true), "Hi!");

  p.update = "|u|App.info|AU.exe|t|yes|";
  p.fields = TrailerFields{};
  TGFileInfo none(dir.Write("none.exe", Build(p)));
  EXPECT_FALSE(none.ConfirmTempExtract() || none.IsContinued() || none.WantsSpanRelaunch() || none.ShowSecondaryBar() ||
               none.IsAgentLogEnabled() || none.IsWebSetup() || none.ConfirmWebDownload() || none.InstallsAgent() ||
               none.IsAutoUpdateAgent() || none.GetHideFlag());
  EXPECT_TRUE(none.GetWebUrl().empty());
}

TEST(PackReader, OriginalFileName) {
  TempDir dir;
  struct Case {
    const char *token, *expected;
  } cases[] = {{"App.info", "App.original"},
               {"App.beta.info", "App.original"},
               {".info", ".original"},
               {"D:\\apps\\App.info", "App.original"},
               {"App", "App.original"}};
  for (const Case& c : cases) {
    Package p = SamplePackage();
    p.update = std::string("|u|") + c.token + "|AU.exe|t|0|";
    EXPECT_EQ(TGFileInfo(dir.Write("o.exe", Build(p))).GetOriginalFileName(), c.expected) << c.token;
  }
}

TEST(PackReader, MissingForeignAndDamagedFiles) {
  TempDir dir;
  TGFileInfo missing(dir.File("nothing.exe"));
  EXPECT_EQ(missing.Trailer().bytes, TPackTrailer().bytes);
  EXPECT_TRUE(missing.LanguageBlock().empty() && missing.UpdateBlock().empty());
  EXPECT_EQ(missing.GetRequiredSpace(dir.path.string()), 0.0);
  EXPECT_FALSE(missing.IsContinued());

  // Wrong magic: the record keeps the bytes read, the blocks stay empty.
  Package p = SamplePackage();
  p.fields.magic = 0x11223344;
  TGFileInfo foreign(dir.Write("foreign.exe", Build(p)));
  EXPECT_EQ(foreign.Trailer().Magic(), 0x11223344u);
  EXPECT_TRUE(foreign.UpdateBlock().empty());
  EXPECT_TRUE(foreign.GetInfoUrl().empty());

  // A language block length that runs past the end of the file is not read.
  std::string bytes = Build(SamplePackage());
  PutU32(bytes, 700, 0x7FFFFFF0);
  TGFileInfo damaged(dir.Write("damaged.exe", bytes));
  EXPECT_TRUE(damaged.LanguageBlock().empty() && damaged.UpdateBlock().empty());
}

TEST(PackReader, StubDetectionAndEndMark) {
  TempDir dir;
  std::string image = StubImage(600);
  PutU32(image, 248, 1);
  PutU32(image, 252, 0x10);
  EXPECT_TRUE(IsStubExecutable(dir.Write("s.exe", image)));
  PackFile file(dir.File("s.exe"));
  EXPECT_EQ(ReadPackageEnd(file), 0x100000010ull);
  EXPECT_EQ(ReadPackageEndFromImage(image), 0x100000010ull);
  EXPECT_EQ(ReadPackageEndFromImage(image.substr(0, 255)), 0u);

  std::string noPe = image;
  noPe[257] = 'X';
  std::string noMz = image;
  noMz[0] = 'Z';
  EXPECT_FALSE(IsStubExecutable(dir.Write("a", noPe)));
  EXPECT_FALSE(IsStubExecutable(dir.Write("b", noMz)));
  EXPECT_FALSE(IsStubExecutable(dir.Write("c", "MZ")));
  EXPECT_FALSE(IsStubExecutable(dir.File("missing")));
}

TEST(PackReader, SpaceTableByClusterSize) {
  TPackTrailer t;
  for (int i = 0; i < 9; ++i) t.SetSpace(i, 1000 + uint32_t(i));
  struct Case {
    uint32_t cluster;
    double expected;
  } cases[] = {{0, 1000},    {511, 1000},  {512, 1001},   {1024, 1002},
               {4096, 1004}, {6000, 1004}, {65536, 1008}, {1u << 20, 1008}};
  for (const Case& c : cases) EXPECT_EQ(RequiredSpaceForCluster(t, c.cluster), c.expected) << c.cluster;
}

TEST(PackToken, Descramble) {
  // Bytes 10 03 02 4B 6A 22 FF 13: key 10^13 = 03; a = 03^03 = 0, b = 02^03 = 1; the text is the
  // 8-0-1-4 = 3 bytes from B[4]: 4B^03 6A^03 22^03 = "Hi!"; the check byte FF is the sum of the
  // others. Hex digits shifted by 50: "0".."9" -> "b".."k", "A".."F" -> "s".."x".
  EXPECT_EQ(DescrambleToken("cbbebdfthsddxxce"), "Hi!");
  // Lower-case hex digits shift into the upper half of the code page and are read as well.
  EXPECT_EQ(DescrambleToken("cbbebdf\x94h\x93"
                            "dd\x98\x98"
                            "ce"),
            "Hi!");

  auto isRandomNumber = [](const std::string& s) {
    if (s.empty() || s.size() > 5) return false;
    for (char c : s)
      if (c < '0' || c > '9') return false;
    return std::stol(s) <= 99998;
  };
  for (const char* bad : {"cbbebdfthsddxwce", "cbbebdft", "", "cbbebdfthsddxxc!", "zzzzzzzzzz"})
    EXPECT_TRUE(isRandomNumber(DescrambleToken(bad))) << bad;
}

TEST(PackToken, InformHeader) {
  TInformHeader h = ParseInformHeader("|cbbebdfthsddxxce|x|y|{\\rtf body|with bar}");
  EXPECT_EQ(h.token, "Hi!");
  EXPECT_EQ(h.body, "{\\rtf body|with bar}");
  TInformHeader scrambled = ParseInformHeader(ScrambleTextWithKey("|cbbebdfthsddxxce|a|b|text", true, false, 65));
  EXPECT_EQ(scrambled.token, "Hi!");
  EXPECT_EQ(scrambled.body, "text");
  TInformHeader shortOne = ParseInformHeader("|cbbebdfthsddxxce|x");
  EXPECT_EQ(shortOne.token, "Hi!");
  EXPECT_TRUE(shortOne.body.empty());
  EXPECT_TRUE(ParseInformHeader("no bars").body.empty());
}

TEST(PackReader, LanguageFontAndCharset) {
  TempDir dir;
  Package p = SamplePackage();
  p.language = LanguageBlock({Language("English", {"FontSize=big", "FontName=Arial", "s0=Titel"})});
  TGFileInfo info(dir.Write("l.exe", Build(p)));
  ResetLanguageSelection();
  SetSystemLanguageId(9);
  EXPECT_EQ(info.GetLangString("s0", "Velkit Installation Suite"), "Titel");
  EXPECT_EQ(info.GetCharset(), 0);
  EXPECT_EQ(info.GetFontSize(), 8);
  EXPECT_EQ(info.GetFontName(), "Arial");
  ResetLanguageSelection();
  p.language = LanguageBlock({Language("English", {"Charset=204", "FontSize=10"})});
  TGFileInfo other(dir.Write("m.exe", Build(p)));
  EXPECT_EQ(other.GetCharset(), 204);
  EXPECT_EQ(other.GetFontSize(), 10);
  EXPECT_EQ(other.GetFontName(), "Tahoma");
}
