// The CPU time this process has used so far, on Windows.
#include "ProcessCpu.h"

#include <windows.h>

uint64_t ProcessCpuMicroseconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    auto ticks = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return (ticks(kernel) + ticks(user)) / 10; // 100 ns units
}
