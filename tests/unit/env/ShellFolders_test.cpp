// The shell folder getters: which shell request each one makes, and its fallback chain.
#include "env/ShellFolders.h"

#include <gtest/gtest.h>

#include "FakeEnvironment.h"

namespace {
using Getter = std::string (*)(const Environment&, bool);

struct Named {
  const char* name;
  Getter getter;
};

#define NAMED(g) \
  { #g, g }
const Named kGetters[] = {
    NAMED(GetUserDir),
    NAMED(GetDocumentsAndSettingsDir),
    NAMED(GetAllUsersDir),
    NAMED(GetUserAppDataDir),
    NAMED(GetUserLocalAppDataDir),
    NAMED(GetAllUsersAppDataDir),
    NAMED(GetMyDocumentsDir),
    NAMED(GetAllUsersDocumentsDir),
    NAMED(GetUserStartMenuDir),
    NAMED(GetAllUsersStartMenuDir),
    NAMED(GetUserProgramsDir),
    NAMED(GetAllUsersProgramsDir),
    NAMED(GetUserDesktopDir),
    NAMED(GetAllUsersDesktopDir),
};
#undef NAMED

// A current shell: every request answered with an existing folder named after its CSIDL.
FakeEnvironment ModernShell() {
  FakeEnvironment env;
  const std::pair<int, std::string> folders[] = {
      {0x8005, "C:\\Docs\\joe\\My Documents"},     {0x8023, "C:\\Docs\\All Users\\Application Data"},
      {0x801A, "C:\\Docs\\joe\\Application Data"}, {0x801C, "C:\\Docs\\joe\\Local Settings\\Application Data"},
      {0x802E, "C:\\Docs\\All Users\\Documents"},
  };
  const std::pair<int, std::string> specials[] = {
      {11, "C:\\Docs\\joe\\Start Menu"},
      {22, "C:\\Docs\\All Users\\Start Menu"},
      {2, "C:\\Docs\\joe\\Start Menu\\Programs"},
      {23, "C:\\Docs\\All Users\\Start Menu\\Programs"},
      {16, "C:\\Docs\\joe\\Desktop"},
      {25, "C:\\Docs\\All Users\\Desktop"},
  };
  for (const auto& [csidl, dir] : folders) env.folder[csidl] = dir;
  for (const auto& [csidl, dir] : specials) env.special[csidl] = dir;
  for (const char* dir : {"C:\\Docs", "C:\\Docs\\joe", "C:\\Docs\\All Users"}) env.AddDir(dir);
  for (const auto& [csidl, dir] : folders) env.AddDir(dir);
  for (const auto& [csidl, dir] : specials) env.AddDir(dir);
  return env;
}

void ExpectAll(const FakeEnvironment& env, const std::map<std::string, std::string>& expected, const char* what) {
  for (const Named& g : kGetters) {
    ASSERT_TRUE(expected.count(g.name)) << g.name;
    EXPECT_EQ(g.getter(env, false), expected.at(g.name)) << what << ": " << g.name;
  }
}
}  // namespace

TEST(ShellFolders, AModernShellAnswersEveryGetter) {
  ExpectAll(ModernShell(),
            {
                {"GetUserDir", "C:\\Docs\\joe"},  // the parent of the documents folder
                {"GetDocumentsAndSettingsDir", "C:\\Docs"},
                {"GetAllUsersDir", "C:\\Docs\\All Users"},
                {"GetUserAppDataDir", "C:\\Docs\\joe\\Application Data"},
                {"GetUserLocalAppDataDir", "C:\\Docs\\joe\\Local Settings\\Application Data"},
                {"GetAllUsersAppDataDir", "C:\\Docs\\All Users\\Application Data"},
                {"GetMyDocumentsDir", "C:\\Docs\\joe\\My Documents"},
                {"GetAllUsersDocumentsDir", "C:\\Docs\\All Users\\Documents"},
                {"GetUserStartMenuDir", "C:\\Docs\\joe\\Start Menu"},
                {"GetAllUsersStartMenuDir", "C:\\Docs\\All Users\\Start Menu"},
                {"GetUserProgramsDir", "C:\\Docs\\joe\\Start Menu\\Programs"},
                {"GetAllUsersProgramsDir", "C:\\Docs\\All Users\\Start Menu\\Programs"},
                {"GetUserDesktopDir", "C:\\Docs\\joe\\Desktop"},
                {"GetAllUsersDesktopDir", "C:\\Docs\\All Users\\Desktop"},
            },
            "modern");
}

TEST(ShellFolders, WithoutShellAnswersTheOldConventions) {
  // No shell folders at all; a Windows folder with a profile for the registered owner, whose
  // start menu exists but whose desktop does not.
  FakeEnvironment env;
  env.AddDir("C:\\WINDOWS");
  env.AddDir("C:\\WINDOWS\\Profiles\\Joe Owner");
  env.AddDir("C:\\WINDOWS\\Profiles\\Joe Owner\\Start Menu");
  const std::string profile = "C:\\WINDOWS\\Profiles\\Joe Owner";
  ExpectAll(env,
            {
                {"GetUserDir", profile},
                {"GetDocumentsAndSettingsDir", profile},
                {"GetAllUsersDir", "C:\\WINDOWS"},
                {"GetUserAppDataDir", profile + "\\Application Data"},
                {"GetUserLocalAppDataDir", profile + "\\Application Data"},
                {"GetAllUsersAppDataDir", "C:\\WINDOWS\\Application Data"},
                {"GetMyDocumentsDir", profile + "\\My Documents"},
                {"GetAllUsersDocumentsDir", "C:\\WINDOWS\\Documents"},
                {"GetUserStartMenuDir", profile + "\\Start Menu"},  // the first candidate exists
                {"GetAllUsersStartMenuDir", "C:\\WINDOWS\\Start Menu"},
                {"GetUserProgramsDir", "C:\\WINDOWS\\Start Menu\\Programs"},  // the last, though missing
                {"GetAllUsersProgramsDir", "C:\\WINDOWS\\Start Menu\\Programs"},
                {"GetUserDesktopDir", "C:\\WINDOWS\\Desktop"},
                {"GetAllUsersDesktopDir", "C:\\WINDOWS\\Desktop"},
            },
            "old");
}

TEST(ShellFolders, ShellAnswersThatNameNoFolderAreSkipped) {
  FakeEnvironment env = ModernShell();
  env.dirs.clear();
  env.AddDir("C:\\WINDOWS");
  // An answer naming a missing folder counts as none.
  EXPECT_EQ(GetMyDocumentsDir(env, false), "C:\\WINDOWS\\My Documents");
  EXPECT_EQ(GetUserDesktopDir(env, false), "C:\\WINDOWS\\Desktop");
  // The documents folder exists but its parent does not: the fallback test is made on the parent,
  // and no second parent is taken above a missing one.
  env.AddDir("C:\\Docs\\joe\\My Documents");
  env.AddDir("C:\\Docs");
  EXPECT_EQ(GetUserDir(env, false), "C:\\WINDOWS");
  EXPECT_EQ(GetDocumentsAndSettingsDir(env, false), "C:\\WINDOWS");  // not the existing folder two up
  env.AddDir("C:\\Docs\\joe");
  EXPECT_EQ(GetUserDir(env, false), "C:\\Docs\\joe");
  EXPECT_EQ(GetDocumentsAndSettingsDir(env, false), "C:\\Docs");
}

TEST(ShellFolders, ProfileFallback) {
  FakeEnvironment env;
  EXPECT_EQ(GetProfileFallbackDir(env), "C:\\WINDOWS");  // no Profiles folder
  env.AddDir("C:\\WINDOWS\\Profiles\\Joe Owner");
  EXPECT_EQ(GetProfileFallbackDir(env), "C:\\WINDOWS\\Profiles\\Joe Owner");
  env.owner = "joe";  // the registered owner decides which profile (it falls back to the user)
  EXPECT_EQ(GetProfileFallbackDir(env), "C:\\WINDOWS");
}

TEST(ShellFolders, TrailingBackslashFlag) {
  FakeEnvironment env = ModernShell();
  env.special[16] = "C:\\Docs\\joe\\Desktop\\";  // a shell answer with its own backslash
  env.folder[0x8005] = "C:\\Docs\\joe\\My Documents\\";
  for (const Named& g : kGetters) {
    const std::string with = g.getter(env, true), without = g.getter(env, false);
    EXPECT_EQ(with, without + "\\") << g.name;
    EXPECT_NE(without.back(), '\\') << g.name;
  }
  EXPECT_EQ(GetUserDesktopDir(env, true), "C:\\Docs\\joe\\Desktop\\");
  EXPECT_EQ(GetUserDir(env, false), "C:\\Docs\\joe");  // the parent of "...\My Documents\"
}
