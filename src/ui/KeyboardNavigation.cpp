// Keyboard navigation rules of the main window: page keys on the tab control and F6 between panes.
#include "ui/KeyboardNavigation.h"

int PageForTabKey(uint32_t virtualKey, bool control, bool shift, int current, int pageCount)
{
    if (pageCount <= 0)
        return -1;
    int step = 0;
    if (control) {
        if (virtualKey == NAV_KEY_TAB)
            step = shift ? -1 : 1;
        else if (virtualKey == NAV_KEY_PAGE_DOWN && !shift)
            step = 1;
        else if (virtualKey == NAV_KEY_PAGE_UP && !shift)
            step = -1;
        else
            return -1;
        if (current < 0 || current >= pageCount)
            return step > 0 ? 0 : pageCount - 1;
        return (current + step + pageCount) % pageCount;
    }
    if (shift)
        return -1;
    if (virtualKey == NAV_KEY_HOME)
        return 0;
    if (virtualKey == NAV_KEY_END)
        return pageCount - 1;
    return -1;
}

int NextPane(int current, const std::vector<bool>& focusable, bool forward)
{
    const int count = static_cast<int>(focusable.size());
    if (count == 0)
        return -1;
    int pane = current;
    if (pane < 0 || pane >= count)
        pane = forward ? -1 : count;
    for (int tried = 0; tried < count; ++tried) {
        pane = forward ? pane + 1 : pane - 1;
        pane = (pane + count) % count;
        if (focusable[static_cast<size_t>(pane)] && pane != current)
            return pane;
    }
    // Only the current pane can take the focus: it keeps it.
    return current >= 0 && current < count && focusable[static_cast<size_t>(current)] ? current : -1;
}
