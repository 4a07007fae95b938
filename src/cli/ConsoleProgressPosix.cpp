// The console progress line off Windows: whether a standard stream is a terminal.
#include "cli/ConsoleProgress.h"

#include <unistd.h>

bool IsTerminalStream(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) == 1;
}
