// The 16-bit system folder, the fonts folder and the registered folders, from tables.
#include "env/SystemFolders.h"

#include <gtest/gtest.h>

#include "FakeEnvironment.h"

namespace {
const char kShellFolders[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kCurrentVersion[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
}  // namespace

TEST(SystemFolders, System16Dir) {
  struct Case {
    const char* windows;
    const char* system;
    std::vector<std::string> existing;
    const char* expected;
  } cases[] = {
      {"C:\\WINDOWS", "C:\\WINDOWS\\system32", {"C:\\WINDOWS\\system"}, "C:\\WINDOWS\\system"},
      {"C:\\W32", "C:\\W32\\system32", {"C:\\W32\\system", "C:\\W\\system32"}, "C:\\W32\\system"},  // the last "32"
      {"C:\\WINNT", "D:\\Sys32\\Bin", {"C:\\WINNT\\System"}, "C:\\WINNT\\System"},             // cut folder missing
      {"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", {"C:\\WINDOWS\\SYSTEM"}, "C:\\WINDOWS\\System"},  // no "32"
      {"C:\\WINDOWS", "C:\\WINDOWS\\system32", {}, "C:\\WINDOWS\\system32"},                   // nothing exists
      {"C:\\", "C:\\sys32", {"C:\\System"}, "C:\\System"},  // one backslash after a root
  };
  for (const auto& c : cases) {
    FakeEnvironment env;
    env.windows = c.windows;
    env.system = c.system;
    for (const auto& d : c.existing) env.AddDir(d);
    EXPECT_EQ(GetSystem16Dir(env), c.expected) << c.system;
  }
}

TEST(SystemFolders, FontDir) {
  struct Case {
    const char* registered;  // nullptr: no value
    bool exists;
    const char* expected;
  } cases[] = {
      {"D:\\Fonts", true, "D:\\Fonts"},
      {"D:\\Fonts", false, "C:\\WINDOWS\\Fonts"},
      {"", false, "C:\\WINDOWS\\Fonts"},
      {nullptr, false, "C:\\WINDOWS\\Fonts"},
  };
  for (const auto& c : cases) {
    FakeEnvironment env;
    if (c.registered) env.SetRegistry(kShellFolders, "Fonts", c.registered);
    if (c.exists) env.AddDir(c.registered);
    EXPECT_EQ(GetFontDir(env), c.expected) << (c.registered ? c.registered : "(none)") << " " << c.exists;
  }
}

TEST(SystemFolders, RegisteredFolders) {
  FakeEnvironment env;
  EXPECT_EQ(GetProgramFilesDir(env), "");
  EXPECT_EQ(GetCommonFilesDir(env), "");
  EXPECT_EQ(GetStartMenuDir(env), "");
  env.SetRegistry(kCurrentVersion, "ProgramFilesDir", "C:\\Program Files");
  env.SetRegistry(kCurrentVersion, "CommonFilesDir", "C:\\Program Files\\Common Files");
  env.SetRegistry(kShellFolders, "Start Menu", "C:\\Users\\joe\\Start Menu");
  EXPECT_EQ(GetProgramFilesDir(env), "C:\\Program Files");
  EXPECT_EQ(GetCommonFilesDir(env), "C:\\Program Files\\Common Files");
  EXPECT_EQ(GetStartMenuDir(env), "C:\\Users\\joe\\Start Menu");  // as registered, whether it exists or not
}
