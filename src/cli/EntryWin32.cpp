// mt6402util's entry point on Windows: a console program with wide command-line words and UTF-8 output.
#include "cli/CliCommand.h"

#include <windows.h>

#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv)
{
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return RunCli(args);
}
