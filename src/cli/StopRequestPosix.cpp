// Ctrl+C as a message off Windows: SIGINT and SIGTERM through a self-pipe and a thread that posts.
#include "cli/StopRequest.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "platform/LastError.h"
#include "platform/MessageTarget.h"

namespace {

// The write end of the self-pipe, for the signal handler (which may touch nothing else).
std::atomic<int> signalPipe{-1};

void OnStopSignal(int)
{
    const int saved = errno;
    const int fd = signalPipe.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

// Owns one end of a pipe.
class CPipeEnd {
public:
    CPipeEnd() = default;
    ~CPipeEnd() { Reset(); }
    CPipeEnd(const CPipeEnd&) = delete;
    CPipeEnd& operator=(const CPipeEnd&) = delete;
    void Reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int Get() const { return fd_; }

private:
    int fd_ = -1;
};

bool MakePipe(CPipeEnd& read, CPipeEnd& write)
{
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
        SetLastErrorCode(ErrnoToSystemError(errno));
        return false;
    }
    read.Reset(fds[0]);
    write.Reset(fds[1]);
    return true;
}

void Drain(int fd)
{
    char buffer[64];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
}

} // namespace

struct CStopRequests::Impl {
    IMessageTarget& target;
    uint32_t message;
    CPipeEnd signalRead, signalWrite; // written by the signal handler
    CPipeEnd quitRead, quitWrite;     // ends the thread
    struct sigaction previousInt {};
    struct sigaction previousTerm {};
    std::thread poster;
    bool valid = false;

    Impl(IMessageTarget& target, uint32_t message) : target(target), message(message) {}

    void Post()
    {
        for (;;) {
            pollfd fds[] = {{signalRead.Get(), POLLIN, 0}, {quitRead.Get(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[1].revents != 0)
                return;
            if (fds[0].revents != 0) {
                Drain(signalRead.Get());
                target.Post(message, 0, 0);
            }
        }
    }
};

CStopRequests::CStopRequests(IMessageTarget& target, uint32_t message) : impl_(std::make_unique<Impl>(target, message))
{
    Impl& impl = *impl_;
    if (!MakePipe(impl.signalRead, impl.signalWrite) || !MakePipe(impl.quitRead, impl.quitWrite))
        return;
    try {
        impl.poster = std::thread([&impl] { impl.Post(); });
    } catch (const std::system_error& error) {
        SetLastErrorCode(ErrnoToSystemError(error.code().value()));
        return;
    }
    signalPipe = impl.signalWrite.Get();
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &impl.previousInt);
    ::sigaction(SIGTERM, &action, &impl.previousTerm);
    impl.valid = true;
}

CStopRequests::~CStopRequests()
{
    Impl& impl = *impl_;
    if (impl.valid) {
        ::sigaction(SIGINT, &impl.previousInt, nullptr);
        ::sigaction(SIGTERM, &impl.previousTerm, nullptr);
        signalPipe = -1;
    }
    if (impl.poster.joinable()) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(impl.quitWrite.Get(), &byte, 1);
        impl.poster.join();
    }
}

bool CStopRequests::IsValid() const
{
    return impl_->valid;
}
