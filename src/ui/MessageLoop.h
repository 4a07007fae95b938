// The user-interface thread's message loop, with filters that see each message before it is dispatched.
#pragma once
#include <vector>

#include <windows.h>

// A filter answers true when it has handled the message (an accelerator, dialog navigation).
class IMessageLoopFilter {
public:
    virtual ~IMessageLoopFilter() = default;
    virtual bool PreTranslateMessage(MSG& message) = 0;
};

class CMessageLoop {
public:
    void AddMessageFilter(IMessageLoopFilter* filter);
    void RemoveMessageFilter(IMessageLoopFilter* filter);
    // Offers the message to the filters, newest first; true when one handled it.
    bool PreTranslate(MSG& message);
    // Runs until WM_QUIT; returns its exit code (or -1 when the queue failed).
    int Run();

private:
    std::vector<IMessageLoopFilter*> filters_;
};
