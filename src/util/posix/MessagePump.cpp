// Host build: no message queue; a pumped wait only sleeps.
#include "util/MessagePump.h"

#include <unistd.h>

void PumpMessages(int ms) {
  if (ms > 0) usleep(useconds_t(ms) * 1000);
}
