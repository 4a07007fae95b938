// The tab view's tab control, subclassed: keys that switch pages wrap around and keep the focus where the user is.
#include "ui/PropSheetTabCtrl.h"

#include <commctrl.h>

#include "platform/LastError.h"
#include "ui/KeyboardNavigation.h"

namespace {

constexpr UINT_PTR kSubclassId = 0x5054; // one subclass of this kind per control

bool IsKeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

} // namespace

CPropSheetTabCtrl::~CPropSheetTabCtrl() { UnsubclassWindow(); }

bool CPropSheetTabCtrl::SubclassWindow(HWND tab)
{
    UnsubclassWindow();
    if (!tab || !IsWindow(tab)) {
        SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (!SetWindowSubclass(tab, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        SetLastErrorCode(GetLastError() ? GetLastError() : ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    tab_ = tab;
    return true;
}

void CPropSheetTabCtrl::UnsubclassWindow()
{
    if (tab_ && IsWindow(tab_))
        RemoveWindowSubclass(tab_, Proc, kSubclassId);
    tab_ = nullptr;
}

bool CPropSheetTabCtrl::SelectPage(int index)
{
    if (!tab_ || index < 0 || index >= TabCtrl_GetItemCount(tab_))
        return false;
    HWND sheet = GetParent(tab_);
    return sheet && SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != 0;
}

int CPropSheetTabCtrl::PageForKey(WPARAM key) const
{
    return PageForTabKey(static_cast<uint32_t>(key), IsKeyDown(VK_CONTROL), IsKeyDown(VK_SHIFT),
                         TabCtrl_GetCurSel(tab_), TabCtrl_GetItemCount(tab_));
}

bool CPropSheetTabCtrl::IsPageKey(const MSG& message) const
{
    return message.message == WM_KEYDOWN && PageForKey(message.wParam) >= 0;
}

bool CPropSheetTabCtrl::OnKeyDown(WPARAM key)
{
    int page = PageForKey(key);
    if (page < 0)
        return false;
    if (page != TabCtrl_GetCurSel(tab_))
        SelectPage(page);
    // The sheet may hand the focus to the new page; the user is on the tabs and stays there.
    if (GetFocus() != tab_)
        SetFocus(tab_);
    return true;
}

LRESULT CALLBACK CPropSheetTabCtrl::Proc(HWND tab, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR data)
{
    auto* self = reinterpret_cast<CPropSheetTabCtrl*>(data);
    switch (message) {
    case WM_GETDLGCODE:
        // While the focus is here the page keys are the tab control's own, not the sheet's.
        if (lParam && self->IsPageKey(*reinterpret_cast<const MSG*>(lParam)))
            return DefSubclassProc(tab, message, wParam, lParam) | DLGC_WANTMESSAGE;
        break;
    case WM_KEYDOWN:
        if (self->OnKeyDown(wParam))
            return 0;
        break;
    case TCM_SETCURSEL: {
        LRESULT result = DefSubclassProc(tab, message, wParam, lParam);
        if (self->pageSelected_ && TabCtrl_GetCurSel(tab) == static_cast<int>(wParam))
            self->pageSelected_(static_cast<int>(wParam));
        return result;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(tab, Proc, kSubclassId);
        self->tab_ = nullptr;
        break;
    default:
        break;
    }
    return DefSubclassProc(tab, message, wParam, lParam);
}
