// The `load` subcommand of mt6402util: sends a firmware file to the MT6402 and checks its new revision.
#pragma once
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/LoadOptions.h"

// Does what the Firmware page's Send Firmware does, on the console: the firmware file is the
// folder's highest revision (or --file); the module must answer first (a module that answers the
// poll but not "V" -- a bootstrap loader still waiting -- counts as answering); the loader machine
// runs at 9600 bit/s and the previous speed comes back afterwards; the loader dialog's lines are
// printed with their time stamps, progress goes to standard error. Settings are read once at the
// start and written once at the end. Exit status: 0 for a verified load, 1 when the load failed
// (or the file cannot be sent), 2 for wrong words, 3 when the port cannot be opened, 4 when the
// module is not responding, 5 when Ctrl+C (SIGINT, SIGTERM) abandoned it; the port is closed.
int RunLoadCommand(const CliContext& context, const std::vector<std::wstring>& args);
