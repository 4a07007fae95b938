// The portable rules of the serial port: accepted speeds, line-settings values and which errors mean the device is gone.
#pragma once
#include <cstdint>

// The speed a port is set to when it opens, and the driver queue size asked for in each direction.
constexpr uint32_t SERIAL_DEFAULT_SPEED = 9600;
constexpr uint32_t SERIAL_QUEUE_SIZE = 4096;

// The event mask of a character received, the only comm event the port arms.
constexpr uint32_t SERIAL_EVENT_RXCHAR = 0x0001;

// 4800, 9600, 19200 and 38400 bit/s; the module speaks no other speed.
bool IsSupportedSpeed(uint32_t bitsPerSecond);

// The flag word of the device-control record as written: bit 0 (binary mode) set, bits 1 to 14 (parity
// checking, every kind of flow control, DTR and RTS control, error replacement, null stripping,
// abort-on-error) cleared, bits 15 to 31 kept as the driver reported them.
uint32_t LineSettingsFlagWord(uint32_t flagsAsRead);

// The XON and XOFF limits: a quarter of the driver's receive queue, at least 8, and no more than the
// 16-bit fields of the device-control record can hold. With flow control off they never act on the line.
uint16_t FlowControlLimit(uint32_t receiveQueueSize);

// The line-settings combination of the comm-event message: (line errors << 16) | event mask.
constexpr uintptr_t CommEventParameter(uint32_t lineErrors, uint32_t eventMask)
{
    return (static_cast<uintptr_t>(lineErrors & 0xFFFFu) << 16) | (eventMask & 0xFFFFu);
}

// Whether a failed port operation means the device is gone for good (a pulled USB adapter, a far end
// that hung up): access denied (5), device not ready (21), broken pipe (109), device not connected
// (1167), device removed (1617). The port is closed after such a failure is reported.
bool IsDeviceGoneError(uint32_t code);

// When an answer to written bytes can first arrive. The line sends 10 bits a byte, one byte after
// the other: the bytes leave when those written before them have (`lineFreeNs`, updated here), and
// the answer's first byte needs its own time on the wire. Nanoseconds of the steady clock; an
// unknown speed or nothing written leaves everything as it was and answers 0 (no expectation).
uint64_t NoteBytesWritten(uint64_t& lineFreeNs, uint64_t nowNs, uint32_t count, uint32_t bitsPerSecond);
