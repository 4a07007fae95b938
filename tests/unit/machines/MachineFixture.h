// A model over a fake port and fake timers, with a notify window that routes events like the main frame.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/Model.h"
#include "platform/MessageTarget.h"

#include "FakeSerialPort.h"
#include "FakeTimerHost.h"
#include "MemorySettingsStore.h"
#include "RoutingTarget.h"

// The model owns the fake port; the test keeps a pointer to it. `contactFactory` may be empty.
struct MachineFixture {
    explicit MachineFixture(ContactMachineFactory contactFactory = {})
        : port(new FakeSerialPort),
          model(timers, std::unique_ptr<ISerialPort>(port), std::make_unique<MemorySettingsStore>(),
                std::move(contactFactory))
    {
        model.SetNotifyWindow(&frame);
    }

    // Bytes arrive on the port and the serial event reaches the frame, which routes it.
    void Arrive(std::string_view bytes)
    {
        port->Deliver(bytes);
        frame.Send(WM_COMM_EVENT, 1, 0);
    }

    // The intervals of the timers started with `id`, in order.
    std::vector<uint32_t> TimerIntervals(uintptr_t id) const
    {
        std::vector<uint32_t> intervals;
        for (const auto& start : timers.starts)
            if (start.id == id)
                intervals.push_back(start.milliseconds);
        return intervals;
    }

    FakeTimerHost timers;
    RoutingTarget frame;
    FakeSerialPort* port;
    CModel model;
};
