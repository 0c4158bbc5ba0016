// The main routine of the stub executable. It brackets every role with the same start and end
// lines on the debug channel, so that a capture shows each process's command line and outcome.
#include "stub/Stub.h"

#include "platform/System.h"
#include "util/Utils.h"
#include "util/VDebug.h"

int RunStub() {
  const std::string pid = IntToStr(CurrentProcessId());
  const std::string cmdLine = RawCommandLine();
  DebugLn(pid + " ==== STUB START ====> " + cmdLine + "<");
  int exitCode = 0;
  DebugLn(pid + " ==== STUB END ====> " + cmdLine + "<");
  DebugLn();
  return exitCode;
}
