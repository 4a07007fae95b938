// The wait of a Windows message loop for its next message, looking out for expected answers meanwhile.
#include "platform/MessageWaitWin32.h"

#include <windows.h>

#include <chrono>

namespace {

uint64_t NowNanoseconds()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

void WaitForMessageLookingOut(CLookOut* lookOut)
{
    const uint32_t sleep = lookOut ? lookOut->LookOut(NowNanoseconds()) : CLookOut::kUntilMessage;
    if (sleep == 0) {
        SwitchToThread(); // awake, yet any other thread that wants the processor goes first
        return;
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, sleep == CLookOut::kUntilMessage ? INFINITE : sleep, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
}
