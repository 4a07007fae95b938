// F6 and Shift+F6 in the main frame: the keyboard focus between the tab control and the page shown.
#include "app/PaneFocus.h"

#include "app/TabView.h"
#include "ui/KeyboardNavigation.h"

namespace {

bool CanTakeFocus(HWND window) { return window && IsWindowVisible(window) && IsWindowEnabled(window); }

} // namespace

HWND CPaneFocus::PageFocusTarget() const
{
    HWND page = tabView_.ActivePage();
    if (!page || !IsWindowVisible(page))
        return nullptr;
    if (lastPageFocus_ && IsChild(page, lastPageFocus_) && CanTakeFocus(lastPageFocus_))
        return lastPageFocus_;
    HWND first = GetNextDlgTabItem(page, nullptr, FALSE);
    bool tabStop = first && (GetWindowLongPtrW(first, GWL_STYLE) & WS_TABSTOP) != 0;
    return tabStop && IsChild(page, first) && CanTakeFocus(first) ? first : nullptr;
}

void CPaneFocus::MoveToPane(bool forward)
{
    HWND focus = GetFocus();
    HWND tab = tabView_.TabControl();
    HWND page = tabView_.ActivePage();
    // Panes in order: 0 the tab control, 1 the page shown.
    int current = -1;
    if (tab && focus == tab)
        current = 0;
    else if (page && focus && (focus == page || IsChild(page, focus)))
        current = 1;
    if (current == 1 && focus != page)
        lastPageFocus_ = focus;
    HWND panes[2] = {CanTakeFocus(tab) ? tab : nullptr, PageFocusTarget()};
    int next = NextPane(current, {panes[0] != nullptr, panes[1] != nullptr}, forward);
    if (next < 0 || next == current)
        return;
    if (next == 1)
        // As dialog navigation does it: the default button follows, an edit box selects its text.
        SendMessageW(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(panes[1]), TRUE);
    else
        SetFocus(panes[0]);
}

void CPaneFocus::OnActivate(HWND frame, WPARAM wParam)
{
    if (LOWORD(wParam) != WA_INACTIVE)
        return;
    HWND focus = GetFocus();
    if (focus && IsChild(frame, focus))
        focusOnDeactivate_ = focus;
}

void CPaneFocus::OnSetFocus(HWND frame)
{
    HWND target = nullptr;
    if (focusOnDeactivate_ && IsChild(frame, focusOnDeactivate_) && CanTakeFocus(focusOnDeactivate_))
        target = focusOnDeactivate_;
    if (!target)
        target = PageFocusTarget();
    if (!target && CanTakeFocus(tabView_.TabControl()))
        target = tabView_.TabControl();
    if (target)
        SetFocus(target);
}
