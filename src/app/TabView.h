// The main frame's client: a modeless property sheet made a child window, holding the three pages.
#pragma once
#include <memory>
#include <vector>

#include <windows.h>

#include "ui/PropSheetTabCtrl.h"

class CModelBase;
class CPropertyPageImpl;

// Pages in order: 0 Port, 1 Firmware (the log page), 2 Command Tester. The sheet has no Apply
// button; its own buttons are hidden and disabled, its tab control enlarged, and sheet, tab control
// and pages follow the size given to Resize.
class CTabView {
public:
    static constexpr int PageCount = 3;
    static constexpr int LogPageIndex = 1;

    explicit CTabView(CModelBase& model);
    ~CTabView();
    CTabView(const CTabView&) = delete;
    CTabView& operator=(const CTabView&) = delete;

    // Creates the sheet as a child of the frame, showing the start page. False (with the reason in
    // the last error) when the sheet could not be created.
    bool Create(HWND frame, int startPage, int controlId);
    void Destroy();

    HWND Handle() const { return sheet_; }
    HWND TabControl() const { return tab_; }
    CPropSheetTabCtrl& TabCtrl() { return tabCtrl_; }
    // The page shown and its index (-1 when there is none).
    HWND ActivePage() const;
    int ActiveIndex() const;
    bool SetActivePage(int index);

    // The sheet's client size as created, before any resize.
    SIZE CreatedClientSize() const { return createdClient_; }
    // The client size at which every page shows its whole template.
    SIZE NeededClientSize() const { return neededClient_; }
    // Places the sheet at (x, y) with this size and lays out its tab control and pages.
    void Resize(int x, int y, int width, int height);
    // Keyboard navigation inside the pages; true when the message was used.
    bool IsDialogMessage(MSG& message);

private:
    static int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam);
    static LRESULT CALLBACK SheetProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data);
    void PrepareSheet();
    void LayoutChildren();
    void AfterPageChange(HWND page);

    CModelBase& model_;
    std::vector<std::unique_ptr<CPropertyPageImpl>> pages_;
    HWND sheet_ = nullptr;
    HWND tab_ = nullptr;
    CPropSheetTabCtrl tabCtrl_;
    SIZE createdClient_{};
    SIZE neededClient_{};
    // The tab control's distances to the sheet's client edges after it was enlarged.
    RECT tabMargins_{};
};
