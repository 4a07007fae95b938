// The user-interface thread's message loop with message filters.
#include "ui/MessageLoop.h"

#include <algorithm>

#include "platform/MessageWaitWin32.h"

namespace {
thread_local CMessageLoop* threadLoop = nullptr;
}

CMessageLoop::CMessageLoop() : lookOut_(kMessageLoopAwakeBeforeNs)
{
    if (!threadLoop)
        threadLoop = this;
}

CMessageLoop::~CMessageLoop()
{
    if (threadLoop == this)
        threadLoop = nullptr;
}

CMessageLoop* CMessageLoop::OfThisThread() { return threadLoop; }

void CMessageLoop::WaitForMessage() { WaitForMessageLookingOut(&lookOut_); }

void CMessageLoop::AddMessageFilter(IMessageLoopFilter* filter)
{
    if (filter && std::find(filters_.begin(), filters_.end(), filter) == filters_.end())
        filters_.push_back(filter);
}

void CMessageLoop::RemoveMessageFilter(IMessageLoopFilter* filter)
{
    filters_.erase(std::remove(filters_.begin(), filters_.end(), filter), filters_.end());
}

bool CMessageLoop::PreTranslate(MSG& message)
{
    // A filter may remove itself while it runs (its window closing): iterate over a copy.
    std::vector<IMessageLoopFilter*> filters(filters_.rbegin(), filters_.rend());
    for (IMessageLoopFilter* filter : filters)
        if (std::find(filters_.begin(), filters_.end(), filter) != filters_.end() && filter->PreTranslateMessage(message))
            return true;
    return false;
}

int CMessageLoop::Run()
{
    MSG message;
    for (;;) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return static_cast<int>(message.wParam);
            if (!PreTranslate(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        WaitForMessage();
    }
}
