// The user-interface thread's message loop, with filters that see each message before it is dispatched.
#pragma once
#include <vector>

#include <windows.h>

#include "platform/LookOut.h"

// A filter answers true when it has handled the message (an accelerator, dialog navigation).
class IMessageLoopFilter {
public:
    virtual ~IMessageLoopFilter() = default;
    virtual bool PreTranslateMessage(MSG& message) = 0;
};

// The loop of the user-interface thread (one a thread). Between messages it looks out for the
// answers its devices expect (see platform/LookOut.h), and so do the modal loops of the dialogs on
// its thread (CDialogImpl::DoModal), so that an answer is read the moment it comes instead of when
// the serial port's thread has told the window of it.
class CMessageLoop {
public:
    CMessageLoop();
    ~CMessageLoop();
    CMessageLoop(const CMessageLoop&) = delete;
    CMessageLoop& operator=(const CMessageLoop&) = delete;

    // The loop made on this thread, or null.
    static CMessageLoop* OfThisThread();

    // The devices the loop looks out for (the main window offers it to the serial port).
    CLookOut& LookOut() { return lookOut_; }
    // Waits until a message may be waiting, looking out meanwhile.
    void WaitForMessage();

    void AddMessageFilter(IMessageLoopFilter* filter);
    void RemoveMessageFilter(IMessageLoopFilter* filter);
    // Offers the message to the filters, newest first; true when one handled it.
    bool PreTranslate(MSG& message);
    // Runs until WM_QUIT; returns its exit code.
    int Run();

private:
    std::vector<IMessageLoopFilter*> filters_;
    CLookOut lookOut_;
};
