// The user's and the all-users' profile, application-data, documents, start-menu, programs and
// desktop folders on every Windows generation: each getter asks the shell first and, when the
// answer is missing or names no existing folder, walks down a chain built from older conventions;
// the last candidate is returned whether it exists or not. With withBackslash the result ends in
// exactly one backslash, without it in none.
#pragma once
#include <string>

#include "env/Environment.h"

// Windows folder\Profiles\<registered owner> when that exists, else the Windows folder.
std::string GetProfileFallbackDir(const Environment& env);

std::string GetUserDir(const Environment& env, bool withBackslash);
std::string GetDocumentsAndSettingsDir(const Environment& env, bool withBackslash);
std::string GetAllUsersDir(const Environment& env, bool withBackslash);
std::string GetUserAppDataDir(const Environment& env, bool withBackslash);
std::string GetUserLocalAppDataDir(const Environment& env, bool withBackslash);
std::string GetAllUsersAppDataDir(const Environment& env, bool withBackslash);
std::string GetMyDocumentsDir(const Environment& env, bool withBackslash);
std::string GetAllUsersDocumentsDir(const Environment& env, bool withBackslash);
std::string GetUserStartMenuDir(const Environment& env, bool withBackslash);
std::string GetAllUsersStartMenuDir(const Environment& env, bool withBackslash);
std::string GetUserProgramsDir(const Environment& env, bool withBackslash);
std::string GetAllUsersProgramsDir(const Environment& env, bool withBackslash);
std::string GetUserDesktopDir(const Environment& env, bool withBackslash);
std::string GetAllUsersDesktopDir(const Environment& env, bool withBackslash);
