// The receiver of the program's window messages: a window on Windows, any object elsewhere.
#pragma once
#include <cstdint>

class IReadinessWatch;

// Message numbers shared by the subsystems (the same numbers on every platform).
constexpr uint32_t WM_REPORT_TEXT = 0x800A;    // lParam: const wchar_t*, always shown
constexpr uint32_t WM_VERBOSE_TEXT = 0x800B;   // lParam: const wchar_t*, shown with VerboseLogging only
constexpr uint32_t WM_LOADER_LINE = 0x800F;    // lParam: const wchar_t*, a loader machine line for its dialog
constexpr uint32_t WM_COMM_EVENT = 0x8010;     // wParam: (line errors << 16) | event mask; posted
constexpr uint32_t WM_REPORT_TO_PAGE = 0x8018; // lParam: const wchar_t*, the frame's forward to the log page
constexpr uint32_t WM_STATE_TIMER = 0x0113;    // the platform's timer message (WM_TIMER); wParam: timer id

// A message target receives synchronous messages on the user-interface thread and accepts
// posted messages from any thread. Report texts are sent, so the sender keeps ownership.
class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;

    // Delivers the message now, on the calling (user-interface) thread, and returns the handler's result.
    virtual intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;

    // Queues the message for the user-interface thread; callable from any thread.
    virtual bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;

    // The top-level target above this one (its own top when it has no parent).
    virtual IMessageTarget* TopLevel() { return this; }

    // The platform's handle behind the target (a window handle on Windows), or null.
    virtual void* NativeHandle() { return nullptr; }

    // The loop behind the target when it can wait on a device itself (see ReadinessWatch.h), or null.
    virtual IReadinessWatch* ReadinessWatch() { return nullptr; }
};
