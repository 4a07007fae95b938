// A window seen as a message target.
#include "ui/WindowTarget.h"

#include "platform/LastError.h"

intptr_t CWindowTarget::Send(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return window_ ? SendMessageW(window_, message, wParam, lParam) : 0;
}

bool CWindowTarget::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (!window_) {
        SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (!PostMessageW(window_, message, wParam, lParam)) {
        SetLastErrorCode(GetLastError());
        return false;
    }
    return true;
}

IMessageTarget* CWindowTarget::TopLevel()
{
    // The end of the parent chain, owners included: a dialog's lines go to the main window that owns it.
    HWND root = window_ ? GetAncestor(window_, GA_ROOTOWNER) : nullptr;
    if (!root || root == window_)
        return this;
    if (!root_)
        root_ = std::make_unique<CWindowTarget>(root);
    else
        root_->Attach(root);
    return root_.get();
}
