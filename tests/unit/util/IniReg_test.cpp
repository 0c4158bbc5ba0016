// INI settings, registry paths and value texts, and the pump slices of a wait.
#include "util/IniReg.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "util/Files.h"

namespace fs = std::filesystem;

TEST(Registry, SplitRegPath) {
  struct Case {
    const char* path;
    RegRoot root;
    const char* subKey;
  } cases[] = {
      {"hklm\\Software\\X", RegRoot::LocalMachine, "Software\\X"},
      {"Software\\X", RegRoot::CurrentUser, "Software\\X"},
      {"HKXX\\Y", RegRoot::CurrentUser, "Y"},
      {"  HKEY_CLASSES_ROOT\\.txt  ", RegRoot::ClassesRoot, ".txt"},
      {"HKU", RegRoot::Users, ""},
      {"hkcc\\System\\A\\B", RegRoot::CurrentConfig, "System\\A\\B"},
      {"HKEY_DYN_DATA\\PerfStats", RegRoot::DynData, "PerfStats"},
      {"HKEY_LOCAL_MACHINEX\\S", RegRoot::CurrentUser, "S"},
      {"", RegRoot::CurrentUser, ""},
  };
  for (const Case& c : cases) {
    RegPath rp = SplitRegPath(c.path);
    EXPECT_EQ(rp.root, c.root) << c.path;
    EXPECT_EQ(rp.subKey, c.subKey) << c.path;
  }
}

TEST(Registry, ValueText) {
  using namespace std::string_literals;
  struct Case {
    unsigned long type;
    std::string data, text;
  } cases[] = {
      {kRegDword, "\xFF\xFF\xFF\xFF"s, "4294967295"},
      {kRegDword, "\x2A\x00\x00\x00"s, "42"},
      {kRegDword, "\x2A\x00"s, "*"},  // not 4 bytes: read as text
      {kRegMultiSz, "a\0b\0\0"s, "a<0>b"},
      {kRegMultiSz, "one\0\0two\0\0"s, "one<0><0>two"},
      {kRegMultiSz, "\0\0"s, ""},
      {kRegSz, "text\0junk"s, "text"},
      {kRegExpandSz, "%TEMP%\\x\0"s, "%TEMP%\\x"},
      {kRegSz, ""s, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(RegValueText(c.type, c.data), c.text) << c.type;
}

TEST(Registry, VersionKeyByPlatform) {
  EXPECT_EQ(WindowsVersionKeyFor(true), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
  EXPECT_EQ(WindowsVersionKeyFor(false), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
}

namespace {
class IniFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("vkini." + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                       "." + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    file = (dir / "App.original").string();
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
  std::string file;
};
}  // namespace

TEST_F(IniFile, ReadRules) {
  ASSERT_TRUE(WriteFileData(file,
                            "[General]\r\n"
                            "Version = 1.2.3 \r\n"
                            "Empty=\r\n"
                            "Count=42\r\n"
                            "Neg=-7\r\n"
                            "Junk=12abc\r\n"
                            "Quoted=\" spaced \"\r\n"
                            "[Other]\r\n"
                            "Count=9\r\n"));
  struct Case {
    const char *section, *key, *def, *expected;
  } cases[] = {
      {"General", "Version", "x", "1.2.3"},  {"general", "VERSION", "x", "1.2.3"},
      {"General", "Empty", "dflt", "dflt"},  {"General", "Missing", "dflt", "dflt"},
      {"", "Version", "dflt", "dflt"},       {"Other", "Count", "", "9"},
      {"General", "Quoted", "", " spaced "}, {"Nowhere", "Count", "d", "d"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReadIniString(file, c.section, c.key, c.def), c.expected) << c.section << "/" << c.key;

  struct IntCase {
    const char* key;
    int64_t def, expected;
  } ints[] = {{"Count", 5, 42}, {"Neg", 5, -7}, {"Junk", 5, 5}, {"Empty", -1, -1}, {"Version", 3, 3}, {"None", 8, 8}};
  for (const IntCase& c : ints) EXPECT_EQ(ReadIniInt(file, "General", c.key, c.def), c.expected) << c.key;
}

TEST_F(IniFile, WriteThenRead) {
  EXPECT_EQ(ReadIniString(file, "", "k", "d"), "d");
  EXPECT_FALSE(fs::exists(file));
  ASSERT_TRUE(WriteIniString(file, "Update", "Url", "http://x/"));
  ASSERT_TRUE(WriteIniInt(file, "Update", "LastCheck", 4000000000LL));
  ASSERT_TRUE(WriteIniString(file, "Other", "A", "1"));
  ASSERT_TRUE(WriteIniString(file, "update", "url", "http://y/"));
  EXPECT_EQ(ReadIniString(file, "Update", "Url", ""), "http://y/");
  EXPECT_EQ(ReadIniInt(file, "Update", "LastCheck", 0), 4000000000LL);
  EXPECT_EQ(ReadIniString(file, "Other", "A", ""), "1");
}
