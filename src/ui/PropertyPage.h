// A property page over PROPSHEETPAGE whose messages reach member handlers like a dialog's.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "ui/DialogImpl.h"

class CPropertyPageImpl : public CDialogImpl {
public:
    explicit CPropertyPageImpl(UINT templateId) : CDialogImpl(templateId) {}

    // The page for PropertySheet; its window is created when the sheet first shows the page.
    HPROPSHEETPAGE CreatePage();

protected:
    // The sheet is about to show the page (PSN_SETACTIVE); false keeps the page from showing.
    virtual bool OnSetActive() { return true; }
    // The sheet is about to hide the page (PSN_KILLACTIVE); false keeps it shown.
    virtual bool OnKillActive() { return true; }
    bool OnNotify(NMHDR* header, LRESULT& result) override;

private:
    static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
