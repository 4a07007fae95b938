// The main frame's place on the screen: its stored placement, or its default size centred on the work area.
#include "app/FramePlacement.h"

#include <algorithm>

#include "ui/FrameRules.h"

WindowPlacement ToStored(const WINDOWPLACEMENT& p)
{
    WindowPlacement stored;
    stored.flags = p.flags;
    stored.showCmd = p.showCmd;
    stored.minPosX = p.ptMinPosition.x;
    stored.minPosY = p.ptMinPosition.y;
    stored.maxPosX = p.ptMaxPosition.x;
    stored.maxPosY = p.ptMaxPosition.y;
    stored.left = p.rcNormalPosition.left;
    stored.top = p.rcNormalPosition.top;
    stored.right = p.rcNormalPosition.right;
    stored.bottom = p.rcNormalPosition.bottom;
    return stored;
}

WINDOWPLACEMENT FromStored(const WindowPlacement& stored)
{
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    p.flags = stored.flags;
    p.showCmd = stored.showCmd;
    p.ptMinPosition = {stored.minPosX, stored.minPosY};
    p.ptMaxPosition = {stored.maxPosX, stored.maxPosY};
    p.rcNormalPosition = {stored.left, stored.top, stored.right, stored.bottom};
    if (p.showCmd == SW_SHOWMINIMIZED || p.showCmd == SW_MINIMIZE || p.showCmd == SW_SHOWMINNOACTIVE)
        p.showCmd = SW_SHOWNORMAL;
    return p;
}

SIZE DefaultFrameSize(HWND frame, SIZE createdClient, SIZE neededClient, int statusBarHeight)
{
    SIZE size{ScalePercent(createdClient.cx, 105), ScalePercent(createdClient.cy, 109)};
    // The proportions leave room for the frame's border, caption, menu and status bar only roughly;
    // the default (and minimum) size never cuts off the bottom or right of a page.
    if (neededClient.cx > 0 && neededClient.cy > 0) {
        RECT needed{0, 0, neededClient.cx, neededClient.cy + statusBarHeight};
        AdjustWindowRectEx(&needed, static_cast<DWORD>(GetWindowLongPtrW(frame, GWL_STYLE)), GetMenu(frame) != nullptr,
                           static_cast<DWORD>(GetWindowLongPtrW(frame, GWL_EXSTYLE)));
        size.cx = std::max<LONG>(size.cx, needed.right - needed.left);
        size.cy = std::max<LONG>(size.cy, needed.bottom - needed.top);
    }
    return size;
}

void PlaceCentred(HWND frame, SIZE size)
{
    SetWindowPos(frame, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Centred on the parent, which for a top-level window is the screen's work area.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int x = work.left + ((work.right - work.left) - size.cx) / 2;
    int y = work.top + ((work.bottom - work.top) - size.cy) / 2;
    SetWindowPos(frame, nullptr, std::max<int>(work.left, x), std::max<int>(work.top, y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
