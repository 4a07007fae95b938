// The tab view's tab control, subclassed: keys that switch pages wrap around and keep the focus where the user is.
#pragma once
#include <functional>

#include <windows.h>

// Wraps the tab control of a property sheet (the control's parent). While the focus is on the tab
// control, Ctrl+Tab and Ctrl+Page Down show the next page and Ctrl+Shift+Tab and Ctrl+Page Up the
// previous one, wrapping at either end; Home and End show the first and the last page. Pages change
// through the sheet, so each page hears that it is hidden or shown, and the focus stays on the tab
// control. The subclass ends when the control is destroyed or when the object is, whichever comes
// first. Not copyable: the subclass refers to this object.
//
// The sheet changes pages in more than one way (a click on a tab notifies it, its own Ctrl+Tab
// handling and PSM_SETCURSEL set the tab's selection directly); every way ends in the tab control's
// selection being set, so the wrapper tells its owner then, with the new page's index.
class CPropSheetTabCtrl {
public:
    CPropSheetTabCtrl() = default;
    ~CPropSheetTabCtrl();
    CPropSheetTabCtrl(const CPropSheetTabCtrl&) = delete;
    CPropSheetTabCtrl& operator=(const CPropSheetTabCtrl&) = delete;

    // Subclasses `tab` (ending any earlier subclass of this object). False with the last error when
    // the control cannot be subclassed.
    bool SubclassWindow(HWND tab);
    void UnsubclassWindow();
    HWND Handle() const { return tab_; }

    // Shows page `index` through the sheet; false when there is no such page.
    bool SelectPage(int index);
    // Called after the sheet has set the tab control's selection to a page (none by default).
    void OnPageSelected(std::function<void(int index)> listener) { pageSelected_ = std::move(listener); }

private:
    static LRESULT CALLBACK Proc(HWND tab, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    // The page a key asks for with the current Ctrl and Shift state, or -1.
    int PageForKey(WPARAM key) const;
    bool IsPageKey(const MSG& message) const;
    bool OnKeyDown(WPARAM key);

    HWND tab_ = nullptr;
    std::function<void(int index)> pageSelected_;
};
