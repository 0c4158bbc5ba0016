// The process-wide state of the stub: the own package reader, the role predicates, the window
// class name and the exit code.
#include "stub/Stub.h"

#include <memory>

#include "pack/PackX.h"
#include "platform/System.h"
#include "stub/Roles.h"
#include "util/Utils.h"

namespace {
std::unique_ptr<TGFileInfo>& OwnPackageSlot() {
  static std::unique_ptr<TGFileInfo> package;
  return package;
}
std::string& WindowClassSlot() {
  static std::string name;
  return name;
}
int exitCode = 0;

RoleInputs AgentInputs() {
  RoleInputs in;
  in.autoUpdateProg = ThisIs_AutoUpdateProg();
  in.ownName = ExtractFileName(OwnExePath());
  in.agentExeName = OwnPackage().GetAgentExeName();
  return in;
}
}  // namespace

void OpenOwnPackage() { OwnPackageSlot() = std::make_unique<TGFileInfo>(OwnExePath()); }
void CloseOwnPackage() { OwnPackageSlot().reset(); }

const TGFileInfo& OwnPackage() {
  if (!OwnPackageSlot()) OpenOwnPackage();
  return *OwnPackageSlot();
}

bool ThisIs_AutoUpdateProg() { return OwnPackage().IsAutoUpdateAgent(); }
bool ThisIs_Plain_AutoUpdate_Exe() { return IsPlainAutoUpdateExe(AgentInputs()); }
bool ThisIs_X_AutoUpdate_Exe() { return IsXAutoUpdateExe(AgentInputs()); }

const std::string& StubWindowClassName() { return WindowClassSlot(); }
void SetStubWindowClassName(const std::string& name) { WindowClassSlot() = name; }

int StubExitCode() { return exitCode; }
void SetStubExitCode(int code) { exitCode = code; }
