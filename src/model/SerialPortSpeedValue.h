// The open serial port's speed as a model value: read from the port, changed through the model.
#pragma once
#include <cstdint>

#include "model/EventSource.h"

// TModel supplies SerialPort() (an ISerialPort) and ChangeSpeed(bitsPerSecond).
template <class TModel>
class CSerialPortSpeedValue : public CEventSource {
public:
    CSerialPortSpeedValue(uint32_t message, TModel& model) : CEventSource(message), model_(model) {}

    // The port's current speed in bit/s.
    uint32_t Get() const { return model_.SerialPort().Speed(); }
    // ChangeSpeed, then notify whatever its outcome; answers the requested speed. Whether the
    // change worked shows in Get() (and ChangeSpeed's own result for callers that need it).
    uint32_t Set(uint32_t bitsPerSecond)
    {
        model_.ChangeSpeed(bitsPerSecond);
        Notify(0);
        return bitsPerSecond;
    }

private:
    TModel& model_;
};
