// What the model, the state machines and the Command Tester need of a serial port.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

class IMessageTarget;

// One RS-232 port opened by name, 9600 bit/s 8N1 without flow control. Results are Booleans with
// the reason in the thread's last-error value (platform/LastError.h) unless stated otherwise.
// All operations run on the user-interface thread; the port's waiter thread only posts
// WM_COMM_EVENT to the message window when bytes have arrived. The port posts at most one
// WM_COMM_EVENT at a time: the next one is armed again by the next Read (or Purge), or after a
// short time-out when the receiver does not read. WM_COMM_EVENT's wParam is
// (line errors << 16) | event mask; an event mask of 0 carries no bytes: it asks the receiver to
// Read, so that a failure of the waiter thread is reported on the user-interface thread.
class ISerialPort {
public:
    virtual ~ISerialPort() = default;

    // The window that receives WM_COMM_EVENT and report lines and owns error boxes; set before Open.
    virtual void SetMessageWindow(IMessageTarget* window) = 0;

    // Opens and configures the port; true at once (name unchanged) when already open.
    // An empty name fails with 0xE200000F and creates nothing.
    virtual bool Open(const std::wstring& name) = 0;
    // Stops the waiter thread and closes everything; safe when closed.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // The name given to the last Open.
    virtual const std::wstring& Name() const = 0;

    // Returns at once with what has arrived, possibly nothing (received = 0). Not open: error 6.
    virtual bool Read(uint8_t* buffer, uint32_t count, uint32_t& received) = 0;
    virtual bool Write(const uint8_t* bytes, uint32_t count, uint32_t& written) = 0;

    // True only when every byte was written.
    bool Write(const uint8_t* bytes, uint32_t count)
    {
        uint32_t written = 0;
        return Write(bytes, count, written) && written == count;
    }
    // Writes the text as UTF-8 (the device protocol is ASCII: one byte per character); true only
    // when every byte was written.
    bool WriteText(std::wstring_view text);

    // 4800, 9600, 19200 and 38400 only; another speed gives 0x80070057 and leaves the port as it is.
    // 1 when the speed is set (or was already), 0 when the port refused it (reported).
    virtual uint32_t SetSpeed(uint32_t bitsPerSecond) = 0;
    // The current speed in bit/s (the speed last written to the port).
    virtual uint32_t Speed() const = 0;

    // Discards received bytes not yet read. Not open: false with error 6; failure reported as "PurgeComm".
    virtual bool Purge() = 0;
    // Cancels pending I/O. Not open: false with error 6; failure reported as "CancelIo".
    virtual bool CancelIo() = 0;

    // Reports a failed operation in format 204 with caption "COM Port Error"; code 5 closes the port.
    virtual void ReportError(const wchar_t* operation, uint32_t code) = 0;
};
