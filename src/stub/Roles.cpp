// The role decision and the texts of the roles.
#include "stub/Roles.h"

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
  std::string path(ownPath);
  return Trim(std::string(cmdParams) + " /SpanCdLvl=2 /SpanDiskFName1=\"" + path + ".001\" /OriginExe=\"" + path +
              "\"");
}
