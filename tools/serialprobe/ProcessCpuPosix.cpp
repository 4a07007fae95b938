// The CPU time this process has used so far, on Linux.
#include "ProcessCpu.h"

#include <sys/resource.h>

uint64_t ProcessCpuMicroseconds()
{
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
    auto micro = [](const timeval& t) { return static_cast<uint64_t>(t.tv_sec) * 1000000 + t.tv_usec; };
    return micro(usage.ru_utime) + micro(usage.ru_stime);
}
