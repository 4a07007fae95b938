// The `check` subcommand of mt6402util: checks an Intel HEX firmware file and tells what it holds.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

// `args` are the words after "check": one file path. The file is read whole (every record and its
// checksum, up to the end-of-file record), then loaded into the firmware image and its checksum
// reconciliation word checked, as a firmware load would. Prints the data address range, the record
// counts, the reconciliation result, the image window and what the file name says to `out`; a bad
// file or a file that cannot be read gives "Error code 0x%08X: %s" on `err`.
// Returns 0 when the file could be sent as it is, 1 when it could not, 2 for a usage error.
int RunCheckCommand(const std::vector<std::wstring>& args, std::FILE* out, std::FILE* err);
inline int RunCheckCommand(const std::vector<std::wstring>& args)
{
    return RunCheckCommand(args, stdout, stderr);
}
