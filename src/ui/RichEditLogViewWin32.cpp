// An activity log held in a rich-edit control.
#include "ui/RichEditLogView.h"

#include <richedit.h>

#include <string>

bool CRichEditLogView::IsEmpty() { return GetWindowTextLengthW(control_) == 0; }

void CRichEditLogView::InsertAtEnd(std::wstring_view text)
{
    // -1 as the start of EM_SETSEL would only remove the selection; the length (which may count a
    // line break twice) is clamped to the end by the control.
    // Moving the caret scrolls it into view; the view is put back where it was, so a user who
    // scrolled back keeps reading (the caller asks for the end when the view showed the end).
    // Drawing is held back meanwhile and left to the next paint, so that lines that come in a burst
    // (a trace of every block) are drawn once instead of once per step.
    POINT scroll{};
    SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(control_, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    LPARAM end = GetWindowTextLengthW(control_);
    SendMessageW(control_, EM_SETSEL, end, end);
    std::wstring copy(text);
    SendMessageW(control_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(copy.c_str()));
    SendMessageW(control_, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control_, nullptr, FALSE);
}

bool CRichEditLogView::IsShowingEnd()
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    // No scroll information: nothing to scroll yet, so the end is in view.
    if (!GetScrollInfo(control_, SB_VERT, &info) || info.nPage == 0)
        return true;
    return info.nPos >= info.nMax - static_cast<int>(info.nPage);
}

void CRichEditLogView::RequestScrollToEnd() { PostMessageW(control_, WM_VSCROLL, SB_BOTTOM, 0); }
