// The two reporting mix-ins: status lines to the top-level window, and error boxes.
#pragma once
#include <cstdint>
#include <string>

#include "model/Format.h"
#include "platform/MessageTarget.h"
#include "platform/UserQuestions.h"

// T supplies `IMessageTarget* MessageWindow()`; if T also has `void AppendToOwnLog(const std::wstring&)`,
// every line goes into that log first. Lines are sent to the top-level target above T's window.
template <class T>
class CDisplayStatusClient {
public:
    virtual ~CDisplayStatusClient() = default;

    template <class... Args>
    void DisplayStatus(const TextArg& format, const Args&... args)
    {
        Emit(WM_REPORT_TEXT, Format(format, args...));
    }

    template <class... Args>
    void DisplayVerbose(const TextArg& format, const Args&... args)
    {
        Emit(WM_VERBOSE_TEXT, Format(format, args...));
    }

private:
    void Emit(uint32_t message, const std::wstring& text)
    {
        T& self = static_cast<T&>(*this);
        if constexpr (requires { self.AppendToOwnLog(text); })
            self.AppendToOwnLog(text);
        if (IMessageTarget* window = self.MessageWindow())
            if (IMessageTarget* top = window->TopLevel())
                top->Send(message, 0, reinterpret_cast<intptr_t>(text.c_str()));
    }
};

// T supplies `IMessageTarget* MessageWindow()`, which receives the line and owns the box.
template <class T>
class CPopupErrorClient {
public:
    virtual ~CPopupErrorClient() = default;

    // The text goes to T's window as WM_REPORT_TEXT (so it enters the log), then into a modal error box.
    template <class... Args>
    int PopupError(const TextArg& caption, const TextArg& format, const Args&... args)
    {
        T& self = static_cast<T&>(*this);
        std::wstring text = Format(format, args...);
        IMessageTarget* window = self.MessageWindow();
        if (window)
            window->Send(WM_REPORT_TEXT, 0, reinterpret_cast<intptr_t>(text.c_str()));
        return AskUser(window, text, caption.ToString(), MB_FLAG_OK | MB_FLAG_ICONERROR);
    }
};
