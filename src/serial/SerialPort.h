// CSerialPort: the program's RS-232 port, opened by name, with a waiter thread that announces arriving bytes.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "model/Reporting.h"
#include "serial/SerialPortInterface.h"

// Windows: overlapped I/O on "\\.\<name>" and a comm-event thread. Linux: termios on the device
// <name> (a path, or a name under /dev) and a waiter thread polling it. Either way the thread only
// posts WM_COMM_EVENT to the message window; every read, write and report happens on the
// user-interface thread. Failures of system calls are reported in format 204 with the caption
// "COM Port Error" (ReportError); a failure meaning the device is gone closes the port.
// The port owns its device handle, its events and its thread; the message window is not owned.
class CSerialPort : public ISerialPort,
                    public CDisplayStatusClient<CSerialPort>,
                    public CPopupErrorClient<CSerialPort> {
public:
    CSerialPort();
    ~CSerialPort() override;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    void SetMessageWindow(IMessageTarget* window) override;
    IMessageTarget* MessageWindow() const { return window_.load(std::memory_order_acquire); }

    bool Open(const std::wstring& name) override;
    void Close() override;
    bool IsOpen() const override;
    const std::wstring& Name() const override { return name_; }

    bool Read(uint8_t* buffer, uint32_t count, uint32_t& received) override;
    bool Write(const uint8_t* bytes, uint32_t count, uint32_t& written) override;
    using ISerialPort::Write;

    uint32_t SetSpeed(uint32_t bitsPerSecond) override;
    uint32_t Speed() const override { return speed_; }

    bool Purge() override;
    bool CancelIo() override;

    void ReportError(const wchar_t* operation, uint32_t code) override;

    // Waits up to `milliseconds` for the waiter thread to end by itself, as it does when the device
    // goes away; true when no waiter thread runs (also when the port is closed). For diagnostics.
    bool WaitForWaiterExit(uint32_t milliseconds);

private:
    struct Device; // the open device, its events and its waiter thread; defined by the platform file

    // Platform parts (SerialPortWin32.cpp / SerialPortPosix.cpp).
    bool OpenDevice();                      // steps after the name check; closed again on failure
    void CloseDevice();                     // stops the thread and releases everything
    bool WriteSpeed(uint32_t bitsPerSecond); // writes the line settings with another speed
    bool ClearLineErrors(uint32_t& errors);  // reads and clears the line-error flags

    // Shared parts (SerialPortCommon.cpp).
    bool FailOpen(const wchar_t* operation); // reports the last error, closes, returns false with it
    bool FailOpenQuietly();                  // closes and returns false, keeping the last error
    void HandOverFailure(const wchar_t* operation, uint32_t code); // waiter thread: for the UI thread
    void ReportWaiterFailure();              // UI thread: reports what the waiter handed over

    std::unique_ptr<Device> device_;
    std::atomic<IMessageTarget*> window_{nullptr};
    std::wstring name_;
    uint32_t speed_ = 0; // the speed last written to the port; 0 until the first Open
    std::atomic<const wchar_t*> waiterFailureOperation_{nullptr};
    std::atomic<uint32_t> waiterFailureCode_{0};
};

// A new, closed CSerialPort.
std::unique_ptr<ISerialPort> CreateSerialPort();
