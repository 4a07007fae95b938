// Runs the module simulator for the length of a test.
#include "SimulatorProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

SimulatorProcess::~SimulatorProcess()
{
    Stop();
}

bool SimulatorProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                             std::string& error, std::chrono::milliseconds timeout)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int result = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    output_ = pipeFds[0];
    if (result != 0) {
        pid_ = -1;
        error = program + ": " + std::strerror(result);
        return false;
    }
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string line;
    while (line.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd readable{output_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
            error = "the simulator printed no port in time";
            return false;
        }
        char buffer[256];
        ssize_t n = ::read(output_, buffer, sizeof(buffer));
        if (n <= 0) {
            error = "the simulator ended without printing its port";
            return false;
        }
        line.append(buffer, static_cast<size_t>(n));
    }
    slavePath_ = line.substr(0, line.find('\n'));
    return true;
}

bool SimulatorProcess::WaitForExit(std::chrono::milliseconds timeout, int& exitStatus)
{
    if (pid_ < 0)
        return false;
    // A process descriptor becomes readable when the process ends.
    int processFd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    if (processFd < 0)
        return false;
    pollfd ended{processFd, POLLIN, 0};
    int ready = ::poll(&ended, 1, static_cast<int>(timeout.count()));
    ::close(processFd);
    if (ready <= 0)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_)
        return false;
    pid_ = -1;
    exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

void SimulatorProcess::Stop()
{
    if (pid_ >= 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    if (output_ >= 0)
        ::close(output_);
    output_ = -1;
}
