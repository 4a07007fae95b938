// mt6402util's entry point off Windows: the words of the command line as UTF-8.
#include "cli/CliCommand.h"
#include "platform/TextConversion.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(FromUtf8(argv[i]));
    return RunCli(args);
}
