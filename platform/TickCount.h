#pragma once
// Millisecond clock of the system's uptime kind: monotonic, wraps at 2^32 like the
// Windows tick count, unaffected by changes of the wall clock.

#include <cstdint>

namespace platform {

uint32_t GetTickCount();

// Sleeps on the calling thread for `milliseconds`.
void Sleep(uint32_t milliseconds);

} // namespace platform
