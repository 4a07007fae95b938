// Places a dialog in the middle of its owner, inside the work area of the owner's monitor.
#include "ui/CentreWindow.h"

void CentreOnOwner(HWND window)
{
    RECT self{};
    GetWindowRect(window, &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    HWND owner = GetWindow(window, GW_OWNER);
    RECT around{};
    if (!owner || !GetWindowRect(owner, &around))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    HMONITOR nearest = MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTONEAREST);
    int x = around.left + ((around.right - around.left) - width) / 2;
    int y = around.top + ((around.bottom - around.top) - height) / 2;
    if (GetMonitorInfoW(nearest, &monitor)) {
        const RECT& work = monitor.rcWork;
        if (x + width > work.right)
            x = work.right - width;
        if (y + height > work.bottom)
            y = work.bottom - height;
        if (x < work.left)
            x = work.left;
        if (y < work.top)
            y = work.top;
    }
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
