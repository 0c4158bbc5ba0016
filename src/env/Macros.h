// Macro expansion of settings texts: "<InstallDir>\App.exe" becomes a real path on this machine.
// Macros name the user and the machine, the date, the installed application's folders, the
// Windows, system, shell and runtime folders, and the folder the setup came from; their names
// match without case, every occurrence is replaced, and a bracketed name that is no macro stays.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "env/Environment.h"
#include "env/RuntimeDirs.h"
#include "platform/Clock.h"

class Macros {
 public:
  // Named setup values ("UserName", "ProjectName" ...); this product registers none, so every
  // value asked for through it is empty.
  using ValueProvider = std::function<std::string(std::string_view name)>;

  Macros(const Environment& env, const Clock& clock);

  // The application, common and auxiliary folders of the installed product.
  void SetInstallFolders(std::string application, std::string common, std::string auxiliary);
  // The "/OriginExe" switch, kept once found non-empty; the own path while it is empty.
  std::string GetOriginExe();
  // The folder of GetOriginExe (no trailing backslash), the own folder when that is empty; kept
  // from the first call on.
  std::string GetOriginDir();

  // The expanded text. Folder macros get suffix after them (see ReplaceDirMacro); the product's
  // one caller passes "\" and all three flags.
  std::string ExpandMacros(std::string_view text, std::string_view suffix, bool expandDots, bool userMacros,
                           bool folderMacros);

  // Hooks the product leaves empty: the value provider and the user-macro table, a token list of
  // "<name>=value" items.
  void SetValueProvider(ValueProvider provider) { provider_ = std::move(provider); }
  void SetUserMacros(std::string table) { userMacros_ = std::move(table); }
  RunTimeDirs& RunTimeDirectories() { return runTimeDirs_; }

 private:
  std::string ExpandUserMacros(std::string_view text) const;
  std::string ExpandNames(std::string text) const;
  std::string ExpandFolders(std::string text, std::string_view snapshot, std::string_view suffix);
  std::string ProviderValue(std::string_view name) const;

  const Environment& env_;
  const Clock& clock_;
  std::string applicationDir_, commonDir_, auxiliaryDir_;
  std::string originExe_;
  std::optional<std::string> originDir_;
  ValueProvider provider_;
  std::string userMacros_;
  RunTimeDirs runTimeDirs_;
  int lastExitCode_ = 0;  // never set by this product
};
