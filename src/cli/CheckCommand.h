// The `check` subcommand of mt6402util: checks an Intel HEX firmware file and tells what it holds.
#pragma once
#include <string>
#include <vector>

// `args` are the words after "check": one file path. The file is read whole (every record and its
// checksum, up to the end-of-file record), then loaded into the firmware image and its checksum
// reconciliation word settled, as a firmware load would. Prints the data address range, the
// record counts, the image window, the reconciliation result and what the file name says; a bad
// file, or one that cannot be read, gives "Error code 0x%08X: %s" on standard error.
// Returns CLI_EXIT_OK when a load would send the file, CLI_EXIT_FAILED when it would refuse it or
// the file cannot be read, CLI_EXIT_USAGE for wrong words.
int RunCheckCommand(const std::vector<std::wstring>& args);
