// A notify window for machine tests: records like RecordingTarget and routes events to the running machine.
#include "RoutingTarget.h"

#include "machines/StateMachine.h"

intptr_t RoutingTarget::Send(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    RecordingTarget::Send(message, wParam, lParam);
    if (message != WM_COMM_EVENT && message != WM_STATE_TIMER)
        return 0;
    for (IStateMachine* machine : machines) {
        if (machine && !machine->IsComplete()) {
            bool handled = false;
            return message == WM_COMM_EVENT ? machine->OnReceive(message, wParam, lParam, handled)
                                            : machine->OnTimer(message, wParam, lParam, handled);
        }
    }
    ++unrouted;
    return 0;
}
