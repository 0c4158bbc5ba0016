// The shell folder getters as one table: the shell request, how many parent steps follow it, and
// the fallback chain.
#include "env/ShellFolders.h"

#include "util/Utils.h"

namespace {
// CSIDL numbers; 0x8000 asks SHFolder to create the folder when it is missing.
constexpr int kPersonal = 0x8005, kCommonAppData = 0x8023, kAppData = 0x801A, kLocalAppData = 0x801C,
              kCommonDocuments = 0x802E, kStartMenu = 11, kCommonStartMenu = 22, kPrograms = 2, kCommonPrograms = 23,
              kDesktopDirectory = 16, kCommonDesktopDirectory = 25;

enum class Shell { FolderPath, SpecialFolderPath };
enum class Base { None, Profile, Windows, UserDir, AllUsersDir };

// base\ + tail, or the base itself when there is no tail.
struct Candidate {
  Base base;
  const char* tail;
};

struct Getter {
  Shell shell;
  int csidl;
  int parents;  // parent steps, each taken only while the folder so far is present
  Candidate chain[2];
};

bool Present(const Environment& env, const std::string& dir) { return !dir.empty() && env.DirectoryExists(dir); }

std::string Parent(const std::string& dir) { return ExtractFileDir(SetTrailingBackslash(dir, false)); }

std::string Resolve(const Environment& env, const Getter& g);

const Getter kUserDir{Shell::FolderPath, kPersonal, 1, {{Base::Profile, ""}, {Base::None, ""}}};
const Getter kAllUsersDir{Shell::FolderPath, kCommonAppData, 1, {{Base::Windows, ""}, {Base::None, ""}}};

std::string BaseDir(const Environment& env, Base base) {
  switch (base) {
    case Base::Profile:
      return GetProfileFallbackDir(env);
    case Base::Windows:
      return env.WindowsDir();
    case Base::UserDir:
      return Resolve(env, kUserDir);
    case Base::AllUsersDir:
      return Resolve(env, kAllUsersDir);
    case Base::None:
      break;
  }
  return {};
}

std::string CandidateDir(const Environment& env, const Candidate& c) {
  std::string base = BaseDir(env, c.base);
  return *c.tail ? SetTrailingBackslash(base, true) + c.tail : base;
}

std::string Resolve(const Environment& env, const Getter& g) {
  std::string dir = g.shell == Shell::FolderPath ? env.FolderPath(g.csidl) : env.SpecialFolderPath(g.csidl);
  for (int i = 0; i < g.parents && Present(env, dir); ++i) dir = Parent(dir);
  for (const Candidate& c : g.chain) {
    if (Present(env, dir) || c.base == Base::None) break;
    dir = CandidateDir(env, c);
  }
  return dir;
}

std::string Get(const Environment& env, const Getter& g, bool withBackslash) {
  return SetTrailingBackslash(Resolve(env, g), withBackslash);
}
}  // namespace

std::string GetProfileFallbackDir(const Environment& env) {
  const std::string windows = env.WindowsDir();
  const std::string profile = SetTrailingBackslash(windows, true) + "Profiles\\" + env.RegisteredOwner();
  return env.DirectoryExists(profile) ? profile : windows;
}

std::string GetUserDir(const Environment& env, bool withBackslash) { return Get(env, kUserDir, withBackslash); }

std::string GetDocumentsAndSettingsDir(const Environment& env, bool withBackslash) {
  return Get(env, {Shell::FolderPath, kPersonal, 2, {{Base::Profile, ""}, {Base::None, ""}}}, withBackslash);
}

std::string GetAllUsersDir(const Environment& env, bool withBackslash) { return Get(env, kAllUsersDir, withBackslash); }

std::string GetUserAppDataDir(const Environment& env, bool withBackslash) {
  return Get(env, {Shell::FolderPath, kAppData, 0, {{Base::Profile, "Application Data"}, {Base::None, ""}}},
             withBackslash);
}

std::string GetUserLocalAppDataDir(const Environment& env, bool withBackslash) {
  return Get(env, {Shell::FolderPath, kLocalAppData, 0, {{Base::Profile, "Application Data"}, {Base::None, ""}}},
             withBackslash);
}

std::string GetAllUsersAppDataDir(const Environment& env, bool withBackslash) {
  return Get(env, {Shell::FolderPath, kCommonAppData, 0, {{Base::Windows, "Application Data"}, {Base::None, ""}}},
             withBackslash);
}

std::string GetMyDocumentsDir(const Environment& env, bool withBackslash) {
  return Get(env, {Shell::FolderPath, kPersonal, 0, {{Base::Profile, "My Documents"}, {Base::None, ""}}},
             withBackslash);
}

std::string GetAllUsersDocumentsDir(const Environment& env, bool withBackslash) {
  return Get(env, {Shell::FolderPath, kCommonDocuments, 0, {{Base::Windows, "Documents"}, {Base::None, ""}}},
             withBackslash);
}

std::string GetUserStartMenuDir(const Environment& env, bool withBackslash) {
  return Get(
      env,
      {Shell::SpecialFolderPath, kStartMenu, 0, {{Base::UserDir, "Start Menu"}, {Base::AllUsersDir, "Start Menu"}}},
      withBackslash);
}

std::string GetAllUsersStartMenuDir(const Environment& env, bool withBackslash) {
  return Get(env,
             {Shell::SpecialFolderPath, kCommonStartMenu, 0, {{Base::AllUsersDir, "Start Menu"}, {Base::None, ""}}},
             withBackslash);
}

std::string GetUserProgramsDir(const Environment& env, bool withBackslash) {
  return Get(env,
             {Shell::SpecialFolderPath,
              kPrograms,
              0,
              {{Base::UserDir, "Start Menu\\Programs"}, {Base::AllUsersDir, "Start Menu\\Programs"}}},
             withBackslash);
}

std::string GetAllUsersProgramsDir(const Environment& env, bool withBackslash) {
  return Get(
      env,
      {Shell::SpecialFolderPath, kCommonPrograms, 0, {{Base::AllUsersDir, "Start Menu\\Programs"}, {Base::None, ""}}},
      withBackslash);
}

std::string GetUserDesktopDir(const Environment& env, bool withBackslash) {
  return Get(
      env,
      {Shell::SpecialFolderPath, kDesktopDirectory, 0, {{Base::UserDir, "Desktop"}, {Base::AllUsersDir, "Desktop"}}},
      withBackslash);
}

std::string GetAllUsersDesktopDir(const Environment& env, bool withBackslash) {
  return Get(env,
             {Shell::SpecialFolderPath, kCommonDesktopDirectory, 0, {{Base::AllUsersDir, "Desktop"}, {Base::None, ""}}},
             withBackslash);
}
