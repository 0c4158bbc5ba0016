// Message dispatching of the calling thread.
#include "util/MessagePump.h"

#include <windows.h>

void PumpMessages(int ms) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  Sleep(DWORD(ms));
}
