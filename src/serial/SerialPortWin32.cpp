// CSerialPort on Windows: overlapped I/O on the COM device and a comm-event thread.
#include "serial/SerialPort.h"

#include "platform/LastError.h"
#include "platform/ReadinessWatch.h"
#include "serial/CommEventGate.h"
#include "serial/SerialRules.h"
#include "serial/ThreadStopWin32.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <cstddef>
#include <cstring>
#include <utility>

namespace {

// After a comm-event wait that ended with nothing (some drivers, Wine's among them, end an idle wait
// within milliseconds instead of blocking), the thread looks at the input queue every interval for
// the span before it waits again.
constexpr DWORD kIdlePollIntervalMs = 5;
constexpr DWORD kIdlePollSpanMs = 200;
// Looking every interval, an answer would wait half an interval on average before it is seen. When
// one is expected, the thread looks continually, yielding the processor, from shortly before it is
// due (once the bytes written have crossed the wire) until a little after.
constexpr uint64_t kAwakeBeforeAnswerNs = 1'000'000;
constexpr uint64_t kAwakeAfterAnswerNs = 2'000'000;

uint64_t SteadyNowNs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

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

// An OVERLAPPED record with its own completion event, for one operation at a time.
struct COverlappedRecord {
    OVERLAPPED overlapped{};
    CHandle event; // manual reset

    // A fresh record; null when no event could be created (the last error says why).
    static std::unique_ptr<COverlappedRecord> Create()
    {
        auto record = std::make_unique<COverlappedRecord>();
        if (!record->event.CreateEvent(true))
            return nullptr;
        return record;
    }
    // Zeroes the record for the next operation.
    OVERLAPPED* Prepare()
    {
        overlapped = OVERLAPPED{};
        overlapped.hEvent = event.Get();
        return &overlapped;
    }
    bool Completed() const { return HasOverlappedIoCompleted(&overlapped); }
};

enum class Completion { Done, Stopped, Lost };

// How long an operation whose event fired may stay pending before it counts as lost, and how long a
// cancelled operation may take to end.
constexpr DWORD kLostAfterMs = 200;
constexpr DWORD kCancelWaitMs = 100;

// Waits until the operation has completed, or the stop event is signalled. The record's status
// decides, not the event alone: Wine now and then signals the event of a comm-event wait that
// then stays pending for good. Such an operation is reported Lost.
Completion WaitForCompletion(HANDLE stopEvent, COverlappedRecord& record)
{
    HANDLE handles[] = {stopEvent, record.event.Get()};
    DWORD timeout = INFINITE;
    DWORD pendingSince = 0;
    for (;;) {
        DWORD waited = WaitForMultipleObjects(2, handles, FALSE, timeout);
        if (waited == WAIT_OBJECT_0)
            return Completion::Stopped;
        if (waited == WAIT_FAILED)
            return Completion::Lost;
        if (record.Completed())
            return Completion::Done;
        if (waited == WAIT_OBJECT_0 + 1 && timeout == INFINITE) {
            // Signalled but still pending: clear the signal and watch the status from now on.
            ResetEvent(record.event.Get());
            timeout = 10;
            pendingSince = GetTickCount();
        } else if (timeout != INFINITE && GetTickCount() - pendingSince >= kLostAfterMs) {
            return Completion::Lost;
        }
    }
}

// Cancels this thread's pending operation and waits for it to end, so that its record may be reused
// or freed. False when it did not end in time: the record must then be left to the driver.
bool CancelAndWait(HANDLE port, COverlappedRecord& record)
{
    ::CancelIo(port);
    DWORD start = GetTickCount();
    while (!record.Completed()) {
        if (GetTickCount() - start >= kCancelWaitMs)
            return false;
        WaitForSingleObject(record.event.Get(), 10);
    }
    return true;
}

// Gives up a record whose operation never ended: the driver may still write into it or signal its
// event, so neither is freed. This happens only with a misbehaving driver and costs a few bytes.
void Abandon(std::unique_ptr<COverlappedRecord>& record)
{
    [[maybe_unused]] COverlappedRecord* leftToTheDriver = record.release();
}

} // namespace

// When the message window's event loop can look out for an expected answer itself (the
// command-line tool's), it does, and the thread leaves that to it: the answer is then handled on
// the loop's thread the moment it is seen, with no post and no wake-up between threads.
struct CSerialPort::Device : IReadinessClient {
    explicit Device(CSerialPort& owner) : owner(owner) {}

    // The event loop's look-out (loop thread).
    bool WantsReadiness(ReadinessWish& wish) override;
    void OnReadiness(short events) override;
    void OnWatchEnded() override { watch = nullptr; }
    void StopWatching()
    {
        if (watch)
            watch->Unwatch(*this);
        watch = nullptr;
        loopLooksOut = false;
    }

    static DWORD WINAPI ThreadProcedure(void* device) { return static_cast<Device*>(device)->RunEventThread(); }

    // The comm-event thread: waits for "character received" and posts WM_COMM_EVENT. It never reads,
    // never sends and never waits on the user-interface thread; its failures are handed over.
    DWORD RunEventThread();
    enum class Look { Posted, Nothing, Gone };
    // Looks at the input queue after the comm event `mask`: posts WM_COMM_EVENT when bytes wait,
    // carrying the line errors seen since the last post. Gone when the device has gone away.
    Look Announce(DWORD mask);
    // One overlapped transfer; `operation` names it in reports.
    bool Transfer(const wchar_t* operation, bool write, void* buffer, DWORD count, DWORD& done);
    // Whether an answer to the bytes written is expected and not yet overdue.
    bool AnswerExpected() const
    {
        const uint64_t due = answerDueNs.load(std::memory_order_acquire);
        return due != 0 && SteadyNowNs() <= due + kAwakeAfterAnswerNs;
    }
    // How long the idle look-out rests before its next look: 0 while an expected answer is near.
    DWORD IdlePause() const
    {
        const uint64_t due = answerDueNs.load(std::memory_order_acquire);
        const uint64_t now = SteadyNowNs();
        if (due == 0 || now > due + kAwakeAfterAnswerNs || loopLooksOut)
            return kIdlePollIntervalMs;
        if (now + kAwakeBeforeAnswerNs >= due)
            return 0;
        // The usual interval until the stretch begins (in whole milliseconds, so never past its start):
        // the bytes may have left sooner than their wire time says (a driver whose write completes
        // only once they are sent, a line faster than the speed set), and the answer with them.
        const uint64_t untilStretchMs = (due - kAwakeBeforeAnswerNs - now) / 1'000'000;
        return static_cast<DWORD>(std::min<uint64_t>(untilStretchMs, kIdlePollIntervalMs));
    }
    // Lets the waiter announce arriving bytes again at once.
    void Rearm()
    {
        gate.Rearm();
        SetEvent(rearmEvent.Get());
    }

    CSerialPort& owner;
    COMMPROP properties{};  // as the driver reported them when the port opened
    DCB lineSettings{};     // the settings last written to the port
    std::unique_ptr<COverlappedRecord> io; // every read and write
    CHandle stopEvent;      // signalled while the thread is being stopped
    CHandle rearmEvent;     // auto-reset: a read has re-armed the gate
    CHandle port;
    CHandle thread;
    std::atomic<bool> stop{false};
    CCommEventGate gate;
    DWORD lineErrors = 0; // waiter thread: errors cleared but not yet announced
    bool idleWaitsEnd = false; // waiter thread: a comm-event wait has ended with nothing arrived
    uint64_t lineFreeNs = 0;               // user-interface thread: when the bytes written have left
    std::atomic<uint64_t> answerDueNs{0};  // when an answer to them can first arrive; 0: none expected
    IReadinessWatch* watch = nullptr;      // the event loop looking out for answers, or none
    std::atomic<bool> loopLooksOut{false};
};

bool CSerialPort::Device::WantsReadiness(ReadinessWish& wish)
{
    // One event at a time, as the thread does: until the receiver reads, or the gate's time-out.
    if (uint32_t wait = gate.MillisecondsUntilRearm(CCommEventGate::Now()); wait > 0) {
        wish.lookAgainMs = static_cast<int>(wait);
        return false;
    }
    wish.answerDueNs = answerDueNs.load(std::memory_order_acquire);
    return wish.answerDueNs != 0;
}

void CSerialPort::Device::OnReadiness(short)
{
    DWORD errors = 0;
    COMSTAT status{};
    IMessageTarget* window = owner.MessageWindow();
    // A failure is left to the thread and the next read, which report it.
    if (!window || !ClearCommError(port.Get(), &errors, &status) || status.cbInQue == 0)
        return;
    gate.Posted(CCommEventGate::Now());
    // Last: the receiver may close the port, and so destroy this device, while it handles the event.
    window->Send(WM_COMM_EVENT, CommEventParameter(errors, SERIAL_EVENT_RXCHAR), 0);
}

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
    device.io = COverlappedRecord::Create();
    if (!device.io || !device.stopEvent.CreateEvent(true) ||
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

    IMessageTarget* window = MessageWindow();
    IReadinessWatch* watch = window ? window->ReadinessWatch() : nullptr;
    if (watch && watch->Watch(-1, device)) {
        device.watch = watch;
        device.loopLooksOut = true;
    }
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
    device.StopWatching();
    if (device.thread.IsValid()) {
        device.stop = true;
        // A new mask ends a pending comm-event wait; the stop event ends every other wait.
        if (!SetCommMask(device.port.Get(), SERIAL_EVENT_RXCHAR)) {
            uint32_t code = GetLastError();
            if (!IsDeviceGoneError(code))
                ReportError(L"SetCommMask", code);
        }
        SetEvent(device.stopEvent.Get());
        if (!WaitForThreadEnd(device.thread.Get(), device.port.Get(), kThreadStopWaitMs, kThreadCancelWaitMs)) {
            // A thread that does not end may still use the device and its events: they are left to
            // it rather than freed under it (the port stays taken until the program ends).
            (void)device_.release();
            ReportError(L"WaitForSingleObject", WAIT_TIMEOUT);
            return;
        }
        device.thread.Reset();
    }
    device.port.Reset();
    device_.reset();
}

DWORD CSerialPort::Device::RunEventThread()
{
    std::unique_ptr<COverlappedRecord> wait = COverlappedRecord::Create();
    if (!wait) {
        owner.HandOverFailure(L"CreateEvent", GetLastError());
        return 0;
    }
    DWORD exitCode = 0;
    while (!stop) {
        // One event at a time: wait until the receiver reads, or the gate's time-out.
        if (uint32_t rearmWait = gate.MillisecondsUntilRearm(CCommEventGate::Now()); rearmWait > 0) {
            HANDLE handles[] = {stopEvent.Get(), rearmEvent.Get()};
            WaitForMultipleObjects(2, handles, FALSE, rearmWait);
            continue;
        }

        DWORD mask = 0;
        // With a driver whose waits end while the line is idle, an expected answer is looked out
        // for directly: such a wait now and then stays pending long after the byte came.
        if (idleWaitsEnd && AnswerExpected()) {
            // nothing to wait for here: the look-out below
        } else if (!WaitCommEvent(port.Get(), &mask, wait->Prepare())) {
            DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                Completion completion = WaitForCompletion(stopEvent.Get(), *wait);
                if (completion != Completion::Done) {
                    // Stopping, or a wait that does not end: it must be over before its record is reused.
                    bool ended = CancelAndWait(port.Get(), *wait);
                    if (!ended) {
                        Abandon(wait);
                        wait = COverlappedRecord::Create();
                        if (!wait) {
                            if (completion == Completion::Lost)
                                owner.HandOverFailure(L"CreateEvent", GetLastError());
                            break;
                        }
                    }
                    if (completion == Completion::Stopped)
                        break;
                    if (!ended)
                        continue;
                    // The wait ended after all; its result says what it saw (995 if the cancel ended it).
                }
                DWORD ignored;
                if (!GetOverlappedResult(port.Get(), &wait->overlapped, &ignored, FALSE)) {
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

        Look look = Announce(mask);
        if (look == Look::Gone)
            break; // a far end that hung up shows here while waits keep ending idle
        // Bytes that were read meanwhile: wait for the next. (Without a window to tell, rest below.)
        if (look == Look::Posted || (mask != 0 && owner.MessageWindow()))
            continue;
        // An empty wake-up: this driver does not block while the line is idle (Wine ends such a
        // wait within milliseconds, and every wait costs it a thread). Look at the input queue at
        // short intervals for a while before waiting again, so the loop neither spins nor lags.
        idleWaitsEnd = idleWaitsEnd || mask == 0;
        DWORD pollStart = GetTickCount();
        while (look == Look::Nothing && GetTickCount() - pollStart < kIdlePollSpanMs) {
            if (DWORD pause = IdlePause(); pause > 0) {
                if (WaitForSingleObject(stopEvent.Get(), pause) == WAIT_OBJECT_0)
                    break;
            } else {
                if (stop)
                    break;
                SwitchToThread();
            }
            look = Announce(SERIAL_EVENT_RXCHAR);
        }
        if (look == Look::Gone)
            break;
    }
    return exitCode;
}

CSerialPort::Device::Look CSerialPort::Device::Announce(DWORD mask)
{
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port.Get(), &errors, &status))
        return IsDeviceGoneError(GetLastError()) ? Look::Gone : Look::Nothing;
    lineErrors |= errors;
    IMessageTarget* window = owner.MessageWindow();
    // An event for bytes that were read meanwhile announces nothing.
    if (!window || mask == 0 || status.cbInQue == 0)
        return Look::Nothing;
    gate.Posted(CCommEventGate::Now());
    if (!window->Post(WM_COMM_EVENT, CommEventParameter(lineErrors, mask), 0)) {
        gate.Rearm();
        return Look::Nothing;
    }
    lineErrors = 0;
    return Look::Posted;
}

bool CSerialPort::Device::Transfer(const wchar_t* operation, bool write, void* buffer, DWORD count, DWORD& done)
{
    done = 0;
    if (!io && !(io = COverlappedRecord::Create())) { // the last one was left to the driver
        DWORD error = GetLastError();
        owner.ReportError(L"CreateEvent", error);
        SetLastError(error);
        return false;
    }
    OVERLAPPED* overlapped = io->Prepare();
    BOOL started = write ? WriteFile(port.Get(), buffer, count, nullptr, overlapped)
                         : ReadFile(port.Get(), buffer, count, nullptr, overlapped);
    DWORD error = started ? ERROR_SUCCESS : GetLastError();
    if (started || error == ERROR_IO_PENDING) {
        Completion completion = started ? Completion::Done : WaitForCompletion(stopEvent.Get(), *io);
        // Ended by the stop event, or not ending: cancel before the record is used again.
        bool ended = completion == Completion::Done || CancelAndWait(port.Get(), *io);
        if (ended && GetOverlappedResult(port.Get(), overlapped, &done, FALSE))
            return true; // also a transfer that completed before the cancel took hold
        error = GetLastError();
        done = 0;
        if (!ended) {
            Abandon(io);
            io = COverlappedRecord::Create();
        }
        if (completion == Completion::Stopped)
            return true; // the port is closing
        if (completion == Completion::Lost)
            error = ERROR_TIMEOUT;
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
    if (IsOpen()) {
        if (received > 0)
            device_->answerDueNs.store(0, std::memory_order_release); // the answer is here
        device_->Rearm();
    }
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
    if (IsOpen()) {
        if (uint64_t due = NoteBytesWritten(device_->lineFreeNs, SteadyNowNs(), done, speed_))
            device_->answerDueNs.store(due, std::memory_order_release);
    }
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
