// Waits for a worker thread that was told to stop, with a limit, nudging it once if it lingers.
#pragma once
#include <cstdint>

#include <windows.h>

// How long Close waits for the comm-event thread to end once told to stop, and once more after
// the I/O it may be blocked in has been cancelled.
constexpr DWORD kThreadStopWaitMs = 2000;
constexpr DWORD kThreadCancelWaitMs = 1000;

// True when `thread` has ended within `waitMs`, or within `afterCancelMs` more after every I/O
// pending on `device` (from any thread) has been cancelled. False when it still runs: the caller
// must then leave alone whatever the thread uses.
bool WaitForThreadEnd(HANDLE thread, HANDLE device, DWORD waitMs, DWORD afterCancelMs);
