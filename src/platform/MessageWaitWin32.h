// The wait of a Windows message loop for its next message, looking out for expected answers meanwhile.
#pragma once
#include "platform/LookOut.h"

// A timed wait here ends up to a millisecond late (more on a default Windows timer): the awake
// stretch around an expected answer begins this long before it is due.
constexpr uint64_t kMessageLoopAwakeBeforeNs = 1'000'000;

// Returns when a message may be waiting in the thread's queue: after sleeping until one comes (or
// until the look-out's next stretch), or at once, having yielded the processor, while a device is
// in its awake stretch. `lookOut` may be null (only the messages are waited for).
void WaitForMessageLookingOut(CLookOut* lookOut);
