// The CPU time this process has used so far, user and kernel together.
#pragma once
#include <cstdint>

uint64_t ProcessCpuMicroseconds();
