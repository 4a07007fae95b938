// A notify window for machine tests: records like RecordingTarget and routes events to the running machine.
#pragma once
#include <vector>

#include "RecordingTarget.h"

class IStateMachine;

// Like the main frame: a sent WM_COMM_EVENT or timer message goes to the first machine in
// `machines` that is not complete (OnReceive / OnTimer); with none running it is only recorded.
// Every message is recorded first, so timer messages show in `messages` too.
class RoutingTarget : public RecordingTarget {
public:
    intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

    // In order of precedence (the contact machine before the loader machine); not owned.
    std::vector<IStateMachine*> machines;
    // Events that found no running machine.
    unsigned unrouted = 0;
};
