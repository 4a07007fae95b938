// The simulator's options for the bootstrap loader, the line speed and the measurements.
#include "LoaderOptions.h"

#include "LoaderRole.h"
#include "SimOptions.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

const char kLoaderUsage[] =
    "Bootstrap loader (\"D\" from the firmware starts it):\n"
    "  --start-in-loader     start in the bootstrap loader, waiting for \"D\" (\";\" answers \";\")\n"
    "  --reset-ms N          silence after the final block before the firmware runs (default 1000)\n"
    "  --new-revision N      the revision after the reset (0 to 999; default the old one + 1)\n"
    "  --wrong-revision      come back from the reset with a revision that does not match\n"
    "  --image-out FILE      write the received image (0x0800-0x7DBF) to FILE as Intel HEX\n"
    "  --no-echo             never echo \"D\"\n"
    "  --reject-block K[:C]  answer \"N\" to block K (1 = 0x0800 ... 471, 472 = the final block), C times\n"
    "  --drop-ack K[:C]      take block K but say nothing, C times (default once); both may repeat\n"
    "  --hangup-after-block K  hang up once block K has been answered, then exit\n"
    "Line and measurements:\n"
    "  --baud N              take the wire time of N bit/s (10 bits a byte) in both directions\n"
    "  --stats FILE          write byte counts and the per-block turnaround to FILE at exit\n";

namespace {

bool ParseWhole(const std::string& text, long minimum, long maximum, long& value)
{
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < minimum || parsed > maximum)
        return false;
    value = parsed;
    return true;
}

// "K" or "K:COUNT", K from 1 to the final block's number, COUNT at least 1.
bool ParseBlockFault(const char* text, BlockFault& fault)
{
    if (!text)
        return false;
    const std::string word = text;
    const size_t colon = word.find(':');
    long block = 0;
    long count = 1;
    if (!ParseWhole(word.substr(0, colon), 1, CLoaderRole::kFinalBlockNumber, block))
        return false;
    if (colon != std::string::npos && !ParseWhole(word.substr(colon + 1), 1, 1000000, count))
        return false;
    fault.block = static_cast<unsigned>(block);
    fault.count = static_cast<unsigned>(count);
    return true;
}

} // namespace

OptionMatch ParseLoaderOption(const std::string& option, const char* value, SimOptions& options, int& usedValue,
                              std::string& error)
{
    usedValue = 0;
    LoaderBehaviour& loader = options.loader;
    if (option == "--start-in-loader") {
        loader.startInLoader = true;
        return OptionMatch::Taken;
    }
    if (option == "--no-echo") {
        loader.noEcho = true;
        return OptionMatch::Taken;
    }
    if (option == "--wrong-revision") {
        loader.wrongRevision = true;
        return OptionMatch::Taken;
    }

    // The options with a value.
    const std::string text = value ? value : "";
    long number = 0;
    if (option == "--reset-ms") {
        if (!ParseWhole(text, 0, 600000, number)) {
            error = "--reset-ms needs a number of milliseconds";
            return OptionMatch::Bad;
        }
        loader.resetMs = number;
    } else if (option == "--new-revision") {
        if (!ParseWhole(text, 0, 999, number)) {
            error = "--new-revision needs a number from 0 to 999";
            return OptionMatch::Bad;
        }
        loader.newRevision = number;
    } else if (option == "--image-out" || option == "--stats") {
        if (text.empty()) {
            error = option + " needs a file path";
            return OptionMatch::Bad;
        }
        (option == "--image-out" ? loader.imageOut : options.statsPath) = text;
    } else if (option == "--reject-block" || option == "--drop-ack") {
        BlockFault fault;
        if (!ParseBlockFault(value, fault)) {
            error = option + " needs K or K:COUNT, K a block number from 1 to " +
                    std::to_string(CLoaderRole::kFinalBlockNumber);
            return OptionMatch::Bad;
        }
        (option == "--reject-block" ? loader.rejects : loader.dropAcks).push_back(fault);
    } else if (option == "--hangup-after-block") {
        if (!ParseWhole(text, 1, CLoaderRole::kFinalBlockNumber, number)) {
            error = "--hangup-after-block needs a block number from 1 to " +
                    std::to_string(CLoaderRole::kFinalBlockNumber);
            return OptionMatch::Bad;
        }
        loader.hangupAfterBlock = static_cast<unsigned>(number);
    } else if (option == "--baud") {
        if (!ParseWhole(text, 50, 4000000, number)) {
            error = "--baud needs a speed in bit/s from 50 to 4000000";
            return OptionMatch::Bad;
        }
        options.baud = number;
    } else {
        return OptionMatch::NotMine;
    }
    usedValue = 1;
    return OptionMatch::Taken;
}
