// Moves and sizes a dialog's controls by their layout rules when the dialog is resized.
#include "ui/DialogLayout.h"

void CDialogLayout::Setup(HWND dialog, std::initializer_list<LayoutRule> rules)
{
    Setup(dialog, std::vector<LayoutRule>(rules));
}

void CDialogLayout::Setup(HWND dialog, const std::vector<LayoutRule>& rules)
{
    dialog_ = dialog;
    RECT client{};
    GetClientRect(dialog, &client);
    RECT window{};
    GetWindowRect(dialog, &window);
    originalWindow_ = {window.right - window.left, window.bottom - window.top};
    layout_.Reset(client.right, client.bottom);
    for (const LayoutRule& rule : rules) {
        HWND control = GetDlgItem(dialog, rule.id);
        if (!control)
            continue;
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        layout_.Add(rule, {r.left, r.top, r.right, r.bottom});
    }
}

void CDialogLayout::Arrange(int width, int height)
{
    if (!dialog_ || layout_.Count() == 0)
        return;
    std::vector<LayoutRect> rects = layout_.Arrange(width, height);
    HDWP batch = BeginDeferWindowPos(static_cast<int>(rects.size()));
    for (size_t i = 0; i < rects.size(); ++i) {
        HWND control = GetDlgItem(dialog_, layout_.Rule(i).id);
        if (!control)
            continue;
        const LayoutRect& r = rects[i];
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (batch)
            batch = DeferWindowPos(batch, control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
        else
            SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
    }
    if (batch)
        EndDeferWindowPos(batch);
    // Group boxes and static texts leave traces when they move; repaint the dialog once.
    InvalidateRect(dialog_, nullptr, TRUE);
}

bool CDialogLayout::LimitMinimumSize(LPARAM minMaxInfo) const
{
    if (!IsSetUp())
        return false;
    reinterpret_cast<MINMAXINFO*>(minMaxInfo)->ptMinTrackSize = {originalWindow_.cx, originalWindow_.cy};
    return true;
}
