// The program's one main window: menu, status bar, title, the tab view, and the routing of serial and timer events.
#include "app/MainFrame.h"

#include <commctrl.h>

#include <algorithm>

#include "ResourceIds.h"
#include "app/Help.h"
#include "machines/StateMachine.h"
#include "model/Model.h"
#include "model/StringTable.h"
#include "platform/LastError.h"
#include "ui/AboutDlg.h"
#include "ui/FrameRules.h"
#include "ui/KeyboardNavigation.h"
#include "ui/ReleaseInfoDlg.h"

namespace {

constexpr wchar_t kFrameClass[] = L"MT6402UtilityFrame";
constexpr int kSheetId = 0xE900; // the frame's client window

bool RegisterFrameClass(WNDPROC procedure)
{
    static const bool registered = [procedure] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME));
        windowClass.hIconSm = static_cast<HICON>(LoadImageW(windowClass.hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                            IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                            GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kFrameClass;
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

WindowPlacement ToStored(const WINDOWPLACEMENT& p)
{
    WindowPlacement stored;
    stored.flags = p.flags;
    stored.showCmd = p.showCmd;
    stored.minPosX = p.ptMinPosition.x;
    stored.minPosY = p.ptMinPosition.y;
    stored.maxPosX = p.ptMaxPosition.x;
    stored.maxPosY = p.ptMaxPosition.y;
    stored.left = p.rcNormalPosition.left;
    stored.top = p.rcNormalPosition.top;
    stored.right = p.rcNormalPosition.right;
    stored.bottom = p.rcNormalPosition.bottom;
    return stored;
}

// The status bar's own visible style (IsWindowVisible also asks the frame, which may be hidden).
bool IsShown(HWND window) { return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

bool CanTakeFocus(HWND window) { return window && IsWindowVisible(window) && IsWindowEnabled(window); }

// A prompt string is "status line text\ntooltip text"; the status line shows the first part.
std::wstring StatusPrompt(UINT id)
{
    std::wstring text = LoadStringResource(id);
    return text.substr(0, text.find(L'\n'));
}

WINDOWPLACEMENT FromStored(const WindowPlacement& stored)
{
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    p.flags = stored.flags;
    p.showCmd = stored.showCmd;
    p.ptMinPosition = {stored.minPosX, stored.minPosY};
    p.ptMaxPosition = {stored.maxPosX, stored.maxPosY};
    p.rcNormalPosition = {stored.left, stored.top, stored.right, stored.bottom};
    return p;
}

} // namespace

CMainFrame::CMainFrame(std::unique_ptr<CModelBase> model, CMessageLoop* loop, bool quitOnDestroy)
    : model_(std::move(model)), loop_(loop), quitOnDestroy_(quitOnDestroy), tabView_(*model_)
{
}

CMainFrame::~CMainFrame()
{
    if (window_ && IsWindow(window_))
        DestroyWindow(window_);
}

HWND CMainFrame::Create()
{
    if (!RegisterFrameClass(WindowProc))
        return nullptr;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
    HWND window = CreateWindowExW(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, kFrameClass,
                                  LoadStringResource(IDS_APP_TITLE).c_str(),
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu, instance, this);
    if (!window) {
        SetLastErrorCode(GetLastError());
        if (menu)
            DestroyMenu(menu);
        return nullptr;
    }
    return window;
}

LRESULT CALLBACK CMainFrame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<CMainFrame*>(create->lpCreateParams);
        self->window_ = window;
        self->target_.Attach(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CMainFrame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        self->target_.Attach(nullptr);
    }
    return result;
}

bool CMainFrame::PreTranslateMessage(MSG& message)
{
    // The Release Notes window is a top-level window of its own: the frame's keys are not its keys.
    if (releaseNotes_ && releaseNotes_->IsDialogMessage(message))
        return true;
    if (accelerators_ && TranslateAcceleratorW(window_, accelerators_, &message))
        return true;
    return tabView_.IsDialogMessage(message);
}

LRESULT CMainFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate() ? 0 : -1;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_SHOWWINDOW:
        if (wParam && !firstShowDone_ && !IsWindowVisible(window_)) {
            firstShowDone_ = true;
            OnFirstShow();
        }
        break;
    case WM_SIZE:
        LayoutFrame();
        return 0;
    case WM_GETMINMAXINFO:
        if (defaultSize_.cx > 0 && defaultSize_.cy > 0) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = {defaultSize_.cx, defaultSize_.cy};
            return 0;
        }
        break;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_HELP:
        ShowHelpContents(window_);
        return TRUE;
    case WM_ACTIVATE:
        OnActivate(wParam);
        break;
    case WM_SETFOCUS:
        OnSetFocus();
        return 0;
    case WM_MENUSELECT:
        OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        return 0;
    case WM_EXITMENULOOP:
        EndMenuHelp();
        return 0;
    case WM_DEVICECHANGE:
        return TRUE;
    case WM_COMM_EVENT:
    case WM_TIMER:
        return RouteEvent(message, wParam, lParam);
    case WM_REPORT_TEXT:
        return OnReportText(lParam);
    case WM_VERBOSE_TEXT:
        return model_->VerboseLogging.Get() != 0 ? OnReportText(lParam) : 0;
    case WM_REPORT_TO_PAGE: {
        HWND page = tabView_.ActivePage();
        return page && IsWindow(page) ? SendMessageW(page, WM_REPORT_TO_PAGE, wParam, lParam) : 0;
    }
    case WM_MODEL_FIRMWARE_STATUS:
        UpdateTitle();
        ShowStatusForFirmware();
        return 0;
    case WM_STATUS_RESET:
        return ignoreStatusReset_ ? 0 : OnReportText(static_cast<LPARAM>(IDS_READY));
    case WM_MODEL_PORT:
        UpdateTitle();
        if (IContactStateMachine* contact = model_->ContactMachine()) {
            if (model_->Port.Get().empty())
                contact->ClosePortNow();
            else
                contact->TestCommunications();
        }
        return 0;
    case WM_MODEL_PORT_SPEED:
    case WM_MODEL_SERIAL_NUMBER:
        UpdateTitle();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

bool CMainFrame::OnCreate()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // 1. The status bar, saying "Ready".
    statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, LoadStringResource(IDS_READY).c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | SBARS_SIZEGRIP, 0, 0, 0,
                                 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDW_STATUS_BAR)), instance,
                                 nullptr);
    if (!statusBar_)
        return false;
    // 2. The model reports to the frame; the settings are read.
    model_->SetNotifyWindow(&target_);
    model_->LoadSettings();
    // 3. Check marks.
    SetCheck(ID_VIEW_STATUS_BAR, IsShown(statusBar_));
    SetCheck(ID_VIEW_TRACE, model_->Trace.Get() != 0);
    SetCheck(ID_VIEW_VERBOSE, model_->VerboseLogging.Get() != 0);
    // 4. and 5. The tab view as the client, on the start page.
    int start = StartPage(model_->Port.Get().empty(), model_->ActivePage.Get(), CTabView::PageCount);
    if (!tabView_.Create(window_, start, kSheetId))
        return false;
    LayoutFrame();
    // 6. The frame is ready.
    model_->FrameReady.Set(1);
    // 7. Accelerators and dialog navigation see the messages first.
    accelerators_ = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
    if (loop_) {
        loop_->AddMessageFilter(this);
        filterRegistered_ = true;
    }
    // 8. Observe the model; the Port notification already starts or stops the contact machine.
    Observe();
    // 9. A contact attempt on the saved port.
    if (IContactStateMachine* contact = model_->ContactMachine())
        contact->TestCommunications();
    return true;
}

void CMainFrame::Observe()
{
    observer_ = &target_;
    model_->FirmwareStatus.Advise(observer_);
    // StatusReset has no value: its registration must not say "Ready" over the status just shown.
    ignoreStatusReset_ = true;
    model_->StatusReset.Advise(observer_);
    ignoreStatusReset_ = false;
    model_->SerialNumber.Advise(observer_);
    model_->Port.Advise(observer_);
    model_->PortSpeed.Advise(observer_);
}

void CMainFrame::StopObserving()
{
    if (!observer_)
        return;
    model_->FirmwareStatus.Unadvise(observer_);
    model_->StatusReset.Unadvise(observer_);
    model_->SerialNumber.Unadvise(observer_);
    model_->Port.Unadvise(observer_);
    model_->PortSpeed.Unadvise(observer_);
    observer_ = nullptr;
}

void CMainFrame::OnDestroy()
{
    // 1. The Release Notes window goes with the frame.
    releaseNotes_.reset();
    // 2. to 4. Stop observing, close the port, remember the page shown.
    StopObserving();
    model_->ClosePort();
    int page = tabView_.ActiveIndex();
    model_->ActivePage.Set(page >= 0 ? page : 0);
    // 5. No more filtering.
    if (loop_ && filterRegistered_) {
        loop_->RemoveMessageFilter(this);
        filterRegistered_ = false;
    }
    // 6. and 7. Settings and window placement.
    model_->SaveSettings();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window_, &placement))
        model_->SaveWindowPlacement(ToStored(placement));
    CloseAllHelp();
    // 8. The message loop ends.
    if (quitOnDestroy_)
        PostQuitMessage(0);
}

void CMainFrame::OnFirstShow()
{
    SIZE client = tabView_.CreatedClientSize();
    defaultSize_ = {ScalePercent(client.cx, 105), ScalePercent(client.cy, 109)};
    // The proportions leave room for the frame's border, caption, menu and status bar only roughly;
    // the default (and minimum) size never cuts off the bottom or right of a page.
    SIZE needed = tabView_.NeededClientSize();
    if (needed.cx > 0 && needed.cy > 0) {
        RECT frame{0, 0, needed.cx, needed.cy};
        if (statusBar_ && IsShown(statusBar_)) {
            RECT bar{};
            GetWindowRect(statusBar_, &bar);
            frame.bottom += bar.bottom - bar.top;
        }
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), GetMenu(window_) != nullptr,
                           static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
        defaultSize_.cx = std::max<LONG>(defaultSize_.cx, frame.right - frame.left);
        defaultSize_.cy = std::max<LONG>(defaultSize_.cy, frame.bottom - frame.top);
    }
    WindowPlacement stored;
    if (model_->RestoreWindowPlacement(stored)) {
        WINDOWPLACEMENT placement = FromStored(stored);
        // A window saved minimised comes back in its normal size rather than as an icon.
        if (placement.showCmd == SW_SHOWMINIMIZED || placement.showCmd == SW_MINIMIZE ||
            placement.showCmd == SW_SHOWMINNOACTIVE)
            placement.showCmd = SW_SHOWNORMAL;
        if (SetWindowPlacement(window_, &placement))
            return;
    }
    SetWindowPos(window_, nullptr, 0, 0, defaultSize_.cx, defaultSize_.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Centre on the parent, which for a top-level window is the screen's work area.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int x = work.left + ((work.right - work.left) - defaultSize_.cx) / 2;
    int y = work.top + ((work.bottom - work.top) - defaultSize_.cy) / 2;
    SetWindowPos(window_, nullptr, std::max<int>(work.left, x), std::max<int>(work.top, y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainFrame::OnCommand(UINT id)
{
    switch (id) {
    case ID_APP_EXIT:
        PostMessageW(window_, WM_CLOSE, 0, 0);
        break;
    case ID_VIEW_STATUS_BAR:
        ShowWindow(statusBar_, IsShown(statusBar_) ? SW_HIDE : SW_SHOW);
        SetCheck(ID_VIEW_STATUS_BAR, IsShown(statusBar_));
        LayoutFrame();
        break;
    case ID_VIEW_TRACE:
    case ID_VIEW_VERBOSE:
        ToggleSetting(id);
        break;
    case ID_HELP_CONTENTS:
        ShowHelpContents(window_);
        break;
    case ID_HELP_RELEASE_NOTES:
        // One Release Notes window at a time: the previous one goes before the new one opens.
        releaseNotes_.reset();
        releaseNotes_ = OpenReleaseNotes(window_, model_->FirmwareFolder.Get());
        break;
    case ID_APP_ABOUT: {
        CAboutDlg about;
        about.DoModal(window_);
        break;
    }
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        MoveToPane(id == ID_NEXT_PANE);
        break;
    default:
        break;
    }
}

void CMainFrame::ToggleSetting(UINT command)
{
    auto& setting = command == ID_VIEW_TRACE ? model_->Trace : model_->VerboseLogging;
    setting.Set(setting.Get() ? 0 : 1);
    SetCheck(command, setting.Get() != 0);
    LayoutFrame();
}

void CMainFrame::SetCheck(UINT command, bool checked)
{
    if (HMENU menu = GetMenu(window_))
        CheckMenuItem(menu, command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void CMainFrame::LayoutFrame()
{
    if (!window_)
        return;
    RECT client{};
    GetClientRect(window_, &client);
    int bottom = client.bottom;
    if (statusBar_ && IsShown(statusBar_)) {
        SendMessageW(statusBar_, WM_SIZE, 0, 0);
        RECT bar{};
        GetWindowRect(statusBar_, &bar);
        bottom -= bar.bottom - bar.top;
    }
    tabView_.Resize(0, 0, client.right, std::max(0, bottom));
}

HWND CMainFrame::PageFocusTarget() const
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

void CMainFrame::MoveToPane(bool forward)
{
    HWND focus = GetFocus();
    HWND tab = tabView_.TabControl();
    HWND page = tabView_.ActivePage();
    // Panes in order: 0 the tab control, 1 the page shown. The status bar takes no focus.
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

void CMainFrame::OnActivate(WPARAM wParam)
{
    if (LOWORD(wParam) != WA_INACTIVE)
        return;
    HWND focus = GetFocus();
    if (focus && IsChild(window_, focus))
        focusOnDeactivate_ = focus;
}

// The frame itself takes no keys: the focus goes back to the control that had it, else into the page.
void CMainFrame::OnSetFocus()
{
    HWND target = nullptr;
    if (focusOnDeactivate_ && IsChild(window_, focusOnDeactivate_) && CanTakeFocus(focusOnDeactivate_))
        target = focusOnDeactivate_;
    if (!target)
        target = PageFocusTarget();
    if (!target && CanTakeFocus(tabView_.TabControl()))
        target = tabView_.TabControl();
    if (target)
        SetFocus(target);
}

void CMainFrame::OnMenuSelect(UINT id, UINT flags, HMENU menu)
{
    if (flags == 0xFFFF && !menu) {
        EndMenuHelp();
        return;
    }
    if (!menuHelpShown_) {
        LRESULT length = SendMessageW(statusBar_, SB_GETTEXTLENGTHW, 0, 0);
        textBeforeMenu_.assign(static_cast<size_t>(LOWORD(length)) + 1, L'\0');
        SendMessageW(statusBar_, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(textBeforeMenu_.data()));
        textBeforeMenu_.resize(LOWORD(length));
        menuHelpShown_ = true;
    }
    std::wstring prompt = (flags & (MF_POPUP | MF_SEPARATOR)) ? std::wstring() : StatusPrompt(id);
    const std::wstring& shown = prompt.empty() ? textBeforeMenu_ : prompt;
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(shown.c_str()));
}

void CMainFrame::EndMenuHelp()
{
    if (!menuHelpShown_)
        return;
    menuHelpShown_ = false;
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(textBeforeMenu_.c_str()));
}

LRESULT CMainFrame::RouteEvent(UINT message, WPARAM wParam, LPARAM lParam)
{
    IContactStateMachine* contact = model_->ContactMachine();
    ILoaderStateMachine* loader = model_->LoaderMachine();
    bool contactRunning = contact && !contact->IsComplete();
    bool loaderRunning = loader && !loader->IsComplete();
    IStateMachine* target = nullptr;
    switch (::RouteEvent(contactRunning, loaderRunning)) {
    case EventRoute::ContactMachine:
        target = contact;
        break;
    case EventRoute::LoaderMachine:
        target = loader;
        break;
    case EventRoute::Page: {
        HWND page = tabView_.ActivePage();
        return page && IsWindow(page) ? SendMessageW(page, message, wParam, lParam) : 0;
    }
    }
    bool handled = false;
    if (message == WM_COMM_EVENT)
        target->OnReceive(message, wParam, lParam, handled);
    else
        target->OnTimer(message, wParam, lParam, handled);
    return 0;
}

LRESULT CMainFrame::OnReportText(LPARAM lParam)
{
    // A value below 0x10000 in place of a text is a string-table id.
    std::wstring loaded;
    const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
    if (IS_INTRESOURCE(lParam)) {
        loaded = LoadStringResource(static_cast<uint32_t>(lParam));
        text = loaded.c_str();
    }
    if (!text)
        return 0;
    // While a menu shows its prompts the line comes back when the menu closes.
    if (menuHelpShown_)
        textBeforeMenu_ = text;
    else
        SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    if (tabView_.ActiveIndex() == CTabView::LogPageIndex)
        SendMessageW(window_, WM_REPORT_TO_PAGE, 0, reinterpret_cast<LPARAM>(text));
    return 0;
}

void CMainFrame::UpdateTitle()
{
    if (!haveVersion_)
        haveVersion_ = version_.ReadOwnExecutable();
    FrameTitleInfo info;
    info.hasVersion = haveVersion_;
    if (haveVersion_) {
        info.description = version_.Get(CFileVersionInfo::FileDescription);
        auto parts = version_.FileVersionParts();
        for (int i = 0; i < 4; ++i)
            info.version[i] = parts[i];
    }
    info.serialNumber = model_->SerialNumber.Get();
    info.port = model_->Port.Get();
    info.portOpen = model_->PortOpen.Get() != 0;
    info.speed = model_->PortSpeed.Get();
    SetWindowTextW(window_, FrameTitle(info).c_str());
}

void CMainFrame::ShowStatusForFirmware()
{
    std::wstring text = FirmwareStatusText(model_->FirmwareStatus.Get(), model_->PortOpen.Get() != 0,
                                           model_->InstalledRevision.Get(), model_->PortSpeed.Get());
    SendMessageW(window_, WM_REPORT_TEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
