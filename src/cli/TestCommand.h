// The `test` subcommand of mt6402util: Test Communications from the console.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/CliCommand.h"

struct TestOptions {
    std::wstring port;             // --port P: stored in the Port setting, like a choice on the Port page
    uint32_t timeoutSeconds = 10;  // --timeout S: 1 to 3600
    bool verbose = false;          // --verbose: also the status lines (those of the verbose log)
    bool trace = false;            // --trace: also the machine's trace lines
    bool help = false;             // --help
};

// Reads the words after "test". False with a usage message in `error` for an unknown option, a
// missing value or a time-out out of range.
bool ParseTestOptions(const std::vector<std::wstring>& args, TestOptions& options, std::wstring& error);

// Runs the contact machine as the Windows program does: settings read once at the start and written
// once at the end, every report line printed with its time stamp as the activity log shows it.
// Ends with the device status: 0 when the module's firmware runs (string 140), 1 when nothing
// answered before the time-out (string 141) or the conversation failed, 3 at once when the port
// cannot be opened, 2 for a usage error.
int RunTestCommand(const CliContext& context, const std::vector<std::wstring>& args);
