// The "Sending Firmware" dialog: a firmware load runs in it, with its log, progress bar and outcome.
#include "ui/LoaderDlg.h"

#include <commctrl.h>
#include <richedit.h>

#include <utility>

#include "ResourceIds.h"
#include "machines/StateMachine.h"
#include "model/ActivityLog.h"
#include "model/ErrorText.h"
#include "model/Model.h"
#include "model/OsVersion.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"
#include "platform/LastError.h"
#include "platform/UserQuestions.h"
#include "ui/FileVersionInfo.h"
#include "ui/FirmwarePageRules.h"
#include "ui/LoaderDlgRules.h"

namespace {

// While a load runs the bar is brought up to date ten times a second: drawn at every step, it
// would cost each block its paint.
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressIntervalMs = 100;

} // namespace

CLoaderDlg::CLoaderDlg(CModelBase& model) : CDialogImpl(IDD_LOADER), model_(model) {}

CLoaderDlg::~CLoaderDlg()
{
    StopObserving();
    ReleaseMachine();
}

void CLoaderDlg::AppendToOwnLog(const std::wstring& text)
{
    if (log_.Handle())
        AppendLine(log_.View(), text);
}

bool CLoaderDlg::OnInitDialog()
{
    target_.Attach(Handle());
    cancel_ = Item(IDCANCEL);
    progress_ = Item(IDC_LOADER_PROGRESS);
    log_.Attach(Item(IDC_LOG));
    AddSizeGrip();
    layout_.Setup(Handle(), {{IDC_LOG, LayoutGrowX | LayoutGrowY},
                             {IDC_LOADER_PROGRESS, LayoutGrowX | LayoutMoveY},
                             {IDCANCEL, LayoutMoveX | LayoutMoveY},
                             {IDC_SIZE_GRIP, LayoutMoveX | LayoutMoveY}});
    CFileVersionInfo version;
    if (version.ReadOwnExecutable())
        DisplayStatus(L"%s", ProgramRevisionLine(version.Get(CFileVersionInfo::FileDescription),
                                                 version.FileVersionParts()));
    DisplayStatus(L"%s", OsVersionText());
    DisplayStatus(L"%s", LoaderStatusLine(model_.InstalledRevision.Get(), model_.PortSpeed.Get()));
    CentreWindow();
    // The button, not the log: the dialog manager would select the whole log on giving it the focus.
    SetFocus(cancel_);
    return false;
}

// The grip in the lower-right corner that says the dialog can be resized.
void CLoaderDlg::AddSizeGrip()
{
    RECT client{};
    GetClientRect(Handle(), &client);
    const int width = GetSystemMetrics(SM_CXVSCROLL);
    const int height = GetSystemMetrics(SM_CYHSCROLL);
    CreateWindowExW(0, WC_SCROLLBARW, nullptr, WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN,
                    client.right - width, client.bottom - height, width, height, Handle(),
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SIZE_GRIP)), GetModuleHandleW(nullptr),
                    nullptr);
}

void CLoaderDlg::Start()
{
    started_ = true;
    machine_ = model_.CreateLoaderMachine();
    const uint32_t creationError = machine_ ? 0 : GetLastErrorCode();
    if (!observing_) {
        observing_ = true;
        model_.ProgressMaximum.Advise(&target_);
        model_.ProgressPosition.Advise(&target_);
        // Its registration sends a notification too: only the one after StartLoad ends the load.
        model_.StatusReset.Advise(&target_);
    }
    if (!machine_) {
        // Nothing will end this load: say why at once.
        ShowFailure(creationError != 0 ? creationError : ERROR_CODE_NOT_ENOUGH_MEMORY);
        return;
    }
    if (!machine_->IsComplete())
        return;
    SetWindowTextW(Handle(), Format(StringId{IDS_SENDING_TITLE}, machine_->GetDeviceName()).c_str());
    AddWaitRequest();
    // A load that cannot start ends in the machine's final state: StatusReset arrives at once.
    loadRunning_ = true;
    SetTimer(Handle(), kProgressTimer, kProgressIntervalMs, nullptr);
    machine_->StartLoad(&target_);
}

// `first`: the load has set its first position. Until then the model holds an earlier load's.
void CLoaderDlg::ShowProgress(bool first)
{
    const uint32_t position = model_.ProgressPosition.Get();
    if ((!first && shownPosition_ < 0) || static_cast<int64_t>(position) == shownPosition_)
        return;
    shownPosition_ = position;
    SendMessageW(progress_, PBM_SETPOS, position, 0);
}

void CLoaderDlg::Complete(uint32_t result)
{
    KillTimer(Handle(), kProgressTimer);
    ShowProgress(false); // where the load ended
    loadRunning_ = false;
    SetWindowTextW(cancel_, LoadStringResource(IDS_CLOSE).c_str());
    RemoveWaitRequest();
    const auto line = [this](LoaderLine kind, const std::wstring& text) {
        switch (kind) {
        case LoaderLine::LogOnly:
            AppendToOwnLog(text);
            break;
        case LoaderLine::Report:
            DisplayStatus(L"%s", text);
            break;
        case LoaderLine::Verbose:
            DisplayVerbose(L"%s", text);
            break;
        }
    };
    // The load's result, or the revision check's after a complete load.
    loadResult_ = machine_ ? CompleteLoad(*machine_, result, line) : result;
    if (IsFailure(loadResult_)) {
        DisplayStatus(StringId{IDS_CLICK_CLOSE});
        return;
    }
    if (model_.Trace.Get() != 0)
        AppendToOwnLog(LoadStringResource(IDS_CLICK_CLOSE));
    else
        End(IDOK);
}

// A load that could not even begin: its code, its text and the way out.
void CLoaderDlg::ShowFailure(uint32_t code)
{
    loadResult_ = code;
    SetWindowTextW(cancel_, LoadStringResource(IDS_CLOSE).c_str());
    DisplayStatus(StringId{IDS_ERROR_CODE}, code, ErrorText(code));
    DisplayStatus(StringId{IDS_CLICK_CLOSE});
}

void CLoaderDlg::OnClose()
{
    if (ending_)
        return;
    if (machine_ && !machine_->IsComplete()) {
        const int answer = AskUser(&target_, LoadStringResource(IDS_CONFIRM_CLOSE_DURING_LOAD),
                                   LoadStringResource(IDS_CRITICAL_OPERATION),
                                   MB_FLAG_YESNO | MB_FLAG_DEFBUTTON2 | MB_FLAG_ICONWARNING);
        if (answer != ANSWER_YES || ending_)
            return;
        // The load may have ended while the question was open; then it decides as below.
        if (machine_ && !machine_->IsComplete()) {
            End(IDCANCEL);
            return;
        }
    }
    End(loadResult_ == STATUS_OK ? IDOK : IDCANCEL);
}

void CLoaderDlg::End(INT_PTR result)
{
    ending_ = true;
    EndDialog(result);
}

// The dialog is ending and has hidden: the load is over for it, finished or not.
void CLoaderDlg::OnHidden()
{
    StopObserving();
    ReleaseMachine();
}

void CLoaderDlg::StopObserving()
{
    if (!observing_)
        return;
    observing_ = false;
    model_.ProgressMaximum.Unadvise(&target_);
    model_.ProgressPosition.Unadvise(&target_);
    model_.StatusReset.Unadvise(&target_);
}

void CLoaderDlg::ReleaseMachine()
{
    // The machine may be in the middle of its own call (the end of the load hides this dialog):
    // it goes once that call returns.
    if (ILoaderStateMachine* machine = std::exchange(machine_, nullptr))
        machine->Release();
    if (loadRunning_ && Handle())
        KillTimer(Handle(), kProgressTimer);
    loadRunning_ = false;
}

bool CLoaderDlg::OnCommand(int id, int code, HWND)
{
    // The button, Esc and the close box: the close guard decides.
    if (id == IDCANCEL && code == BN_CLICKED) {
        SendMessageW(Handle(), WM_CLOSE, 0, 0);
        return true;
    }
    return false;
}

void CLoaderDlg::OnDestroy()
{
    OnHidden();
    log_.Detach();
}

bool CLoaderDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SHOWWINDOW:
        // Only the dialog's own showing counts; an owner being minimised or restored hides and
        // shows it too (lParam then says so), which must not start or stop anything.
        if (wParam && lParam == 0 && !started_)
            Start();
        else if (!wParam && ending_)
            OnHidden();
        return false;
    case WM_WINDOWPOSCHANGED:
        // EndDialog hides the window this way, without a WM_SHOWWINDOW.
        if ((reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_HIDEWINDOW) && ending_)
            OnHidden();
        return false;
    case WM_SIZE:
        layout_.Arrange(LOWORD(lParam), HIWORD(lParam));
        return false;
    // Only this load's progress: registering brings the values an earlier load left.
    case WM_MODEL_PROGRESS_MAXIMUM:
        if (loadRunning_)
            SendMessageW(progress_, PBM_SETRANGE, 0, MAKELPARAM(0, model_.ProgressMaximum.Get()));
        result = 0;
        return true;
    case WM_MODEL_PROGRESS_POSITION:
        // Shown by the timer; the first position of this load (its start) at once.
        if (loadRunning_ && shownPosition_ < 0)
            ShowProgress(true);
        result = 0;
        return true;
    case WM_TIMER:
        if (wParam != kProgressTimer)
            return false;
        ShowProgress(false);
        result = 0;
        return true;
    case WM_LOADER_LINE:
        if (lParam)
            AppendToOwnLog(reinterpret_cast<const wchar_t*>(lParam));
        result = 0;
        return true;
    case WM_STATUS_RESET:
        if (loadRunning_)
            Complete(static_cast<uint32_t>(wParam));
        result = 0;
        return true;
    case WM_CLOSE:
        OnClose();
        result = 0;
        return true;
    case WM_SETCURSOR:
        if (OnSetCursor(Handle(), reinterpret_cast<HWND>(wParam), LOWORD(lParam), cancel_)) {
            result = TRUE;
            return true;
        }
        return false;
    default:
        return CDialogImpl::OnMessage(message, wParam, lParam, result);
    }
}
