// The simulator's command line.
#include "SimOptions.h"

#include "LoaderOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

const char kSimUsage[] =
    "Usage: mt6402sim [options]\n"
    "Plays an MT6402 module on a new pseudo-terminal. The first line of standard output is the path\n"
    "of the terminal's slave side, the port a program opens.\n"
    "  --revision N          answer \"V\" with revision N (0 to 999; 112 answers V1.12;), default 112\n"
    "  --silent              answer nothing\n"
    "  --noise               send a few garbage bytes before each reply\n"
    "  --bad-version         answer \"V\" in a wrong format (V1.2;)\n"
    "  --hangup-after-ms N   hang up N ms after the program first opened the port, then exit\n"
    "  --linger-ms N         exit once the program has been gone N ms (default 2000; 0 stays)\n"
    "  --link PATH           also make PATH a symbolic link to the slave (replaced in one step)\n"
    "  --log                 print what is received and sent to standard error\n"
    "  --help                this text\n"
    "Ends on SIGTERM or SIGINT.\n";

namespace {

bool ParseNumber(const char* text, long minimum, long maximum, long& value)
{
    if (!text || !*text)
        return false;
    errno = 0;
    char* end = nullptr;
    long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < minimum || parsed > maximum)
        return false;
    value = parsed;
    return true;
}

} // namespace

bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long number = 0;
        int usedValue = 0;
        const OptionMatch loaderOption = ParseLoaderOption(option, value, options, usedValue, error);
        if (loaderOption == OptionMatch::Bad)
            return false;
        if (loaderOption == OptionMatch::Taken) {
            i += usedValue;
            continue;
        }
        if (option == "--silent") {
            options.firmware.silent = true;
        } else if (option == "--noise") {
            options.firmware.noise = true;
        } else if (option == "--bad-version") {
            options.firmware.badVersion = true;
        } else if (option == "--log") {
            options.log = true;
        } else if (option == "--help") {
            options.help = true;
        } else if (option == "--revision") {
            if (!ParseNumber(value, 0, 999, number)) {
                error = "--revision needs a number from 0 to 999";
                return false;
            }
            options.firmware.revision = static_cast<unsigned>(number);
            ++i;
        } else if (option == "--hangup-after-ms") {
            if (!ParseNumber(value, 0, 86400000, number)) {
                error = "--hangup-after-ms needs a number of milliseconds";
                return false;
            }
            options.hangupAfterMs = number;
            ++i;
        } else if (option == "--linger-ms") {
            if (!ParseNumber(value, 0, 86400000, number)) {
                error = "--linger-ms needs a number of milliseconds";
                return false;
            }
            options.lingerMs = number;
            ++i;
        } else if (option == "--link") {
            if (!value || !*value) {
                error = "--link needs a path";
                return false;
            }
            options.link = value;
            ++i;
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    return true;
}
