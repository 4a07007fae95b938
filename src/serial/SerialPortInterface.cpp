// The operations every serial port shares, built on its virtual ones.
#include "serial/SerialPortInterface.h"

#include "platform/TextConversion.h"

bool ISerialPort::WriteText(std::wstring_view text)
{
    std::string bytes = ToUtf8(text);
    return Write(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
}
