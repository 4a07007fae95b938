// Ctrl+C as a message on Windows: the console's control handler posts to the loop's target.
#include "cli/StopRequest.h"

#include <windows.h>

#include <mutex>

#include "platform/LastError.h"
#include "platform/MessageTarget.h"

namespace {

// Owns a manual-reset event and closes it once.
class CEventHandle {
public:
    CEventHandle() : handle_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~CEventHandle()
    {
        if (handle_)
            ::CloseHandle(handle_);
    }
    CEventHandle(const CEventHandle&) = delete;
    CEventHandle& operator=(const CEventHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// Set once the owner has finished, so that a console that is closing may end the process. It
// lives as long as the process: a handler thread may still wait on it while the owner goes away.
CEventHandle& OwnerFinished()
{
    static CEventHandle finished;
    return finished;
}

// The console calls the handler on a thread of its own: the target is handed over under a lock.
std::mutex handlerMutex;
IMessageTarget* handlerTarget = nullptr;
uint32_t handlerMessage = 0;

BOOL WINAPI OnConsoleControl(DWORD type)
{
    {
        std::lock_guard<std::mutex> lock(handlerMutex);
        if (!handlerTarget)
            return FALSE;
        handlerTarget->Post(handlerMessage, 0, 0);
    }
    // A closing console ends the process as soon as this returns: give the loop time to finish.
    if (type == CTRL_CLOSE_EVENT && OwnerFinished().Get())
        ::WaitForSingleObject(OwnerFinished().Get(), 4000);
    return TRUE;
}

} // namespace

struct CStopRequests::Impl {
    bool valid = false;
};

CStopRequests::CStopRequests(IMessageTarget& target, uint32_t message) : impl_(std::make_unique<Impl>())
{
    if (OwnerFinished().Get())
        ::ResetEvent(OwnerFinished().Get());
    {
        std::lock_guard<std::mutex> lock(handlerMutex);
        handlerTarget = &target;
        handlerMessage = message;
    }
    if (!::SetConsoleCtrlHandler(OnConsoleControl, TRUE)) {
        SetLastErrorCode(::GetLastError());
        std::lock_guard<std::mutex> lock(handlerMutex);
        handlerTarget = nullptr;
        return;
    }
    impl_->valid = true;
}

CStopRequests::~CStopRequests()
{
    if (impl_->valid)
        ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    {
        std::lock_guard<std::mutex> lock(handlerMutex);
        handlerTarget = nullptr;
    }
    if (OwnerFinished().Get())
        ::SetEvent(OwnerFinished().Get());
}

bool CStopRequests::IsValid() const
{
    return impl_->valid;
}
