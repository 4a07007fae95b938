// A window seen as a message target: model observers, notify windows and report receivers are windows.
#pragma once
#include <memory>

#include <windows.h>

#include "platform/MessageTarget.h"

// Send = SendMessageW, Post = PostMessageW, TopLevel = the end of the window's parent and owner chain
// (GetAncestor GA_ROOTOWNER),
// NativeHandle = the window. The target does not own the window; the window may be set later.
class CWindowTarget : public IMessageTarget {
public:
    explicit CWindowTarget(HWND window = nullptr) : window_(window) {}
    CWindowTarget(const CWindowTarget&) = delete;
    CWindowTarget& operator=(const CWindowTarget&) = delete;

    void Attach(HWND window) { window_ = window; }
    HWND Window() const { return window_; }
    // The loop that looks out for devices on the window's behalf (not owned), or none.
    void SetReadinessWatch(IReadinessWatch* watch) { watch_ = watch; }

    intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    IMessageTarget* TopLevel() override;
    void* NativeHandle() override { return window_; }
    IReadinessWatch* ReadinessWatch() override { return watch_; }

private:
    HWND window_;
    IReadinessWatch* watch_ = nullptr;
    std::unique_ptr<CWindowTarget> root_; // the target of the root window when it is another window
};
