// A dialog whose messages reach member handlers through one static dialog procedure.
#include "ui/DialogImpl.h"

#include <utility>

#include "platform/LastError.h"
#include "ui/MessageLoop.h"

namespace {

// Messages whose result the dialog procedure returns directly instead of in DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message)
{
    switch (message) {
    case WM_INITDIALOG:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
    case WM_COMPAREITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

} // namespace

CDialogImpl::~CDialogImpl()
{
    // A window that outlives its object must not call into it any more.
    if (window_ && IsWindow(window_))
        SetWindowLongPtrW(window_, DWLP_USER, 0);
}

// The modal loop is the program's own rather than the system's dialog box loop: it waits through
// the thread's message loop, which looks out for the serial port's expected answers meanwhile (a
// firmware load runs in a modal dialog). Otherwise it does what the system's does: the owner is
// disabled while the dialog runs, keys go through the dialog's navigation, and a quit request ends
// the loop and is passed on to the loop outside.
INT_PTR CDialogImpl::DoModal(HWND owner)
{
    modal_ = true;
    ended_ = false;
    result_ = IDCANCEL;
    HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (!window) {
        SetLastErrorCode(GetLastError());
        return -1;
    }
    disabledOwner_ = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    if (disabledOwner_ && (!IsWindowEnabled(disabledOwner_) || disabledOwner_ == window))
        disabledOwner_ = nullptr; // an owner already disabled is an outer dialog's to enable again
    if (disabledOwner_)
        EnableWindow(disabledOwner_, FALSE);
    if (!ended_ && IsWindow(window))
        ShowWindow(window, SW_SHOW);
    CMessageLoop* loop = CMessageLoop::OfThisThread();
    bool quit = false;
    int quitCode = 0;
    while (!ended_ && IsWindow(window)) {
        MSG message;
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (loop)
                loop->WaitForMessage();
            else
                WaitMessage();
            continue;
        }
        if (message.message == WM_QUIT) {
            quit = true;
            quitCode = static_cast<int>(message.wParam);
            break;
        }
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    EnableOwner();
    if (IsWindow(window))
        DestroyWindow(window);
    if (quit)
        PostQuitMessage(quitCode);
    return result_;
}

HWND CDialogImpl::Create(HWND parent)
{
    modal_ = false;
    HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (!window)
        SetLastErrorCode(GetLastError());
    return window;
}

void CDialogImpl::EndDialog(INT_PTR result)
{
    if (!window_)
        return;
    if (!modal_) {
        DestroyWindow(window_);
        return;
    }
    // As the system's dialogs do: the result is kept, the owner is enabled again and the window
    // hides at once (so keys typed from now on reach the owner); it goes when the modal loop sees
    // the end.
    result_ = result;
    ended_ = true;
    EnableOwner();
    ShowWindow(window_, SW_HIDE);
}

// The owner first, so that it becomes the active window again when the dialog hides.
void CDialogImpl::EnableOwner()
{
    if (HWND owner = std::exchange(disabledOwner_, nullptr))
        EnableWindow(owner, TRUE);
}

void CDialogImpl::CentreWindow()
{
    RECT self{};
    GetWindowRect(window_, &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    HWND owner = GetWindow(window_, GW_OWNER);
    RECT around{};
    if (!owner || !GetWindowRect(owner, &around))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    HMONITOR nearest = MonitorFromWindow(owner ? owner : window_, MONITOR_DEFAULTTONEAREST);
    int x = around.left + ((around.right - around.left) - width) / 2;
    int y = around.top + ((around.bottom - around.top) - height) / 2;
    if (GetMonitorInfoW(nearest, &monitor)) {
        const RECT& work = monitor.rcWork;
        if (x + width > work.right)
            x = work.right - width;
        if (y + height > work.bottom)
            y = work.bottom - height;
        if (x < work.left)
            x = work.left;
        if (y < work.top)
            y = work.top;
    }
    SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialogImpl::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialogImpl* self = message == WM_INITDIALOG ? reinterpret_cast<CDialogImpl*>(lParam)
                                                 : reinterpret_cast<CDialogImpl*>(GetWindowLongPtrW(window, DWLP_USER));
    return Route(self, window, message, wParam, lParam);
}

INT_PTR CDialogImpl::Route(CDialogImpl* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!self)
        return FALSE;
    if (message == WM_INITDIALOG) {
        self->window_ = window;
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    }
    LRESULT result = 0;
    bool handled = self->OnMessage(message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->window_ = nullptr;
        self->OnFinalMessage();
        return FALSE;
    }
    if (!handled)
        return FALSE;
    if (ReturnsDirectly(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

bool CDialogImpl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_INITDIALOG:
        result = OnInitDialog() ? TRUE : FALSE;
        return true;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return true;
        // Esc and the close box of a modal dialog end it unless the dialog decided otherwise.
        if (modal_ && LOWORD(wParam) == IDCANCEL) {
            EndDialog(IDCANCEL);
            return true;
        }
        return false;
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lParam), result);
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return false;
    case WM_DESTROY:
        OnDestroy();
        return false;
    default:
        return false;
    }
}
