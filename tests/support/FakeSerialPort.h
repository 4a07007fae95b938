// A scripted serial port for tests: records what is written, purged and configured; delivers chosen bytes.
#pragma once
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "serial/SerialPortInterface.h"

// Behaves like an open or closed port without any device: every operation on a closed port fails
// with 6, Open of an empty name with 0xE200000F. Failures are injected through the public fields;
// what the code under test did is read from the records.
class FakeSerialPort : public ISerialPort {
public:
    struct ReportedError {
        std::wstring operation;
        uint32_t code;
    };

    // --- script ---
    uint32_t openError = 0;  // Open fails with this code when non-zero
    uint32_t readError = 0;  // Read fails with this code when non-zero
    uint32_t writeError = 0; // Write fails with this code when non-zero
    uint32_t purgeError = 0; // Purge fails (and reports "PurgeComm") with this code when non-zero
    uint32_t speedError = 0; // SetSpeed of a supported speed is refused (0) with this code when non-zero
    // SetSpeed stores this speed instead of the one asked for when non-zero (a port that lies).
    uint32_t speedActuallySet = 0;
    // Write takes at most this many bytes per call (a short write).
    uint32_t writeLimit = std::numeric_limits<uint32_t>::max();
    // Read hands out at most this many bytes per call.
    uint32_t readLimit = std::numeric_limits<uint32_t>::max();
    // Deliver posts WM_COMM_EVENT (wParam 1, EV_RXCHAR) to the message window when set.
    bool postOnDeliver = false;

    // --- records ---
    std::vector<std::wstring> opens; // every Open call's name
    unsigned closes = 0;
    std::string written;             // every byte written, in order
    std::vector<std::string> writes; // each Write call's bytes
    unsigned purges = 0;             // successful purges
    std::vector<uint32_t> speedChanges; // speeds set by SetSpeed, in order
    std::vector<ReportedError> errors;  // ReportError calls
    unsigned cancels = 0;

    // Bytes that have "arrived" and wait to be read.
    void Deliver(std::string_view bytes);
    const std::string& Pending() const { return incoming_; }
    // Puts the port into a state without any call being recorded.
    void ForceOpen(std::wstring name = L"COM1");
    void ForceSpeed(uint32_t bitsPerSecond) { speed_ = bitsPerSecond; }

    IMessageTarget* MessageWindow() const { return window_; }

    void SetMessageWindow(IMessageTarget* window) override { window_ = window; }
    bool Open(const std::wstring& name) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    const std::wstring& Name() const override { return name_; }
    bool Read(uint8_t* buffer, uint32_t count, uint32_t& received) override;
    bool Write(const uint8_t* bytes, uint32_t count, uint32_t& written) override;
    using ISerialPort::Write;
    uint32_t SetSpeed(uint32_t bitsPerSecond) override;
    uint32_t Speed() const override { return speed_; }
    bool Purge() override;
    bool CancelIo() override;
    void ReportError(const wchar_t* operation, uint32_t code) override;

private:
    IMessageTarget* window_ = nullptr;
    bool open_ = false;
    std::wstring name_;
    uint32_t speed_ = 9600;
    std::string incoming_;
};
