// The `ports` subcommand of mt6402util: the serial ports of this computer, one per line.
#pragma once
#include <string>
#include <vector>

#include "cli/CliCommand.h"

// Takes no words. Prints each port name (COM3 on Windows, /dev/ttyUSB0 on Linux), or a line
// saying there are none. Returns 0, or 2 for a usage error.
int RunPortsCommand(const CliContext& context, const std::vector<std::wstring>& args);
