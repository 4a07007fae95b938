// The words of `mt6402util load`: what to send, where, and how the load may behave.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct LoadOptions {
    std::wstring port;            // --port P: kept as the Port setting, like a choice on the Port page
    std::wstring folder;          // --folder DIR: the folder to take the firmware file from, this load only
    std::wstring file;            // --file F: the firmware file itself (its name carries the revision)
    uint32_t retryLimit = 0;      // --retry-limit N: 5 to 25 for this load; 0 keeps the setting
    uint32_t timeoutSeconds = 10; // --timeout S: how long the module has to answer before the load
    bool verbose = false;         // --verbose: also the lines of the verbose log
    bool trace = false;           // --trace: also the conversation's trace lines
    bool help = false;            // --help
};

// Reads the words after "load". False with a message in `error` for an unknown option, a missing
// or wrong value, or both --folder and --file.
bool ParseLoadOptions(const std::vector<std::wstring>& args, LoadOptions& options, std::wstring& error);
