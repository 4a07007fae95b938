// The simulator's options for the bootstrap loader, the line speed and the measurements.
#pragma once
#include <string>

struct SimOptions;

enum class OptionMatch { NotMine, Taken, Bad };

// Reads one option (and its value, when it takes one: `usedValue` is then 1) into `options`.
// NotMine for an option of another part; Bad with `error` for a missing or wrong value.
OptionMatch ParseLoaderOption(const std::string& option, const char* value, SimOptions& options, int& usedValue,
                              std::string& error);

// The usage lines of these options.
extern const char kLoaderUsage[];
