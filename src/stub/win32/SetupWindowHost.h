// The setup run's host as the stub window serves it: the window's bars and status line, the
// message boxes, and the engine's process.
#pragma once
#include "setup/SetupHost.h"
#include "setup/win32/EngineProcess.h"

class SetupWindowHost : public SetupHost {
 public:
  void ShowWindow(bool show) override;
  void ShowActivityBar(bool show) override;
  void SetStatusText(std::string_view text, std::string_view fontName, int charset, int fontSize) override;
  Progress& Bars() override;
  intptr_t WindowHandle() override;
  bool WindowClosed() override;
  bool& DownloadCancel() override;
  void PumpMessages() override;
  void WaitPumping(int slice, int ms) override;
  void EnableAutoPlayCancel() override;
  bool Confirm(const SetupBox& box) override;
  bool ConfirmOk(const SetupBox& box) override;
  void Error(const SetupBox& box) override;
  EnginePort& Engine() override { return engine_; }

 private:
  EngineProcess engine_;
};
