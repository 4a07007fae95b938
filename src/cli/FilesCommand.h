// The `files` subcommand of mt6402util: what the firmware folder holds.
#pragma once
#include <string>
#include <vector>

#include "cli/CliCommand.h"

int RunFilesCommand(const CliContext& context, const std::vector<std::wstring>& args);
