// mt6402sim: an MT6402 module on a pseudo-terminal, for tests, the demo and the benchmarks.
#include "LoaderOptions.h"
#include "PseudoTerminal.h"
#include "SimLoop.h"
#include "SimOptions.h"

#include <csignal>
#include <cstdio>
#include <string>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void OnStopSignal(int)
{
    stopRequested = 1;
}

void InstallSignalHandlers()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no restart: a pending poll ends at once
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

} // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "mt6402sim: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(kSimUsage, stdout);
        std::fputs(kLoaderUsage, stdout);
        return 0;
    }
    InstallSignalHandlers();

    CPseudoTerminal terminal;
    if (!terminal.Open(error)) {
        std::fprintf(stderr, "mt6402sim: %s\n", error.c_str());
        return 1;
    }
    if (!options.link.empty() && !terminal.Link(options.link, error)) {
        std::fprintf(stderr, "mt6402sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", terminal.SlavePath().c_str());
    std::fflush(stdout);

    CSimLoop loop(terminal, options);
    const int status = loop.Run(stopRequested);
    if (!options.statsPath.empty() && !loop.Stats().WriteTo(options.statsPath, options.baud, error)) {
        std::fprintf(stderr, "mt6402sim: %s\n", error.c_str());
        return 1;
    }
    return status;
}
