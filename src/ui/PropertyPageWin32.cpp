// A property page over PROPSHEETPAGE whose messages reach member handlers like a dialog's.
#include "ui/PropertyPage.h"

#include "platform/LastError.h"

HPROPSHEETPAGE CPropertyPageImpl::CreatePage()
{
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = GetModuleHandleW(nullptr);
    page.pszTemplate = MAKEINTRESOURCEW(TemplateId());
    page.pfnDlgProc = PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    HPROPSHEETPAGE handle = CreatePropertySheetPageW(&page);
    if (!handle)
        SetLastErrorCode(GetLastError());
    return handle;
}

INT_PTR CALLBACK CPropertyPageImpl::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The sheet passes its copy of the PROPSHEETPAGE with WM_INITDIALOG; its lParam is the object.
    CDialogImpl* self = message == WM_INITDIALOG
                            ? reinterpret_cast<CPropertyPageImpl*>(reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam)
                            : reinterpret_cast<CDialogImpl*>(GetWindowLongPtrW(window, DWLP_USER));
    return Route(self, window, message, wParam, lParam);
}

bool CPropertyPageImpl::OnNotify(NMHDR* header, LRESULT& result)
{
    if (header->hwndFrom != GetParent(Handle()))
        return false;
    switch (header->code) {
    case PSN_SETACTIVE:
        result = OnSetActive() ? 0 : -1;
        return true;
    case PSN_KILLACTIVE:
        result = OnKillActive() ? FALSE : TRUE;
        return true;
    default:
        return false;
    }
}
