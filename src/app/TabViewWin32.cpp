// The main frame's client: a modeless property sheet made a child window, holding the three pages.
#include "app/TabView.h"

#include <commctrl.h>

#include <algorithm>

#include "ResourceIds.h"
#include "model/Model.h"
#include "platform/LastError.h"
#include "ui/CommandTesterPage.h"
#include "ui/FirmwarePage.h"
#include "ui/PortPage.h"
#include "ui/TemplatePage.h"

namespace {

constexpr int kApplyNowId = 0x3021; // the sheet's Apply Now button (12321)
constexpr WORD kExtendedTemplateSignature = 0xFFFF;
constexpr UINT_PTR kSheetSubclassId = 1;

// The template of a DIALOGEX starts with these fields.
#pragma pack(push, 1)
struct ExtendedTemplateHead {
    WORD version;
    WORD signature;
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
};
#pragma pack(pop)

void MakeChildStyle(DWORD& style, DWORD& exStyle)
{
    style &= ~static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | DS_CONTEXTHELP |
                                 WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    style |= WS_CHILD | DS_CONTROL | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    exStyle &= ~static_cast<DWORD>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTEXTHELP | WS_EX_APPWINDOW);
    exStyle |= WS_EX_CONTROLPARENT;
}

std::unique_ptr<CPropertyPageImpl> MakePage(UINT templateId, CModelBase& model)
{
    switch (templateId) {
    case IDD_PORT:
        return std::make_unique<CPortPage>(model);
    case IDD_FIRMWARE:
        return std::make_unique<CFirmwarePage>(model);
    case IDD_COMMAND_TESTER:
        return std::make_unique<CCommandTesterPage>(model);
    default: {
        std::vector<LayoutRule> rules{{IDC_EDIT_MACROS, LayoutMoveX}, {IDC_CLEAR_OUTPUT, LayoutMoveX},
                                      {IDC_COMMAND_BOX, LayoutGrowX}, {IDC_COMMAND_LABEL, LayoutGrowX},
                                      {IDC_OUTPUT, LayoutGrowX | LayoutGrowY}};
        for (int i = 0; i < 16; ++i)
            rules.push_back({IDC_MACRO_FIRST + i, LayoutGrowX, static_cast<unsigned>(i % 4), 4});
        return std::make_unique<CTemplatePage>(IDD_COMMAND_TESTER, std::move(rules), L"CommandTester.htm",
                                               IDC_OUTPUT);
    }
    }
}

} // namespace

CTabView::CTabView(CModelBase& model) : model_(model)
{
    for (UINT id : {IDD_PORT, IDD_FIRMWARE, IDD_COMMAND_TESTER})
        pages_.push_back(MakePage(id, model_));
}

CTabView::~CTabView() { Destroy(); }

int CALLBACK CTabView::SheetCallback(HWND, UINT message, LPARAM lParam)
{
    // Before the sheet exists its template becomes that of a child window without a frame.
    if (message == PSCB_PRECREATE && lParam) {
        auto* head = reinterpret_cast<ExtendedTemplateHead*>(lParam);
        if (head->signature == kExtendedTemplateSignature) {
            MakeChildStyle(head->style, head->exStyle);
        } else {
            auto* plain = reinterpret_cast<DLGTEMPLATE*>(lParam);
            MakeChildStyle(plain->style, plain->dwExtendedStyle);
        }
    }
    return 0;
}

bool CTabView::Create(HWND frame, int startPage, int controlId)
{
    std::vector<HPROPSHEETPAGE> handles;
    for (auto& page : pages_) {
        HPROPSHEETPAGE handle = page->CreatePage();
        if (!handle) {
            DWORD error = GetLastError();
            for (HPROPSHEETPAGE created : handles)
                DestroyPropertySheetPage(created);
            SetLastErrorCode(error);
            return false;
        }
        handles.push_back(handle);
    }
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW | PSH_USECALLBACK | PSH_NOCONTEXTHELP;
    header.hwndParent = frame;
    header.hInstance = GetModuleHandleW(nullptr);
    header.nPages = static_cast<UINT>(handles.size());
    header.nStartPage = static_cast<UINT>(startPage >= 0 && startPage < PageCount ? startPage : 0);
    header.phpage = handles.data();
    header.pfnCallback = SheetCallback;
    sheet_ = reinterpret_cast<HWND>(PropertySheetW(&header));
    if (!sheet_ || sheet_ == reinterpret_cast<HWND>(-1)) {
        sheet_ = nullptr;
        SetLastErrorCode(GetLastError() ? GetLastError() : ERROR_CANNOT_MAKE);
        return false;
    }
    SetWindowLongPtrW(sheet_, GWLP_ID, controlId);
    SetWindowSubclass(sheet_, SheetProc, kSheetSubclassId, reinterpret_cast<DWORD_PTR>(this));
    PrepareSheet();
    ShowWindow(sheet_, SW_SHOWNA);
    return true;
}

void CTabView::PrepareSheet()
{
    for (int id : {IDOK, IDCANCEL, kApplyNowId, IDHELP}) {
        if (HWND button = GetDlgItem(sheet_, id)) {
            ShowWindow(button, SW_HIDE);
            EnableWindow(button, FALSE);
        }
    }
    RECT client{};
    GetClientRect(sheet_, &client);
    createdClient_ = {client.right, client.bottom};
    tab_ = reinterpret_cast<HWND>(SendMessageW(sheet_, PSM_GETTABCONTROL, 0, 0));
    if (!tab_)
        return;
    RECT tab{};
    GetWindowRect(tab_, &tab);
    MapWindowPoints(nullptr, sheet_, reinterpret_cast<POINT*>(&tab), 2);
    InflateRect(&tab, 4, 8);
    // Below the tab control the sheet kept the room of its hidden buttons; the tab control takes it,
    // keeping the same margin at the bottom as at the sides.
    tabMargins_ = {std::max(0L, tab.left), std::max(0L, tab.top), std::max(0L, client.right - tab.right),
                   std::max(0L, tab.left)};
    // The room the pages need: the display area the sheet gave the first page, around it the tab
    // control and its margins.
    RECT page{};
    if (HWND shown = ActivePage()) {
        GetWindowRect(shown, &page);
        OffsetRect(&page, -page.left, -page.top);
        TabCtrl_AdjustRect(tab_, TRUE, &page);
        neededClient_ = {(page.right - page.left) + tabMargins_.left + tabMargins_.right,
                         (page.bottom - page.top) + tabMargins_.top + tabMargins_.bottom};
    }
    tabCtrl_.SubclassWindow(tab_);
    // The sheet's own Ctrl+Tab and Ctrl+Page Down change the page without telling the sheet's
    // window procedure; the tab control hears of every change.
    tabCtrl_.OnPageSelected([this](int index) {
        AfterPageChange(reinterpret_cast<HWND>(SendMessageW(sheet_, PSM_INDEXTOHWND, static_cast<WPARAM>(index), 0)));
    });
    LayoutChildren();
}

// The sheet places a page at its own idea of the display area when it shows it; the pages are
// laid out again after every change of page.
LRESULT CALLBACK CTabView::SheetProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR data)
{
    auto* self = reinterpret_cast<CTabView*>(data);
    LRESULT result = DefSubclassProc(sheet, message, wParam, lParam);
    switch (message) {
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(TCN_SELCHANGE))
            self->AfterPageChange(self->ActivePage());
        break;
    case PSM_SETCURSEL:
        self->AfterPageChange(self->ActivePage());
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(sheet, SheetProc, kSheetSubclassId);
        break;
    default:
        break;
    }
    return result;
}

// The sheet places the page it shows at its own idea of the display area, and it hides the page it
// leaves even when the focus is on one of its controls (Ctrl+Tab from inside a page), which would
// leave the keyboard talking to a hidden control. The pages are laid out again, and the focus moves
// to the first control of the page now shown, or to the tabs when that page has none to take it.
void CTabView::AfterPageChange(HWND page)
{
    LayoutChildren();
    HWND focus = GetFocus();
    if (!focus || !IsChild(sheet_, focus) || IsWindowVisible(focus))
        return;
    HWND first = page ? GetNextDlgTabItem(page, nullptr, FALSE) : nullptr;
    if (first && IsChild(page, first) && (GetWindowLongPtrW(first, GWL_STYLE) & WS_TABSTOP) &&
        IsWindowVisible(first) && IsWindowEnabled(first))
        SendMessageW(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    else if (tab_)
        SetFocus(tab_);
}

void CTabView::Destroy()
{
    tabCtrl_.UnsubclassWindow();
    if (sheet_ && IsWindow(sheet_))
        DestroyWindow(sheet_);
    sheet_ = nullptr;
    tab_ = nullptr;
}

HWND CTabView::ActivePage() const
{
    return sheet_ ? reinterpret_cast<HWND>(SendMessageW(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0)) : nullptr;
}

int CTabView::ActiveIndex() const
{
    HWND page = ActivePage();
    if (!page)
        return -1;
    return static_cast<int>(SendMessageW(sheet_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

bool CTabView::SetActivePage(int index)
{
    if (!sheet_ || index < 0 || index >= PageCount)
        return false;
    return SendMessageW(sheet_, PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != 0;
}

void CTabView::Resize(int x, int y, int width, int height)
{
    if (!sheet_)
        return;
    SetWindowPos(sheet_, nullptr, x, y, std::max(0, width), std::max(0, height), SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutChildren();
}

void CTabView::LayoutChildren()
{
    if (!sheet_ || !tab_)
        return;
    RECT client{};
    GetClientRect(sheet_, &client);
    RECT tab{tabMargins_.left, tabMargins_.top, client.right - tabMargins_.right, client.bottom - tabMargins_.bottom};
    if (tab.right < tab.left)
        tab.right = tab.left;
    if (tab.bottom < tab.top)
        tab.bottom = tab.top;
    SetWindowPos(tab_, nullptr, tab.left, tab.top, tab.right - tab.left, tab.bottom - tab.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // The pages fill the tab control's display area.
    RECT display{0, 0, tab.right - tab.left, tab.bottom - tab.top};
    TabCtrl_AdjustRect(tab_, FALSE, &display);
    OffsetRect(&display, tab.left, tab.top);
    for (int i = 0; i < PageCount; ++i) {
        HWND page = reinterpret_cast<HWND>(SendMessageW(sheet_, PSM_INDEXTOHWND, static_cast<WPARAM>(i), 0));
        if (page)
            SetWindowPos(page, nullptr, display.left, display.top, display.right - display.left,
                         display.bottom - display.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool CTabView::IsDialogMessage(MSG& message)
{
    return sheet_ && SendMessageW(sheet_, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&message)) != 0;
}
