// Waits for a worker thread that was told to stop, with a limit, nudging it once if it lingers.
#include "serial/ThreadStopWin32.h"

bool WaitForThreadEnd(HANDLE thread, HANDLE device, DWORD waitMs, DWORD afterCancelMs)
{
    if (WaitForSingleObject(thread, waitMs) == WAIT_OBJECT_0)
        return true;
    // A driver that never completes a wait keeps the thread in it: cancel its I/O on the device.
    if (device && device != INVALID_HANDLE_VALUE)
        CancelIoEx(device, nullptr);
    return WaitForSingleObject(thread, afterCancelMs) == WAIT_OBJECT_0;
}
