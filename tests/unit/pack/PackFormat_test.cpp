// The format's shared rules against bytes worked out by hand: the trailer record, the end mark,
// the stub check, part names, and the information file's text. Each is read back by the reader
// it serves, so the writer and the reader cannot drift apart.
#include "pack/PackFormat.h"

#include <gtest/gtest.h>

#include "pack/InfoFileKeys.h"
#include "pack/InfoFileWriter.h"
#include "pack/PackWriter.h"
#include "util/IniFile.h"

namespace {

TEST(PackFormat, TrailerFieldsLandOnTheirBytes) {
  PackTrailerFields f;
  f.metaBlocks = 3;
  f.firstBlock = 0x01020304;
  f.entryCount = 7;
  f.checksum = 0xA1B2C3D4;
  f.space.bytes[0] = 5;
  f.space.bytes[8] = 0x11223344;
  f.options = kOptionContinued | kOptionAgentLog;
  f.webSetup = f.autoUpdateAgent = true;
  const std::string t = BuildTrailer(f);

  std::string expected(74, '\0');
  expected[0] = 1;
  expected[1] = 3;
  expected.replace(4, 4, "\x04\x03\x02\x01");
  expected[8] = 7;
  expected.replace(12, 4, "\x1D\x2C\x3B\x4A");
  expected.replace(16, 4, "\xD4\xC3\xB2\xA1");
  expected[28] = 5;
  expected.replace(60, 4, "\x44\x33\x22\x11");
  expected[65] = 18;
  expected[66] = 1;
  expected[69] = 1;
  expected[70] = 74;
  EXPECT_EQ(t, expected);

  TPackTrailer read;
  std::copy(t.begin(), t.end(), read.bytes.begin());
  EXPECT_EQ(read.MetaBlockCount(), 3);
  EXPECT_EQ(read.FirstBlockOffset(), 0x01020304u);
  EXPECT_EQ(read.EntryCount(), 7u);
  EXPECT_EQ(read.Magic(), kPackMagic);
  EXPECT_EQ(read.Checksum(), 0xA1B2C3D4u);
  EXPECT_EQ(read.Space(8), 0x11223344u);
  EXPECT_TRUE(read.HasOption(kOptionContinued) && read.HasOption(kOptionAgentLog));
  EXPECT_FALSE(read.HasOption(kOptionSpanRelaunch));
  EXPECT_EQ(read.WebSetupFlag(), 1);
  EXPECT_EQ(read.ConfirmDownloadFlag(), 0);
  EXPECT_EQ(read.AutoUpdateFlag(), 1);
  EXPECT_EQ(read.Length(), 74u);
}

TEST(PackFormat, EndMarkBytesAndTheirReading) {
  const std::string bytes = PackageEndBytes(0x0000000123456789ull);
  EXPECT_EQ(bytes, std::string("\x01\x00\x00\x00\x89\x67\x45\x23", 8));
  std::string image(300, '\0');
  image.replace(kPackageEndHighOffset, 8, bytes);
  EXPECT_EQ(ReadPackageEndFromImage(image), 0x0000000123456789ull);
  EXPECT_EQ(ReadPackageEndFromImage(image.substr(0, 255)), 0u);
}

TEST(PackFormat, StubSignature) {
  std::string stub(258, '\0');
  stub[0] = 'M', stub[1] = 'Z', stub[256] = 'P', stub[257] = 'E';
  struct Case {
    const char* what;
    std::string head;
    bool stub;
  };
  const Case cases[] = {
      {"MZ and PE", stub, true},
      {"cut before PE ends", stub.substr(0, 257), false},
      {"no MZ", "XZ" + stub.substr(2), false},
      {"PE one byte early", stub.substr(0, 255) + "PE" + std::string(1, '\0'), false},
      {"empty", "", false},
  };
  for (const Case& c : cases) EXPECT_EQ(HasStubSignature(c.head), c.stub) << c.what;
  EXPECT_FALSE(IsPackStub(stub)) << "a stub that cannot hold the skipped checksum header";
  EXPECT_TRUE(IsPackStub(stub + std::string(254, '\0')));
}

TEST(PackFormat, PartNames) {
  struct Case {
    const char* source;
    int part;
    const char* name;
  };
  const Case cases[] = {
      {"D:\\Setup.exe", 2, "D:\\Setup.exe.002"},
      {"D:\\Setup.exe.001", 2, "D:\\Setup.exe.002"},
      {"D:\\Setup.exe.001", 999, "D:\\Setup.exe.999"},
      {"D:\\Setup.002", 3, "D:\\Setup.002.003"},
  };
  for (const Case& c : cases) EXPECT_EQ(PartFilePath(c.source, c.part), c.name) << c.source;
  EXPECT_EQ(PackPartName("D:\\Setup.exe", 1), "D:\\Setup.exe.001");
}

TEST(InfoFileWriter, LinesAsWrittenAndAsRead) {
  using namespace InfoKey;
  InfoFileWriter w;
  w.Comment("written by a test");
  w.Section(kNewSetup);
  w.Key(kVersionNew, "6");
  w.Key(kRemoveStartUpShortcut, "1");
  w.Section(kGeneral, true);
  w.Key(kAutoInformOn, "");
  EXPECT_EQ(w.Text(),
            "; written by a test\r\n[NewSetup]\r\nVersionNew=6\r\nRemoveStartUpShortcut=1\r\n\r\n[General]\r\n"
            "AutoInform=\r\n");
  IniFile ini;
  ASSERT_TRUE(ini.Parse(w.Text()));
  EXPECT_EQ(ini.Get(kNewSetup, kVersionNew), "6");
  EXPECT_EQ(ini.Get(kNewSetup, kRemoveStartUpShortcut), "1");
  EXPECT_TRUE(ini.Has(kGeneral, kAutoInformOn));
}

}  // namespace
