// Runs a program of the build as a child process and collects its exit code and output (Linux).
#pragma once
#include <chrono>
#include <string>
#include <vector>

struct ProgramResult {
    bool finished = false; // false: it did not end within the time allowed and was killed
    int exitCode = -1;     // the exit status when it ended normally
    std::string out;       // everything written to standard output
    std::string err;       // everything written to standard error
    std::chrono::milliseconds elapsed{0};
};

// Runs `program` with `arguments`, its standard input empty, with `environment` ("NAME=VALUE")
// added to (or replacing in) this process's environment. Kills it after `timeout`.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(60));
