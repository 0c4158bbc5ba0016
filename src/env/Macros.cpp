// ExpandMacros and the values it puts in. The order of the steps matters: the long folder forms
// are replaced before the short ones, and a text that used a long form loses its short ones.
#include "env/Macros.h"

#include "env/MacroText.h"
#include "env/ShellFolders.h"
#include "env/SystemFolders.h"
#include "util/Utils.h"
#include "util/VSUB.h"

namespace {
bool Contains(std::string_view text, std::string_view macro) { return PosCI(macro, text) != 0; }

std::string Left(const std::string& text, size_t n) { return text.substr(0, n); }

enum class How {
  Suffix,           // ReplaceDirMacro with the caller's suffix
  Plain,            // the value as it is
  RemoveIfChanged,  // removed, but only when the folder macros so far changed the text
  Remove,           // removed
};

struct FolderMacro {
  const char* macro;
  How how;
  std::function<std::string()> value;
};

// The plain name macros, each value asked for only when its macro occurs.
struct NameMacro {
  const char* macro;
  std::string (*value)(const Environment&, int lastExitCode);
};

const NameMacro kNameMacros[] = {
    {"<LoggedUserName>", [](const Environment& e, int) { return e.LoggedUserName(); }},
    {"<UserName>", [](const Environment& e, int) { return e.RegisteredOwner(); }},
    {"<CompanyName>", [](const Environment& e, int) { return e.RegisteredOrganization(); }},
    {"<ComputerName>", [](const Environment& e, int) { return e.ComputerName(); }},
    {"<CurrentDomainName>", [](const Environment& e, int) { return e.UserDomainName(); }},
    {"<LastExecutableExitCode>", [](const Environment&, int code) { return IntToStr(code); }},
};

// Provider macros and the names they ask for.
const std::pair<const char*, const char*> kProviderMacros[] = {
    {"<EnteredUserName>", "UserName"},
    {"<EnteredCompanyName>", "CompanyName"},
    {"<EnteredStartProgramMenu>", "EnteredStartProgramMenu"},
    {"<VendorCompanyName>", "VendorCompanyName"},
    {"<ProjectName>", "ProjectName"},
    {"<ProgramDescriptiveName>", "ProgramDescriptiveName"},
    {"<ProgramVersion>", "ProgramVersion"},
    {"<SelectedLanguage>", "SelectedLanguage"},
};
}  // namespace

Macros::Macros(const Environment& env, const Clock& clock) : env_(env), clock_(clock) {}

void Macros::SetInstallFolders(std::string application, std::string common, std::string auxiliary) {
  applicationDir_ = std::move(application);
  commonDir_ = std::move(common);
  auxiliaryDir_ = std::move(auxiliary);
}

std::string Macros::GetOriginExe() {
  if (originExe_.empty()) originExe_ = env_.OriginExeSwitch();
  return originExe_.empty() ? env_.ExePath() : originExe_;
}

std::string Macros::GetOriginDir() {
  if (!originDir_) {
    std::string dir = ExtractFileDir(GetOriginExe());
    originDir_ = dir.empty() ? ExtractFileDir(env_.ExePath()) : dir;
  }
  return *originDir_;
}

std::string Macros::ProviderValue(std::string_view name) const { return provider_ ? provider_(name) : std::string(); }

std::string Macros::ExpandUserMacros(std::string_view text) const {
  std::string out(text);
  size_t at = 0;
  while ((at = out.find('<', at)) != std::string::npos) {
    const size_t close = out.find('>', at + 1);
    if (close == std::string::npos) {
      ++at;
      continue;
    }
    const std::string piece = out.substr(at, close - at + 1);
    const std::string key = ReplaceText(ReplaceText("<" + piece + ">", "<<", "<"), ">>", ">");
    const std::string value = SUB::GetValue(userMacros_, key, piece);
    out.replace(at, piece.size(), value);
    at += value.size();
  }
  return out;
}

std::string Macros::ExpandNames(std::string text) const {
  for (const NameMacro& m : kNameMacros)
    if (Contains(text, m.macro)) text = ReplaceTextCI(text, m.macro, m.value(env_, lastExitCode_));
  for (const auto& [macro, name] : kProviderMacros)
    if (Contains(text, macro)) text = ReplaceTextCI(text, macro, ProviderValue(name));
  return text;
}

std::string Macros::ExpandFolders(std::string text, std::string_view snapshot, std::string_view suffix) {
  const auto exeDir = [this] { return ExtractFileDir(env_.ExePath()); };
  const auto app = [this] { return applicationDir_; };
  const auto win = [this] { return env_.WindowsDir(); };
  const auto sys = [this] { return env_.SystemDir(); };
  const auto sys16 = [this] { return GetSystem16Dir(env_); };
  const auto origin = [this] { return GetOriginDir(); };
  const auto shell = [this](std::string (*getter)(const Environment&, bool)) {
    return [this, getter] { return getter(env_, false); };
  };

  if (Contains(text, "<UnInstallExePath>"))
    text = ReplaceTextCI(text, "<UnInstallExePath>", ProviderValue("UnInstallExePath"));
  if (Contains(text, "<RunTimeDir_")) {
    for (int n = 1; n <= RunTimeDirs::kSlots; ++n) {
      const std::string macro = "<RunTimeDir_" + IntToStr(n) + ">";
      if (Contains(text, macro)) text = ReplaceDirMacro(text, macro, runTimeDirs_.GetRunTimeDir(n), suffix);
    }
  }

  const FolderMacro table[] = {
      {"<Application Folder>", How::Suffix, app},
      {"<Common Folder>", How::Suffix, [this] { return commonDir_; }},
      {"<Auxiliary Folder>", How::Suffix, [this] { return auxiliaryDir_; }},
      {"<Windows Directory>", How::Suffix, win},
      {"<System Directory>", How::Suffix, sys},
      {"<System16 Directory>", How::Suffix, sys16},
      {"<InstallDir>", How::RemoveIfChanged, {}},
      {"<InstallCommonDir>", How::RemoveIfChanged, {}},
      {"<InstallAuxDir>", How::RemoveIfChanged, {}},
      {"<AbsoluteDir>", How::Remove, {}},
      {"<InstallDir>", How::Suffix, app},
      {"<InstallCommonDir>", How::Suffix, [this] { return commonDir_; }},
      {"<InstallAuxDir>", How::Suffix, [this] { return auxiliaryDir_; }},
      {"<AbsoluteDir>", How::Remove, {}},
      {"<WinDir>", How::Suffix, win},
      {"<WinSysDir>", How::Suffix, sys},
      {"<WinSys32Dir>", How::Suffix, sys},
      {"<WinSys16Dir>", How::Suffix, sys16},
      {"<InstallDrive>", How::Plain, [&] { return Left(app(), 3); }},
      {"<WinDrive>", How::Plain, [&] { return Left(win(), 3); }},
      {"<WinSysDrive>", How::Plain, [&] { return Left(sys(), 3); }},
      {"<OriginDrive>", How::Plain, [&] { return Left(origin(), 3); }},
      {"<InstallDisk>", How::Plain, [&] { return Left(app(), 2); }},
      {"<WinDisk>", How::Plain, [&] { return Left(win(), 2); }},
      {"<WinSysDisk>", How::Plain, [&] { return Left(sys(), 2); }},
      {"<OriginDisk>", How::Plain, [&] { return Left(origin(), 2); }},
      {"<StartMenuDir>", How::Suffix, [this] { return GetStartMenuDir(env_); }},
      {"<ProgramFilesDir>", How::Suffix, [this] { return GetProgramFilesDir(env_); }},
      {"<CommonFilesDir>", How::Suffix, [this] { return GetCommonFilesDir(env_); }},
      {"<FontDir>", How::Suffix, [this] { return GetFontDir(env_); }},
      {"<SrcDir>", How::Suffix, exeDir},
      {"<OriginDir>", How::Suffix, origin},
      {"<TempDir>", How::Suffix, [this] { return env_.TempDir(); }},
      {"<ServiceDir>", How::Suffix, exeDir},
      {"<UserDir>", How::Suffix, shell(GetUserDir)},
      {"<UserAppDataDir>", How::Suffix, shell(GetUserAppDataDir)},
      {"<UserLocalAppDataDir>", How::Suffix, shell(GetUserLocalAppDataDir)},
      {"<MyDocumentsDir>", How::Suffix, shell(GetMyDocumentsDir)},
      {"<UserStartMenuDir>", How::Suffix, shell(GetUserStartMenuDir)},
      {"<UserStartProgramMenuDir>", How::Suffix, shell(GetUserProgramsDir)},
      {"<UserDesktopDir>", How::Suffix, shell(GetUserDesktopDir)},
      {"<DocumentsAndSettingsDir>", How::Suffix, shell(GetDocumentsAndSettingsDir)},
      {"<AllUsersDir>", How::Suffix, shell(GetAllUsersDir)},
      {"<AllUsersAppDataDir>", How::Suffix, shell(GetAllUsersAppDataDir)},
      {"<AllUsersDocumentsDir>", How::Suffix, shell(GetAllUsersDocumentsDir)},
      {"<AllUsersStartMenuDir>", How::Suffix, shell(GetAllUsersStartMenuDir)},
      {"<AllUsersStartProgramMenuDir>", How::Suffix, shell(GetAllUsersProgramsDir)},
      {"<AllUsersDesktopDir>", How::Suffix, shell(GetAllUsersDesktopDir)},
  };

  // The removal of the short forms is decided once, before the first of them.
  bool longFormsChanged = false;
  bool removalDecided = false;
  for (const FolderMacro& m : table) {
    if (m.how == How::RemoveIfChanged && !removalDecided) {
      longFormsChanged = text != snapshot;
      removalDecided = true;
    }
    if (!Contains(text, m.macro)) continue;
    switch (m.how) {
      case How::Suffix:
        text = ReplaceDirMacro(text, m.macro, m.value(), suffix);
        break;
      case How::Plain:
        text = ReplaceTextCI(text, m.macro, m.value());
        break;
      case How::RemoveIfChanged:
        if (longFormsChanged) text = ReplaceTextCI(text, m.macro, "");
        break;
      case How::Remove:
        text = ReplaceTextCI(text, m.macro, "");
        break;
    }
  }
  return text;
}

std::string Macros::ExpandMacros(std::string_view text, std::string_view suffix, bool expandDots, bool userMacros,
                                 bool folderMacros) {
  std::string result(text);
  if (result.find('<') != std::string::npos) {
    if (userMacros) result = ExpandUserMacros(result);
    const DateLocale locale{env_.DateSeparator(), env_.TimeSeparator(),
                            [this](int month) { return env_.LongMonthName(month); }};
    result = ExpandNames(ExpandDateMacro(result, clock_.LocalNow(), locale));
    if (folderMacros) {
      const std::string snapshot = result;
      std::string folders = ExpandFolders(result, snapshot, suffix);
      if (folders != snapshot) result = CollapseBackslashes(folders);
    }
  }
  if (expandDots) result = ExpandDotDirs(result, [this](std::string_view path) { return env_.FullPath(path); });
  return result;
}
