// The engine's process on Win32: the completion atom, the start, and the waits for the process and
// for the dialogs it may leave behind. The setup run puts these steps in order.
#pragma once
#include "platform/win32/Handles.h"
#include "setup/SetupHost.h"

class EngineProcess : public EnginePort {
 public:
  bool AddGlobalAtom(const std::string& name, int64_t& error) override;
  bool Start(const std::string& command, bool show, std::string& systemError) override;
  int WaitForExit() override;
  void WaitWhileWindowExists(const std::string& windowClass) override;
  uint16_t FindGlobalAtom(const std::string& name) override;
  void DeleteGlobalAtom(uint16_t atom) override;

 private:
  KernelHandle process_;
};
