// Which of its four roles a stub process plays, decided from the package's flags and the
// executable's own name, and the texts that go with the roles. Pure: the Win32 side
// (win32/StubMain.cpp) gathers the inputs and acts on the result.
#pragma once
#include <string>
#include <string_view>

enum class StubRole {
  PlainStub,     // the setup run in the stub window (also a relaunched span-disk copy)
  SpanRelaunch,  // copy to the setup work folder as "Y_" + own name, start the copy, end
  PlainAgent,    // the installed agent: starts or addresses its "X_" copy
  XAgent,        // the "X_" copy: the update cycle in the stub window
};

struct RoleInputs {
  bool autoUpdateProg = false;     // the package's auto-update flag
  bool wantsSpanRelaunch = false;  // the package's span-disk relaunch flag
  int spanCdLvl = 1;               // "/SpanCdLvl=", default 1
  std::string ownName;             // file name of the running executable
  std::string agentExeName;        // the AU name from the package's update block
};

// Own name equals the AU name / "X_" + AU name (case ignored, blanks around ignored).
bool IsPlainAutoUpdateExe(const RoleInputs& in);
bool IsXAutoUpdateExe(const RoleInputs& in);
// First match: plain agent, X agent, span-disk relaunch (flag and level 1), plain stub.
StubRole DecideRole(const RoleInputs& in);
const char* RoleName(StubRole role);

// ".AutoUpdate." + own stem for an agent, else the full own path, so that two runs of one setup
// file share one class.
std::string StubWindowClassFor(bool autoUpdateProg, std::string_view ownPath);
// The class the X agent's window registers: ".AutoUpdate.X_" + AU stem.
std::string XAgentWindowClass(std::string_view agentExeName);

// Where the span-disk relaunch puts its copy: work folder + "\Y_" + own name.
std::string SpanCopyPath(std::string_view workFolder, std::string_view ownName);
// The relaunched copy's arguments: the current parameters without any "/SpanCdLvl=" or
// "/SpanDiskFName1=" of their own, then /SpanCdLvl=2, /SpanDiskFName1="own path.001" and
// /OriginExe="own path", trimmed.
std::string SpanRelaunchArgs(std::string_view cmdParams, std::string_view ownPath);
// A relaunched copy (level 2) deletes itself and its folder after its window ends.
inline bool DeletesItselfAfterRun(int spanCdLvl) { return spanCdLvl == 2; }
