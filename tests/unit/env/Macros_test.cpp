// ExpandMacros over a table-made machine: step order, the suffix rule, the "if changed" removal
// of the short folder forms, date, names, hooks and the final collapse and dot resolution.
#include "env/Macros.h"

#include <gtest/gtest.h>

#include "FakeEnvironment.h"

namespace {
class MacrosTest : public ::testing::Test {
 protected:
  MacrosTest() {
    env_.AddDir("C:\\WINDOWS\\system");
    env_.folder[0x8005] = "C:\\Docs\\joe\\My Documents";
    for (const char* d : {"C:\\Docs\\joe\\My Documents", "C:\\Docs\\joe", "C:\\Docs"}) env_.AddDir(d);
    macros_.SetInstallFolders("C:\\App", "D:\\Common", "E:\\Aux");
  }
  // The product's one call: suffix "\" and all three flags.
  std::string Expand(std::string_view text) { return macros_.ExpandMacros(text, "\\", true, true, true); }

  FakeEnvironment env_;
  FakeClock clock_;
  Macros macros_{env_, clock_};
};

struct Case {
  const char* text;
  const char* expected;
};
}  // namespace

TEST_F(MacrosTest, FolderMacros) {
  const Case cases[] = {
      {"<InstallDir>", "C:\\App"},
      {"<installdir>", "C:\\App"},
      {"<INSTALLDIR>App.exe", "C:\\App\\App.exe"},
      {"<InstallDir>\\App.exe", "C:\\App\\App.exe"},  // the doubled backslash collapses
      {"\"<InstallDir>\"", "\"C:\\App\""},
      {"<InstallDir> /x", "C:\\App /x"},
      {"<InstallDir>a|<InstallCommonDir>b|<InstallAuxDir>c", "C:\\App\\a|D:\\Common\\b|E:\\Aux\\c"},
      {"<Application Folder>x;<Common Folder>y;<Auxiliary Folder>z", "C:\\App\\x;D:\\Common\\y;E:\\Aux\\z"},
      // A long form changes the text, so the short forms vanish; the pair at the end stays.
      {"<Application Folder>\\<InstallDir>", "C:\\App\\\\"},
      {"<Common Folder>x<InstallDir>y", "D:\\Common\\xy"},
      {"<AbsoluteDir>C:\\x", "C:\\x"},
      {"<WinDir>a <WinSysDir>b <WinSys32Dir>c <WinSys16Dir>d",
       "C:\\WINDOWS\\a C:\\WINDOWS\\system32\\b C:\\WINDOWS\\system32\\c C:\\WINDOWS\\system\\d"},
      {"<Windows Directory>a <System Directory>b <System16 Directory>c",
       "C:\\WINDOWS\\a C:\\WINDOWS\\system32\\b C:\\WINDOWS\\system\\c"},
      {"<InstallDrive>x <InstallDisk>y", "C:\\x C:y"},  // no suffix: the first 3 and 2 characters
      {"<WinDrive>|<WinSysDrive>|<WinDisk>|<WinSysDisk>", "C:\\|C:\\|C:|C:"},
      {"<SrcDir>a <ServiceDir>b <TempDir>c", "C:\\Program Files\\App\\a C:\\Program Files\\App\\b C:\\TEMP\\c"},
      {"<OriginDir>x <OriginDrive> <OriginDisk>", "C:\\Program Files\\App\\x C:\\ C:"},
      {"<UserDir>a <DocumentsAndSettingsDir>b <MyDocumentsDir>c",
       "C:\\Docs\\joe\\a C:\\Docs\\b C:\\Docs\\joe\\My Documents\\c"},
      {"<FontDir>x", "C:\\WINDOWS\\Fonts\\x"},
      {"<ProgramFilesDir>x", "\\x"},  // nothing registered: an empty value, the suffix still added
      {"<RunTimeDir_3>", ""},
      {"<RunTimeDir_9>", "<RunTimeDir_9>"},
      {"<RunTimeDir_1><InstallDir>", "\\"},  // a runtime directory counts as a long form, even an empty one
      {"<RunTimeDir_1>x<InstallDir>", "\\x"},
      {"<Unknown>\\\\x", "<Unknown>\\\\x"},  // nothing expanded: no collapse either
      {"<Unknown><WinDir>", "<Unknown>C:\\WINDOWS"},
      {"C:\\a\\..\\b", "C:\\b"},  // dot parts resolved without any macro
      {"<InstallDir>\\..\\Other\\x.exe", "C:\\Other\\x.exe"},
      {"|<InstallDir>\\..\\x|<WinDir>|", "|C:\\x|C:\\WINDOWS|"},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.text), c.expected) << c.text;
}

TEST_F(MacrosTest, NameDateAndProviderMacros) {
  const Case cases[] = {
      {"<LoggedUserName>/<UserName>/<CompanyName>/<ComputerName>/<CurrentDomainName>/<LastExecutableExitCode>",
       "joe/Joe Owner/Acme/PC1/WORKGROUP/0"},
      {"<loggedusername> <LOGGEDUSERNAME>", "joe joe"},
      {"<EnteredUserName>|<ProjectName>|<SelectedLanguage>", "||"},  // no provider in this product
      {"<UnInstallExePath>", ""},
      {"Log<Date=6>.txt", "Log2026-12-06.txt"},
      {"<Date=9>", "<Date=9>"},
      {"<Date=4>-<Date=6>", "06-12-2026-<Date=6>"},
      {"a<b", "a<b"},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.text), c.expected) << c.text;
}

TEST_F(MacrosTest, FlagsAndSuffix) {
  // Without folder macros the result is the text after the name steps, uncollapsed.
  EXPECT_EQ(macros_.ExpandMacros("<InstallDir>\\\\<UserName>", "\\", false, true, false), "<InstallDir>\\\\Joe Owner");
  // Without dot resolution.
  EXPECT_EQ(macros_.ExpandMacros("<InstallDir>\\..\\x", "\\", false, true, true), "C:\\App\\..\\x");
  EXPECT_EQ(macros_.ExpandMacros("C:\\a\\..\\b", "\\", false, true, true), "C:\\a\\..\\b");
  // Another suffix.
  EXPECT_EQ(macros_.ExpandMacros("<InstallDir>x", "/", false, true, true), "C:\\App/x");
}

TEST_F(MacrosTest, HooksWhenFilled) {
  macros_.SetValueProvider([](std::string_view name) { return "{" + std::string(name) + "}"; });
  EXPECT_EQ(Expand("<EnteredUserName>|<EnteredCompanyName>|<VendorCompanyName>"),
            "{UserName}|{CompanyName}|{VendorCompanyName}");
  EXPECT_EQ(Expand("<UnInstallExePath> <InstallDir>"), "{UnInstallExePath} ");  // changed the text: a long form
  macros_.SetValueProvider({});

  // User macros come first, so their values are expanded by the later steps.
  macros_.SetUserMacros("|<Tools>=<InstallDir>\\Tools|<Empty>=|");
  const Case cases[] = {
      {"<Tools>\\x.exe", "C:\\App\\Tools\\x.exe"}, {"<tools>", "C:\\App\\Tools"}, {"<Empty>x", "x"},
      {"<Other><Tools>", "<Other>C:\\App\\Tools"}, {"<Tools", "<Tools"},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.text), c.expected) << c.text;
  EXPECT_EQ(macros_.ExpandMacros("<Tools>", "\\", false, false, true), "<Tools>");  // user macros off
}

TEST_F(MacrosTest, OriginFolders) {
  // No switch: the own path and folder.
  EXPECT_EQ(macros_.GetOriginExe(), "C:\\Program Files\\App\\Agent.exe");
  env_.originSwitch = "D:\\Setup\\Setup.exe";
  EXPECT_EQ(macros_.GetOriginExe(), "D:\\Setup\\Setup.exe");
  env_.originSwitch.clear();
  EXPECT_EQ(macros_.GetOriginExe(), "D:\\Setup\\Setup.exe");  // kept once found

  Macros fresh(env_, clock_);
  env_.originSwitch = "D:\\Setup\\Setup.exe";
  EXPECT_EQ(fresh.GetOriginDir(), "D:\\Setup");
  env_.originSwitch = "E:\\Other\\Setup.exe";
  EXPECT_EQ(fresh.GetOriginDir(), "D:\\Setup");  // kept from the first call

  Macros bare(env_, clock_);
  env_.originSwitch = "Setup.exe";  // no folder part: the own folder
  EXPECT_EQ(bare.GetOriginDir(), "C:\\Program Files\\App");
  EXPECT_EQ(bare.ExpandMacros("<OriginDrive>", "\\", true, true, true), "C:\\");
}

TEST_F(MacrosTest, ValuesAreAskedOnlyForMacrosPresent) {
  env_.registryReads = 0;
  EXPECT_EQ(Expand("<InstallDir>\\a <WinDir>"), "C:\\App\\a C:\\WINDOWS");
  EXPECT_EQ(env_.registryReads, 0);
  Expand("<FontDir>");
  EXPECT_EQ(env_.registryReads, 1);
}
