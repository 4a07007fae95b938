// CSerialPort on Windows: overlapped I/O on the COM device and a comm-event thread.
#include "serial/SerialPort.h"

#include "platform/LastError.h"
#include "serial/CommEventGate.h"
#include "serial/SerialRules.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

namespace {

// How long the comm-event thread rests after a wake-up that brought nothing: some drivers (Wine's
// among them) end an idle wait within a few milliseconds instead of blocking.
constexpr DWORD kEmptyWakePauseMs = 5;

// Owns a kernel handle (file, event or thread); both INVALID_HANDLE_VALUE and null count as none.
class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE handle) : handle_(handle) {}
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    CHandle(CHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    CHandle& operator=(CHandle&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ~CHandle() { Reset(); }

    void Reset(HANDLE handle = nullptr)
    {
        if (IsValid())
            CloseHandle(handle_);
        handle_ = handle;
    }
    bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

    // A manual-reset (or auto-reset) event, not signalled, unnamed.
    bool CreateEvent(bool manualReset)
    {
        Reset(::CreateEventW(nullptr, manualReset ? TRUE : FALSE, FALSE, nullptr));
        return IsValid();
    }

private:
    HANDLE handle_ = nullptr;
};

// The flag word of the device-control record follows its length and baud-rate fields.
constexpr size_t kDcbFlagsOffset = 2 * sizeof(DWORD);
static_assert(sizeof(DCB) == 28, "the device-control record is 28 bytes");

uint32_t ReadDcbFlags(const DCB& dcb)
{
    uint32_t flags;
    std::memcpy(&flags, reinterpret_cast<const char*>(&dcb) + kDcbFlagsOffset, sizeof(flags));
    return flags;
}

void WriteDcbFlags(DCB& dcb, uint32_t flags)
{
    std::memcpy(reinterpret_cast<char*>(&dcb) + kDcbFlagsOffset, &flags, sizeof(flags));
}

// Waits until the overlapped operation has completed (true) or the stop event is signalled (false).
// The record's status decides, not the event alone: a driver may signal an event again after the
// operation that used it had already ended (Wine does), and the next operation shares that event.
bool WaitForCompletion(HANDLE stopEvent, OVERLAPPED& overlapped)
{
    HANDLE handles[] = {stopEvent, overlapped.hEvent};
    for (;;) {
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            return false;
        if (HasOverlappedIoCompleted(&overlapped))
            return true;
        // A stale signal: clear it, then look again in case the completion came in between.
        ResetEvent(overlapped.hEvent);
        if (HasOverlappedIoCompleted(&overlapped))
            return true;
    }
}

// Cancels this thread's pending operation and waits until it has ended, so that its OVERLAPPED
// record may go away.
void CancelAndWait(HANDLE port, OVERLAPPED& overlapped)
{
    ::CancelIo(port);
    while (!HasOverlappedIoCompleted(&overlapped))
        WaitForSingleObject(overlapped.hEvent, 10);
}

} // namespace

struct CSerialPort::Device {
    explicit Device(CSerialPort& owner) : owner(owner) {}

    static DWORD WINAPI ThreadProcedure(void* device) { return static_cast<Device*>(device)->RunEventThread(); }

    // The comm-event thread: waits for "character received" and posts WM_COMM_EVENT. It never reads,
    // never sends and never waits on the user-interface thread; its failures are handed over.
    DWORD RunEventThread();
    // One overlapped transfer with the I/O event; `operation` names it in reports.
    bool Transfer(const wchar_t* operation, bool write, void* buffer, DWORD count, DWORD& done);
    // Lets the waiter announce arriving bytes again at once.
    void Rearm()
    {
        gate.Rearm();
        SetEvent(rearmEvent.Get());
    }

    CSerialPort& owner;
    COMMPROP properties{};  // as the driver reported them when the port opened
    DCB lineSettings{};     // the settings last written to the port
    CHandle ioEvent;        // completion of every read and write
    CHandle stopEvent;      // signalled while the thread is being stopped
    CHandle rearmEvent;     // auto-reset: a read has re-armed the gate
    CHandle port;
    CHandle thread;
    std::atomic<bool> stop{false};
    CCommEventGate gate;
};

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort()
{
    CloseDevice();
}

bool CSerialPort::IsOpen() const
{
    return device_ && device_->port.IsValid();
}

bool CSerialPort::OpenDevice()
{
    device_ = std::make_unique<Device>(*this);
    Device& device = *device_;
    if (!device.ioEvent.CreateEvent(true) || !device.stopEvent.CreateEvent(true) ||
        !device.rearmEvent.CreateEvent(false))
        return FailOpen(L"CreateEvent");

    std::wstring path = L"\\\\.\\" + name_;
    device.port.Reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr));
    // The caller reports a port that cannot be opened (in use, missing, access denied).
    if (!device.port.IsValid())
        return FailOpenQuietly();
    if (!GetCommProperties(device.port.Get(), &device.properties))
        return FailOpenQuietly();
    if (!SetupComm(device.port.Get(), SERIAL_QUEUE_SIZE, SERIAL_QUEUE_SIZE))
        return FailOpen(L"SetupComm");

    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(device.port.Get(), &dcb))
        return FailOpen(L"GetCommState");
    dcb.BaudRate = SERIAL_DEFAULT_SPEED;
    WriteDcbFlags(dcb, LineSettingsFlagWord(ReadDcbFlags(dcb)));
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = 0x00;
    dcb.EofChar = 0x1A;
    dcb.EvtChar = ';';
    // The queue size read before SetupComm took effect, as the driver first reported it.
    dcb.XonLim = dcb.XoffLim = FlowControlLimit(device.properties.dwCurrentRxQueue);
    if (!SetCommState(device.port.Get(), &dcb))
        return FailOpen(L"SetCommState");
    device.lineSettings = dcb;
    speed_ = dcb.BaudRate;
    Sleep(50);

    // Reads return at once with what has arrived; writes have no time-out.
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
    if (!SetCommTimeouts(device.port.Get(), &timeouts))
        return FailOpen(L"SetCommTimeouts");
    if (!SetCommMask(device.port.Get(), SERIAL_EVENT_RXCHAR))
        return FailOpen(L"SetCommMask");

    device.thread.Reset(::CreateThread(nullptr, 0, Device::ThreadProcedure, &device, 0, nullptr));
    if (!device.thread.IsValid())
        return FailOpen(L"CreateThread");
    return true;
}

void CSerialPort::CloseDevice()
{
    if (!device_)
        return;
    Device& device = *device_;
    if (device.thread.IsValid()) {
        device.stop = true;
        // A new mask ends a pending comm-event wait; the stop event ends every other wait.
        if (!SetCommMask(device.port.Get(), SERIAL_EVENT_RXCHAR)) {
            uint32_t code = GetLastError();
            if (!IsDeviceGoneError(code))
                ReportError(L"SetCommMask", code);
        }
        SetEvent(device.stopEvent.Get());
        WaitForSingleObject(device.thread.Get(), INFINITE);
        device.thread.Reset();
    }
    device.port.Reset();
    device_.reset();
}

DWORD CSerialPort::Device::RunEventThread()
{
    CHandle waitEvent;
    if (!waitEvent.CreateEvent(true)) {
        owner.HandOverFailure(L"CreateEvent", GetLastError());
        return 0;
    }
    DWORD exitCode = 0;
    while (!stop) {
        // One event at a time: wait until the receiver reads, or the gate's time-out.
        if (uint32_t wait = gate.MillisecondsUntilRearm(CCommEventGate::Now()); wait > 0) {
            HANDLE handles[] = {stopEvent.Get(), rearmEvent.Get()};
            WaitForMultipleObjects(2, handles, FALSE, wait);
            continue;
        }

        DWORD mask = 0;
        OVERLAPPED overlapped{};
        overlapped.hEvent = waitEvent.Get();
        if (!WaitCommEvent(port.Get(), &mask, &overlapped)) {
            DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                if (!WaitForCompletion(stopEvent.Get(), overlapped)) {
                    CancelAndWait(port.Get(), overlapped);
                    break;
                }
                DWORD ignored;
                if (!GetOverlappedResult(port.Get(), &overlapped, &ignored, FALSE)) {
                    error = GetLastError();
                    if (error == ERROR_OPERATION_ABORTED) {
                        mask = 0; // an idle wait ended early or a mask change ended it: nothing arrived
                    } else if (IsDeviceGoneError(error)) {
                        break; // the device went away; the next read or write reports it
                    } else {
                        owner.HandOverFailure(L"WaitCommEvent", error);
                        exitCode = error;
                        break;
                    }
                }
            } else if (error == ERROR_INVALID_PARAMETER) {
                mask = 0; // some drivers refuse the wait now and then; carry on after a pause
            } else if (IsDeviceGoneError(error)) {
                break;
            } else {
                owner.HandOverFailure(L"WaitCommEvent", error);
                exitCode = error;
                break;
            }
        }
        if (stop)
            break;

        DWORD lineErrors = 0;
        COMSTAT status{};
        if (!ClearCommError(port.Get(), &lineErrors, &status)) {
            if (IsDeviceGoneError(GetLastError()))
                break; // a far end that hung up shows here while waits keep ending idle
            status.cbInQue = 0;
        }
        IMessageTarget* window = owner.MessageWindow();
        // Announce bytes that wait (or line errors); an event for bytes already read announces nothing.
        if (window && mask != 0 && (status.cbInQue > 0 || lineErrors != 0)) {
            gate.Posted(CCommEventGate::Now());
            if (!window->Post(WM_COMM_EVENT, CommEventParameter(lineErrors, mask), 0))
                gate.Rearm();
            continue;
        }
        WaitForSingleObject(stopEvent.Get(), kEmptyWakePauseMs);
    }
    return exitCode;
}

bool CSerialPort::Device::Transfer(const wchar_t* operation, bool write, void* buffer, DWORD count, DWORD& done)
{
    done = 0;
    OVERLAPPED overlapped{};
    overlapped.hEvent = ioEvent.Get();
    BOOL started = write ? WriteFile(port.Get(), buffer, count, nullptr, &overlapped)
                         : ReadFile(port.Get(), buffer, count, nullptr, &overlapped);
    DWORD error = started ? ERROR_SUCCESS : GetLastError();
    if (started || error == ERROR_IO_PENDING) {
        if (started || WaitForCompletion(stopEvent.Get(), overlapped)) {
            if (GetOverlappedResult(port.Get(), &overlapped, &done, FALSE))
                return true;
            error = GetLastError();
        } else {
            // Ended by the stop event: cancel before the OVERLAPPED record goes away.
            CancelAndWait(port.Get(), overlapped);
            done = 0;
            return true;
        }
    }
    owner.ReportError(operation, error);
    SetLastError(error);
    return false;
}

bool CSerialPort::Read(uint8_t* buffer, uint32_t count, uint32_t& received)
{
    received = 0;
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    ReportWaiterFailure();
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    // Read only what has arrived: some drivers leave a read of more than that pending.
    DWORD lineErrors = 0;
    COMSTAT status{};
    if (!ClearCommError(device_->port.Get(), &lineErrors, &status)) {
        uint32_t code = GetLastError();
        ReportError(L"ReadFile", code);
        return false;
    }
    DWORD wanted = std::min<DWORD>(count, status.cbInQue);
    DWORD done = 0;
    if (wanted > 0 && !device_->Transfer(L"ReadFile", false, buffer, wanted, done))
        return false;
    received = done;
    if (IsOpen())
        device_->Rearm();
    return true;
}

bool CSerialPort::Write(const uint8_t* bytes, uint32_t count, uint32_t& written)
{
    written = 0;
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    ReportWaiterFailure();
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    DWORD done = 0;
    if (!device_->Transfer(L"WriteFile", true, const_cast<uint8_t*>(bytes), count, done))
        return false;
    written = done;
    return true;
}

bool CSerialPort::Purge()
{
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!PurgeComm(device_->port.Get(), PURGE_RXCLEAR)) {
        ReportError(L"PurgeComm", GetLastError());
        return false;
    }
    device_->Rearm();
    return true;
}

bool CSerialPort::CancelIo()
{
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!::CancelIo(device_->port.Get())) {
        ReportError(L"CancelIo", GetLastError());
        return false;
    }
    return true;
}

bool CSerialPort::WriteSpeed(uint32_t bitsPerSecond)
{
    DCB dcb = device_->lineSettings;
    dcb.BaudRate = bitsPerSecond;
    if (!SetCommState(device_->port.Get(), &dcb))
        return false;
    device_->lineSettings = dcb;
    return true;
}

bool CSerialPort::ClearLineErrors(uint32_t& errors)
{
    DWORD flags = 0;
    if (!ClearCommError(device_->port.Get(), &flags, nullptr))
        return false;
    errors = flags;
    return true;
}

bool CSerialPort::WaitForWaiterExit(uint32_t milliseconds)
{
    if (!device_ || !device_->thread.IsValid())
        return true;
    return WaitForSingleObject(device_->thread.Get(), milliseconds) == WAIT_OBJECT_0;
}
