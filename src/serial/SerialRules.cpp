// The portable rules of the serial port.
#include "serial/SerialRules.h"

#include <algorithm>

bool IsSupportedSpeed(uint32_t bitsPerSecond)
{
    return bitsPerSecond == 4800 || bitsPerSecond == 9600 || bitsPerSecond == 19200 || bitsPerSecond == 38400;
}

uint32_t LineSettingsFlagWord(uint32_t flagsAsRead)
{
    constexpr uint32_t kBinaryMode = 0x0001;
    constexpr uint32_t kControlBits = 0x7FFE; // bits 1 to 14
    return (flagsAsRead & ~kControlBits) | kBinaryMode;
}

uint16_t FlowControlLimit(uint32_t receiveQueueSize)
{
    return static_cast<uint16_t>(std::clamp<uint32_t>(receiveQueueSize / 4, 8, 0xFFFF));
}

bool IsDeviceGoneError(uint32_t code)
{
    switch (code) {
    case 5:    // access denied: the handle of a removed device
    case 21:   // device not ready
    case 109:  // broken pipe: the far end has closed
    case 1167: // device not connected
    case 1617: // device removed
        return true;
    default:
        return false;
    }
}

uint64_t NoteBytesWritten(uint64_t& lineFreeNs, uint64_t nowNs, uint32_t count, uint32_t bitsPerSecond)
{
    if (count == 0 || bitsPerSecond == 0)
        return 0;
    const uint64_t byteNs = 10'000'000'000ULL / bitsPerSecond;
    lineFreeNs = std::max(lineFreeNs, nowNs) + count * byteNs;
    return lineFreeNs + byteNs;
}
