// A program of the build running as a child process that a test can watch, signal and wait for (Linux).
#include "ChildEnvironment.h"
#include "RunningProgram.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

RunningProgram::~RunningProgram()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0)
        ::close(out_);
    if (err_ >= 0)
        ::close(err_);
}

bool RunningProgram::Start(const std::string& program, const std::vector<std::string>& arguments,
                           const std::vector<std::string>& environment)
{
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return false;
    }
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = MergedEnvironment(environment);
    std::vector<char*> argvPointers = Pointers(argv), envpPointers = Pointers(envp);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    started_ = std::chrono::steady_clock::now();
    const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argvPointers.data(), envpPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    out_ = outPipe[0];
    err_ = errPipe[0];
    if (spawned != 0)
        pid_ = -1;
    return spawned == 0;
}

bool RunningProgram::Pump(std::chrono::milliseconds timeout)
{
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    std::string* sinks[2] = {&result_.out, &result_.err};
    int* owners[2] = {&out_, &err_};
    if (out_ < 0 && err_ < 0)
        return false;
    const int ready = ::poll(fds, 2, static_cast<int>(timeout.count()));
    if (ready < 0 && errno != EINTR)
        return false;
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        char buffer[4096];
        const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
            sinks[i]->append(buffer, static_cast<size_t>(n));
        } else {
            ::close(*owners[i]);
            *owners[i] = -1;
        }
    }
    return true;
}

bool RunningProgram::WaitForLine(const std::regex& pattern, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        // Whole lines only: a line still being written is looked at again once it is complete.
        for (size_t end; (end = result_.out.find('\n', scanned_)) != std::string::npos; scanned_ = end + 1) {
            if (std::regex_match(result_.out.substr(scanned_, end - scanned_), pattern)) {
                scanned_ = end + 1;
                return true;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || out_ < 0 || !Pump(left))
            return false;
    }
}

bool RunningProgram::Signal(int signalNumber)
{
    return pid_ > 0 && ::kill(pid_, signalNumber) == 0;
}

ProgramResult RunningProgram::Wait(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool killed = false;
    while (out_ >= 0 || err_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid_, SIGKILL);
            killed = true;
            break;
        }
        Pump(left);
    }
    int status = 0;
    if (pid_ > 0)
        ::waitpid(pid_, &status, 0);
    pid_ = -1;
    result_.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_);
    result_.finished = !killed && WIFEXITED(status);
    result_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result_;
}
