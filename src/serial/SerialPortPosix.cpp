// CSerialPort on Linux: a raw termios device, non-blocking reads of what has arrived, and a waiter.
#include "serial/SerialPort.h"

#include "platform/LastError.h"
#include "platform/ReadinessWatch.h"
#include "platform/TextConversion.h"
#include "serial/CommEventGate.h"
#include "serial/SerialRules.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// How long the waiter rests after a wake-up that brought nothing readable.
constexpr int kEmptyWakePauseMs = 5;

// Owns a file descriptor.
class CFileDescriptor {
public:
    CFileDescriptor() = default;
    explicit CFileDescriptor(int fd) : fd_(fd) {}
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    CFileDescriptor(CFileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    CFileDescriptor& operator=(CFileDescriptor&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.fd_, -1));
        return *this;
    }
    ~CFileDescriptor() { Reset(); }

    void Reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    bool IsValid() const { return fd_ >= 0; }
    int Get() const { return fd_; }

private:
    int fd_ = -1;
};

// A device that hung up or went away reads as access denied (5), as a removed adapter does on Windows.
uint32_t PortError(int error)
{
    if (error == EIO || error == ENXIO || error == ENODEV)
        return ERROR_CODE_ACCESS_DENIED;
    return ErrnoToSystemError(error);
}

bool HasHungUp(short revents)
{
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

speed_t SpeedConstant(uint32_t bitsPerSecond)
{
    switch (bitsPerSecond) {
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    default: return B0;
    }
}

std::string DevicePath(const std::wstring& name)
{
    std::string path = ToUtf8(name);
    return path.find('/') == std::string::npos ? "/dev/" + path : path;
}

void DrainPipe(int fd)
{
    char buffer[64];
    while (::read(fd, buffer, sizeof(buffer)) > 0) {
    }
}

} // namespace

// Arriving bytes are announced by one of two waiters. When the message window's event loop can wait
// on the device itself, it does: the announcement is a WM_COMM_EVENT sent on the loop's thread the
// moment poll returns, with no hand-over between threads (a load's turnaround per block is mostly
// such hand-overs). Otherwise a waiter thread polls the device and posts the event.
struct CSerialPort::Device : IReadinessClient {
    explicit Device(CSerialPort& owner) : owner(owner) {}

    // The waiter thread: polls the device and posts WM_COMM_EVENT when bytes wait. It never reads,
    // never sends and never waits on the user-interface thread; its failures are handed over.
    void RunWaiter();
    // Wakes the waiter thread (to re-arm it, or to let it see the stop flag).
    void Wake()
    {
        char byte = 1;
        [[maybe_unused]] ssize_t ignored = ::write(wakeWrite.Get(), &byte, 1);
    }
    void Rearm()
    {
        gate.Rearm();
        if (waiter.joinable())
            Wake();
    }

    // The event loop as the waiter (loop thread).
    bool WantsReadiness(ReadinessWish& wish) override;
    void OnReadiness(short events) override;
    void OnWatchEnded() override { watch = nullptr; }
    // An answer to what was written cannot begin to arrive before it has crossed the wire.
    void NoteWritten(uint32_t count, uint32_t bitsPerSecond)
    {
        if (uint64_t due = NoteBytesWritten(lineFreeNs, NowNs(), count, bitsPerSecond))
            answerDueNs = due;
    }
    static uint64_t NowNs()
    {
        using namespace std::chrono;
        return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void StopWatching()
    {
        if (watch)
            watch->Unwatch(*this);
        watch = nullptr;
    }
    void MarkWaiterEnded()
    {
        std::lock_guard<std::mutex> lock(endedMutex);
        waiterEnded = true;
        endedChanged.notify_all();
    }

    CSerialPort& owner;
    CFileDescriptor port;
    CFileDescriptor wakeRead;  // the waiter's wake-up pipe: re-arm and stop
    CFileDescriptor wakeWrite;
    termios lineSettings{};    // the settings last written to the port
    std::thread waiter;
    IReadinessWatch* watch = nullptr; // the event loop waiting on the device instead of the thread
    uint32_t quietUntilMs = 0;        // loop waiter: after a wake-up with nothing to read
    bool quiet = false;
    uint64_t lineFreeNs = 0;          // when the bytes written so far have crossed the wire
    uint64_t answerDueNs = 0;         // when the first byte of an answer to them can arrive; 0: none
    std::atomic<bool> stop{false};
    CCommEventGate gate;
    std::mutex endedMutex;
    std::condition_variable endedChanged;
    bool waiterEnded = false;
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
    int wake[2];
    if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        SetLastErrorCode(ErrnoToSystemError(errno));
        return FailOpen(L"CreateEvent");
    }
    device.wakeRead.Reset(wake[0]);
    device.wakeWrite.Reset(wake[1]);

    // The caller reports a port that cannot be opened (in use, missing, access denied).
    device.port.Reset(::open(DevicePath(name_).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!device.port.IsValid()) {
        SetLastErrorCode(ErrnoToSystemError(errno));
        return FailOpenQuietly();
    }
    // One program at a time, as on Windows: a second opener finds the lock taken.
    if (::flock(device.port.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        SetLastErrorCode(ERROR_CODE_ACCESS_DENIED);
        return FailOpenQuietly();
    }
    termios settings{};
    if (::tcgetattr(device.port.Get(), &settings) != 0) { // not a terminal device
        SetLastErrorCode(ErrnoToSystemError(errno));
        return FailOpenQuietly();
    }
    ::ioctl(device.port.Get(), TIOCEXCL); // refuses further opens by programs that ignore the lock

    // Raw 8N1 without flow control; reads return at once with what has arrived.
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    ::cfsetispeed(&settings, SpeedConstant(SERIAL_DEFAULT_SPEED));
    ::cfsetospeed(&settings, SpeedConstant(SERIAL_DEFAULT_SPEED));
    if (::tcsetattr(device.port.Get(), TCSANOW, &settings) != 0) {
        SetLastErrorCode(PortError(errno));
        return FailOpen(L"SetCommState");
    }
    device.lineSettings = settings;
    speed_ = SERIAL_DEFAULT_SPEED;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    IMessageTarget* window = MessageWindow();
    IReadinessWatch* watch = window ? window->ReadinessWatch() : nullptr;
    if (watch && watch->Watch(device.port.Get(), device)) {
        device.watch = watch;
        return true;
    }
    try {
        device.waiter = std::thread([&device] { device.RunWaiter(); });
    } catch (const std::system_error& error) {
        SetLastErrorCode(ErrnoToSystemError(error.code().value()));
        return FailOpen(L"CreateThread");
    }
    return true;
}

void CSerialPort::CloseDevice()
{
    if (!device_)
        return;
    Device& device = *device_;
    device.StopWatching();
    if (device.waiter.joinable()) {
        device.stop = true;
        device.Wake();
        device.waiter.join();
    }
    if (device.port.IsValid())
        ::ioctl(device.port.Get(), TIOCNXCL); // the exclusive mode outlives the descriptor otherwise
    device.port.Reset();
    device_.reset();
}

void CSerialPort::Device::RunWaiter()
{
    while (!stop) {
        // One event at a time: wait until the receiver reads, or the gate's time-out.
        if (uint32_t wait = gate.MillisecondsUntilRearm(CCommEventGate::Now()); wait > 0) {
            pollfd wake{wakeRead.Get(), POLLIN, 0};
            ::poll(&wake, 1, static_cast<int>(wait));
            DrainPipe(wakeRead.Get());
            continue;
        }
        pollfd fds[] = {{port.Get(), POLLIN, 0}, {wakeRead.Get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            owner.HandOverFailure(L"WaitCommEvent", ErrnoToSystemError(errno));
            break;
        }
        if (fds[1].revents != 0)
            DrainPipe(wakeRead.Get());
        if (stop)
            break;
        if (HasHungUp(fds[0].revents))
            break; // the far end hung up or the device went away; the next read or write reports it
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        int waiting = 0;
        if (::ioctl(port.Get(), FIONREAD, &waiting) != 0) {
            if (PortError(errno) == ERROR_CODE_ACCESS_DENIED)
                break;
            waiting = 0;
        }
        IMessageTarget* window = owner.MessageWindow();
        if (window && waiting > 0) {
            gate.Posted(CCommEventGate::Now());
            if (!window->Post(WM_COMM_EVENT, CommEventParameter(0, SERIAL_EVENT_RXCHAR), 0))
                gate.Rearm();
            continue;
        }
        pollfd wake{wakeRead.Get(), POLLIN, 0};
        ::poll(&wake, 1, kEmptyWakePauseMs);
    }
    MarkWaiterEnded();
}

bool CSerialPort::Device::WantsReadiness(ReadinessWish& wish)
{
    const uint32_t now = CCommEventGate::Now();
    if (quiet && static_cast<int32_t>(quietUntilMs - now) > 0) {
        wish.lookAgainMs = static_cast<int>(quietUntilMs - now);
        return false;
    }
    quiet = false;
    // One event at a time, as the thread does: until the receiver reads, or the gate's time-out.
    if (uint32_t wait = gate.MillisecondsUntilRearm(now); wait > 0) {
        wish.lookAgainMs = static_cast<int>(wait);
        return false;
    }
    wish.answerDueNs = answerDueNs;
    return true;
}

void CSerialPort::Device::OnReadiness(short events)
{
    int waiting = 0;
    if (::ioctl(port.Get(), FIONREAD, &waiting) != 0) {
        if (PortError(errno) == ERROR_CODE_ACCESS_DENIED) {
            StopWatching(); // the device went away; the next read or write reports it
            return;
        }
        waiting = 0;
    }
    IMessageTarget* window = owner.MessageWindow();
    if (window && waiting > 0) {
        gate.Posted(CCommEventGate::Now());
        // Last: the receiver may close the port, and so destroy this device, while it handles the event.
        window->Send(WM_COMM_EVENT, CommEventParameter(0, SERIAL_EVENT_RXCHAR), 0);
        return;
    }
    // Bytes that arrived before a hang-up are announced first; then the watch ends and the next
    // read or write reports the hang-up.
    if (HasHungUp(events)) {
        StopWatching();
        return;
    }
    quiet = true;
    quietUntilMs = CCommEventGate::Now() + kEmptyWakePauseMs;
}

bool CSerialPort::Read(uint8_t* buffer, uint32_t count, uint32_t& received)
{
    received = 0;
    if (!IsOpen()) {
        SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
        return false;
    }
    ReportWaiterFailure();
    if (!IsOpen()) {
        SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
        return false;
    }
    int fd = device_->port.Get();
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) != 0) {
        ReportError(L"ReadFile", PortError(errno));
        return false;
    }
    if (waiting <= 0) {
        pollfd state{fd, POLLIN, 0};
        if (::poll(&state, 1, 0) > 0 && HasHungUp(state.revents)) {
            ReportError(L"ReadFile", ERROR_CODE_ACCESS_DENIED);
            return false;
        }
    } else if (count > 0) {
        ssize_t n = ::read(fd, buffer, std::min<size_t>(count, static_cast<size_t>(waiting)));
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            ReportError(L"ReadFile", PortError(errno));
            return false;
        }
        received = n > 0 ? static_cast<uint32_t>(n) : 0;
        if (received > 0)
            device_->answerDueNs = 0; // the answer is here
    }
    device_->Rearm();
    return true;
}

bool CSerialPort::Write(const uint8_t* bytes, uint32_t count, uint32_t& written)
{
    written = 0;
    if (!IsOpen()) {
        SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
        return false;
    }
    ReportWaiterFailure();
    if (!IsOpen()) {
        SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
        return false;
    }
    int fd = device_->port.Get();
    // Like an overlapped write without a time-out: done when the driver has taken every byte.
    while (written < count) {
        ssize_t n = ::write(fd, bytes + written, count - written);
        if (n > 0) {
            written += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd state{fd, POLLOUT, 0};
            if (::poll(&state, 1, -1) < 0 && errno != EINTR) {
                ReportError(L"WriteFile", PortError(errno));
                return false;
            }
            if (HasHungUp(state.revents)) {
                ReportError(L"WriteFile", ERROR_CODE_ACCESS_DENIED);
                return false;
            }
            continue;
        }
        ReportError(L"WriteFile", n < 0 ? PortError(errno) : ERROR_CODE_ACCESS_DENIED);
        return false;
    }
    device_->NoteWritten(count, speed_);
    return true;
}

bool CSerialPort::Purge()
{
    if (!IsOpen()) {
        SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
        return false;
    }
    if (::tcflush(device_->port.Get(), TCIFLUSH) != 0) {
        ReportError(L"PurgeComm", PortError(errno));
        return false;
    }
    device_->Rearm();
    return true;
}

bool CSerialPort::CancelIo()
{
    // Transfers here complete before they return, so nothing is ever pending.
    if (!IsOpen()) {
        SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
        return false;
    }
    return true;
}

bool CSerialPort::WriteSpeed(uint32_t bitsPerSecond)
{
    termios settings = device_->lineSettings;
    ::cfsetispeed(&settings, SpeedConstant(bitsPerSecond));
    ::cfsetospeed(&settings, SpeedConstant(bitsPerSecond));
    if (::tcsetattr(device_->port.Get(), TCSANOW, &settings) != 0) {
        SetLastErrorCode(PortError(errno));
        return false;
    }
    device_->lineSettings = settings;
    return true;
}

bool CSerialPort::ClearLineErrors(uint32_t& errors)
{
    // The terminal layer counts no line errors per read; only a device that still answers is checked.
    termios settings{};
    if (::tcgetattr(device_->port.Get(), &settings) != 0) {
        SetLastErrorCode(PortError(errno));
        return false;
    }
    errors = 0;
    return true;
}

bool CSerialPort::WaitForWaiterExit(uint32_t milliseconds)
{
    if (!device_ || !device_->waiter.joinable())
        return true;
    std::unique_lock<std::mutex> lock(device_->endedMutex);
    return device_->endedChanged.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                          [this] { return device_->waiterEnded; });
}
