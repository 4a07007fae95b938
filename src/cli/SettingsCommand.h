// The `settings` subcommand of mt6402util: shows the saved settings, or changes one of them.
#pragma once
#include <string>
#include <vector>

#include "cli/CliCommand.h"

// "settings": loads the settings as the program does at its start (empty macro captions and an
// empty firmware folder take their defaults) and prints every saved setting, "Name = value", in
// the order the program saves them; nothing is written.
// "settings set NAME VALUE": NAME is one of those settings (any letter case); VALUE must suit
// its type and bounds. Only that setting is written, and only when it changes.
// Returns 0, 1 when the settings cannot be opened or written, 2 for a usage error or a bad value.
int RunSettingsCommand(const CliContext& context, const std::vector<std::wstring>& args);
