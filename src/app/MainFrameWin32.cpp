// The program's one main window: menu, status bar, title, the tab view, and the routing of serial and timer events.
#include "app/MainFrame.h"

#include <commctrl.h>

#include <algorithm>

#include "ResourceIds.h"
#include "app/FramePlacement.h"
#include "app/Help.h"
#include "machines/StateMachine.h"
#include "model/Model.h"
#include "model/StringTable.h"
#include "platform/LastError.h"
#include "ui/AboutDlg.h"
#include "ui/FrameRules.h"
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

} // namespace

CMainFrame::CMainFrame(std::unique_ptr<CModelBase> model, CMessageLoop* loop, bool quitOnDestroy)
    : model_(std::move(model)), loop_(loop), quitOnDestroy_(quitOnDestroy), tabView_(*model_), paneFocus_(tabView_)
{
    // The serial port, whose message window the frame is, lets the loop look out for its answers.
    if (loop_)
        target_.SetReadinessWatch(&loop_->LookOut());
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
        paneFocus_.OnActivate(window_, wParam);
        break;
    case WM_SETFOCUS:
        paneFocus_.OnSetFocus(window_);
        return 0;
    case WM_MENUSELECT:
        statusBar_.OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        return 0;
    case WM_EXITMENULOOP:
        statusBar_.EndMenuHelp();
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
    if (!statusBar_.Create(window_, IDW_STATUS_BAR, LoadStringResource(IDS_READY)))
        return false;
    // 2. The model reports to the frame; the settings are read.
    model_->SetNotifyWindow(&target_);
    model_->LoadSettings();
    // 3. Check marks.
    SetCheck(ID_VIEW_STATUS_BAR, statusBar_.IsShown());
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
    defaultSize_ = DefaultFrameSize(window_, tabView_.CreatedClientSize(), tabView_.NeededClientSize(),
                                    statusBar_.Height());
    WindowPlacement stored;
    if (model_->RestoreWindowPlacement(stored)) {
        WINDOWPLACEMENT placement = FromStored(stored);
        if (SetWindowPlacement(window_, &placement))
            return;
    }
    PlaceCentred(window_, defaultSize_);
}

void CMainFrame::OnCommand(UINT id)
{
    switch (id) {
    case ID_APP_EXIT:
        PostMessageW(window_, WM_CLOSE, 0, 0);
        break;
    case ID_VIEW_STATUS_BAR:
        statusBar_.Toggle();
        SetCheck(ID_VIEW_STATUS_BAR, statusBar_.IsShown());
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
        paneFocus_.MoveToPane(id == ID_NEXT_PANE);
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
    const int bottom = client.bottom - statusBar_.Layout();
    tabView_.Resize(0, 0, client.right, std::max(0, bottom));
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
    statusBar_.ShowLine(text);
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
