// The process context: what the entry reads once and hands down.
#include "stub/Stub.h"

#include <utility>

#include "setup/SetupFolders.h"
#include "stub/CmdLine.h"
#include "util/Utils.h"

std::string ProcessContext::Param(std::string_view name) const { return ReadParamStr(name, cmdLine, ownPath); }
bool ProcessContext::HasParam(std::string_view name) const { return ParamExists(name, cmdLine, ownPath); }

ProcessContext MakeProcessContext(std::string ownPath, std::string rawCmdLine) {
  ProcessContext c;
  c.ownPath = std::move(ownPath);
  c.cmdLine = std::move(rawCmdLine);
  c.cmdParams = GetCmdParams(c.cmdLine, c.ownPath);
  c.ownPackage = TGFileInfo(c.ownPath);
  RoleInputs& in = c.roleInputs;
  in.autoUpdateProg = c.ownPackage.IsAutoUpdateAgent();
  in.wantsSpanRelaunch = c.ownPackage.WantsSpanRelaunch();
  in.spanCdLvl = int(ReadParamInt("/SpanCdLvl=", 1, c.cmdLine, c.ownPath));
  in.ownName = ExtractFileName(c.ownPath);
  in.agentExeName = c.ownPackage.GetAgentExeName();
  c.role = DecideRole(in);
  c.windowClass = StubWindowClassFor(in.autoUpdateProg, c.ownPath);
  c.workFolder = SetupWorkFolderOf(c.ownPath);
  c.hidden = c.HasParam("/hide") || c.ownPackage.GetHideFlag();
  return c;
}
