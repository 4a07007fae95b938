// The settings store the tool works on: the program's own, or the one named by --settings.
#pragma once
#include <memory>

#include "cli/CliCommand.h"
#include "model/SettingsStore.h"

// Null with the reason as the last-error value when the store cannot be opened.
std::unique_ptr<ISettingsStore> OpenCliSettings(const CliContext& context);
