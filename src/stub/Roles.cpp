// The role decision and the texts of the roles.
#include "stub/Roles.h"

#include "stub/CmdLine.h"
#include "util/Files.h"
#include "util/Utils.h"

bool IsPlainAutoUpdateExe(const RoleInputs& in) {
  return in.autoUpdateProg && SameTextTrim(in.ownName, in.agentExeName);
}

bool IsXAutoUpdateExe(const RoleInputs& in) {
  return in.autoUpdateProg && SameTextTrim(in.ownName, "X_" + Trim(in.agentExeName));
}

StubRole DecideRole(const RoleInputs& in) {
  if (IsPlainAutoUpdateExe(in)) return StubRole::PlainAgent;
  if (IsXAutoUpdateExe(in)) return StubRole::XAgent;
  if (in.wantsSpanRelaunch && in.spanCdLvl == 1) return StubRole::SpanRelaunch;
  return StubRole::PlainStub;
}

const char* RoleName(StubRole role) {
  switch (role) {
    case StubRole::SpanRelaunch:
      return "SpanRelaunch";
    case StubRole::PlainAgent:
      return "PlainAgent";
    case StubRole::XAgent:
      return "XAgent";
    default:
      return "PlainStub";
  }
}

std::string StubWindowClassFor(bool autoUpdateProg, std::string_view ownPath) {
  if (!autoUpdateProg) return std::string(ownPath);
  return ".AutoUpdate." + FileNameStem(ExtractFileName(ownPath), false);
}

std::string XAgentWindowClass(std::string_view agentExeName) {
  return ".AutoUpdate.X_" + FileNameStem(Trim(agentExeName), false);
}

std::string SpanCopyPath(std::string_view workFolder, std::string_view ownName) {
  return std::string(workFolder) + "\\Y_" + std::string(ownName);
}

std::string SpanRelaunchArgs(std::string_view cmdParams, std::string_view ownPath) {
  // The first occurrence of a switch wins, so a user's own would shadow ours: the copy would read
  // level 1 and relaunch again, or read another first part. Dropping one switch can join the text
  // around it into the other, hence the loop.
  std::string params(cmdParams);
  while (PosCI("/SpanCdLvl=", params) || PosCI("/SpanDiskFName1=", params))
    params = DropSwitch(DropSwitch(params, "/SpanDiskFName1="), "/SpanCdLvl=");
  std::string path(ownPath);
  return Trim(params + " /SpanCdLvl=2 /SpanDiskFName1=\"" + path + ".001\" /OriginExe=\"" + path + "\"");
}
