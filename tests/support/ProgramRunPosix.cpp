// Runs a program of the build as a child process and collects its exit code and output (Linux).
#include "ChildEnvironment.h"
#include "ProgramRun.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Owns one file descriptor.
class CDescriptor {
public:
    explicit CDescriptor(int fd = -1) : fd_(fd) {}
    ~CDescriptor() { Reset(); }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int Get() const { return fd_; }
    void Reset(int fd = -1)
    {
        if (fd_ >= 0)
            close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};


} // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment, std::chrono::milliseconds timeout)
{
    ProgramResult result;
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        return result;
    CDescriptor outRead(outPipe[0]), outWrite(outPipe[1]);
    if (pipe2(errPipe, O_CLOEXEC) != 0)
        return result;
    CDescriptor errRead(errPipe[0]), errWrite(errPipe[1]);

    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = MergedEnvironment(environment);
    std::vector<char*> argvPointers = Pointers(argv), envpPointers = Pointers(envp);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite.Get(), 1);
    posix_spawn_file_actions_adddup2(&actions, errWrite.Get(), 2);
    const auto started = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argvPointers.data(), envpPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    outWrite.Reset();
    errWrite.Reset();
    if (spawned != 0)
        return result;

    const auto deadline = started + timeout;
    bool killed = false;
    pollfd fds[2] = {{outRead.Get(), POLLIN, 0}, {errRead.Get(), POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 && !killed) {
            kill(pid, SIGKILL);
            killed = true;
        }
        const int ready = poll(fds, 2, killed ? 1000 : static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
        if (killed && ready == 0)
            break; // a grandchild holds the pipes open; the program itself is gone
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    result.finished = !killed && WIFEXITED(status);
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}
