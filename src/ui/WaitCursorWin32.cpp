// The wait cursor of a window while requests for it are pending.
#include "ui/WaitCursor.h"

void CWaitCursorE::AddWaitRequest()
{
    if (++waitCount_ == 1)
        SetCursor(waitCursor_);
}

void CWaitCursorE::RemoveWaitRequest()
{
    if (waitCount_ == 0 || --waitCount_ != 0)
        return;
    POINT where{};
    if (GetCursorPos(&where))
        SetCursorPos(where.x, where.y);
}

bool CWaitCursorE::OnSetCursor(HWND window, HWND over, UINT hitTest, HWND exempt) const
{
    if (waitCount_ <= 0 || hitTest != HTCLIENT || !over || (exempt && over == exempt))
        return false;
    if (over != window && !IsChild(window, over))
        return false;
    SetCursor(waitCursor_);
    return true;
}
