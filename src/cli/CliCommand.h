// The subcommands of mt6402util: what each is called, how it runs, and the exit codes they share.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What every subcommand receives besides its own words.
struct CliContext {
    // Where the settings live: empty for the program's own (the registry key of the Windows
    // program, or the settings file under $XDG_CONFIG_HOME); otherwise a settings file path, or on
    // Windows a key path under HKEY_CURRENT_USER.
    std::wstring settingsLocation;
};

constexpr int CLI_EXIT_OK = 0;
constexpr int CLI_EXIT_FAILED = 1;           // the module did not answer, or the operation failed
constexpr int CLI_EXIT_USAGE = 2;            // unknown command, option or value
constexpr int CLI_EXIT_PORT_UNAVAILABLE = 3; // the serial port could not be opened
constexpr int CLI_EXIT_NOT_RESPONDING = 4;   // the module answered nothing, so nothing was sent
constexpr int CLI_EXIT_ABANDONED = 5;        // stopped by Ctrl+C (or SIGTERM) before the end

// One subcommand: its name, its entry point (given the words after its name) and its help line.
struct CliCommand {
    const wchar_t* name;
    int (*run)(const CliContext& context, const std::vector<std::wstring>& args);
    uint32_t helpId;
};

// Runs the tool on its words (without the program name) and returns the exit code.
int RunCli(const std::vector<std::wstring>& args);
