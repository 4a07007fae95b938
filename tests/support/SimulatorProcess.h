// Runs the module simulator (mt6402sim) for the length of a test and hands out the port it plays on.
#pragma once
#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

// Linux only. The simulator's first line of output is the slave path of its pseudo-terminal; the
// process is stopped (SIGTERM, then waited for) when the object goes away.
class SimulatorProcess {
public:
    SimulatorProcess() = default;
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Starts `program` with `arguments` and waits up to `timeout` for its first line. False with
    // `error` when it cannot start or prints no path in time.
    bool Start(const std::string& program, const std::vector<std::string>& arguments, std::string& error,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
    const std::string& SlavePath() const { return slavePath_; }

    // Waits up to `timeout` for the simulator to end by itself; true with its exit status when it did.
    bool WaitForExit(std::chrono::milliseconds timeout, int& exitStatus);
    // Asks it to end (SIGTERM) and waits for it.
    void Stop();

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string slavePath_;
};
