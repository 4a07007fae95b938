// The wait cursor of a window while requests for it are pending.
#pragma once
#include <windows.h>

// Counts wait requests. The first request shows the system's wait cursor at once; once the last is
// withdrawn the mouse is "moved" to where it is, so the window under it sets its own cursor again.
// In between, the owner passes its WM_SETCURSOR messages to OnSetCursor.
class CWaitCursorE {
public:
    void AddWaitRequest();
    void RemoveWaitRequest();
    int WaitCount() const { return waitCount_; }

    // WM_SETCURSOR of `window`: while a request is pending and the mouse is over the client area,
    // but not over `exempt` (a button that stays usable), shows the wait cursor and answers true.
    bool OnSetCursor(HWND window, HWND over, UINT hitTest, HWND exempt) const;

private:
    int waitCount_ = 0;
    HCURSOR waitCursor_ = LoadCursorW(nullptr, IDC_WAIT); // shared by the system: never destroyed
};
