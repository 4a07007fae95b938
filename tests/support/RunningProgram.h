// A program of the build running as a child process that a test can watch, signal and wait for (Linux).
#pragma once
#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include <sys/types.h>

#include "ProgramRun.h"

// Started with its standard input empty and its output on pipes, so a test can wait for a line
// (never for a fixed time) and then act, for example send the signal Ctrl+C would. The process is
// killed and reaped if the object goes away first.
class RunningProgram {
public:
    RunningProgram() = default;
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Same arguments as RunProgram. False when the program cannot be started.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment = {});
    // Reads standard output until a whole line matches `pattern`; false when the time is up or
    // the program closed its output first.
    bool WaitForLine(const std::regex& pattern, std::chrono::milliseconds timeout);
    bool Signal(int signalNumber);
    // Collects the rest of the output and the exit status; kills the program after `timeout`.
    ProgramResult Wait(std::chrono::milliseconds timeout);

private:
    // Reads what is ready on either pipe within `timeout`; false once both are closed.
    bool Pump(std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    size_t scanned_ = 0; // standard output up to here has been matched already
    std::chrono::steady_clock::time_point started_;
    ProgramResult result_;
};
