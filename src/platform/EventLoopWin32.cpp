// The event loop on Windows: message-only windows as targets, the thread's message loop, window timers.
#include "platform/EventLoop.h"
#include "platform/LastError.h"
#include "platform/MessageWaitWin32.h"
#include "platform/ReadinessWatch.h"

#include <windows.h>

#include <utility>

namespace {

constexpr wchar_t kTargetClass[] = L"MT6402LoopTarget";
constexpr uint32_t ERROR_CODE_INVALID_WINDOW_HANDLE = 1400;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* target = reinterpret_cast<CEventLoop::CTarget*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Timer and program messages go to the handler; the window's own housekeeping does not.
    if (target && (message == WM_TIMER || message >= WM_USER))
        return target->Dispatch(message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterTargetClass()
{
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = TargetProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kTargetClass;
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// Owns one window and destroys it once.
class CWindowHandle {
public:
    explicit CWindowHandle(HWND window = nullptr) : window_(window) {}
    ~CWindowHandle()
    {
        if (window_) {
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
        }
    }
    CWindowHandle(CWindowHandle&& other) noexcept : window_(std::exchange(other.window_, nullptr)) {}
    CWindowHandle& operator=(CWindowHandle&&) = delete;
    CWindowHandle(const CWindowHandle&) = delete;
    CWindowHandle& operator=(const CWindowHandle&) = delete;

    HWND Get() const { return window_; }

private:
    HWND window_;
};

} // namespace

// Devices cannot be waited on together with the message queue here; the loop only looks out for
// an expected answer (the device's comm-event thread still announces whatever comes outside it).
struct CEventLoop::Impl : CLookOut {
    Impl() : CLookOut(kMessageLoopAwakeBeforeNs) {}
    DWORD threadId = GetCurrentThreadId();
};

CEventLoop::CEventLoop() : impl_(std::make_unique<Impl>())
{
    // Gives the thread its message queue now, so a Quit posted before Run is not lost.
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

CEventLoop::~CEventLoop() = default;

bool CEventLoop::IsValid() const { return true; }

int CEventLoop::Run()
{
    MSG message;
    for (;;) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return static_cast<int>(message.wParam);
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        WaitForMessageLookingOut(impl_.get());
    }
}

void CEventLoop::Quit(int code) { PostThreadMessageW(impl_->threadId, WM_QUIT, static_cast<WPARAM>(code), 0); }

bool CEventLoop::SetTimer(IMessageTarget& target, uintptr_t id, uint32_t milliseconds)
{
    HWND window = static_cast<HWND>(target.NativeHandle());
    if (!window) {
        SetLastErrorCode(ERROR_CODE_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (::SetTimer(window, id, milliseconds, nullptr) == 0) {
        SetLastErrorCode(GetLastError());
        return false;
    }
    return true;
}

void CEventLoop::KillTimer(IMessageTarget& target, uintptr_t id)
{
    if (HWND window = static_cast<HWND>(target.NativeHandle()))
        ::KillTimer(window, id);
}

uint32_t CEventLoop::TickCount() { return GetTickCount(); }

struct CEventLoop::CTarget::Impl {
    CWindowHandle window;
};

CEventLoop::CTarget::CTarget(CEventLoop& loop, Handler handler)
    : loop_(loop), handler_(std::move(handler))
{
    HWND window = nullptr;
    if (RegisterTargetClass())
        window = CreateWindowExW(0, kTargetClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), this);
    if (!window)
        SetLastErrorCode(GetLastError());
    impl_ = std::make_unique<Impl>(CWindowHandle(window));
}

// Destroying the window also kills its timers; messages still queued for it are dropped.
CEventLoop::CTarget::~CTarget() = default;

bool CEventLoop::CTarget::IsValid() const { return impl_->window.Get() != nullptr; }

intptr_t CEventLoop::CTarget::Send(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (!impl_->window.Get())
        return 0;
    return SendMessageW(impl_->window.Get(), message, wParam, lParam);
}

bool CEventLoop::CTarget::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (!impl_->window.Get() || !PostMessageW(impl_->window.Get(), message, wParam, lParam)) {
        SetLastErrorCode(impl_->window.Get() ? GetLastError() : ERROR_CODE_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

void* CEventLoop::CTarget::NativeHandle() { return impl_->window.Get(); }

IReadinessWatch* CEventLoop::CTarget::ReadinessWatch() { return loop_.impl_.get(); }

intptr_t CEventLoop::CTarget::Dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return handler_ ? handler_(message, wParam, lParam) : 0;
}
