// The tool's front door: the global options, the table of subcommands and the help text.
#include "cli/CliCommand.h"

#include <cstdio>

#include "cli/CheckCommand.h"
#include "cli/ConsoleText.h"
#include "cli/FilesCommand.h"
#include "cli/LoadCommand.h"
#include "cli/PortsCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/TestCommand.h"
#include "model/Format.h"
#include "model/StringTable.h"

namespace {

int RunCheck(const CliContext& /*context*/, const std::vector<std::wstring>& args) { return RunCheckCommand(args); }

// A new subcommand is a file of its own and one line here.
const CliCommand kCommands[] = {
    {L"ports", RunPortsCommand, IDS_CLI_HELP_PORTS},
    {L"test", RunTestCommand, IDS_CLI_HELP_TEST},
    {L"settings", RunSettingsCommand, IDS_CLI_HELP_SETTINGS},
    {L"check", RunCheck, IDS_CLI_HELP_CHECK},
    {L"files", RunFilesCommand, IDS_CLI_HELP_FILES},
    {L"load", RunLoadCommand, IDS_CLI_HELP_LOAD},
};

void PrintHelp(std::FILE* stream)
{
    WriteLine(stream, LoadStringResource(IDS_CLI_USAGE));
    WriteLine(stream, L"");
    WriteLine(stream, LoadStringResource(IDS_CLI_COMMANDS));
    for (const CliCommand& command : kCommands)
        WriteLine(stream, LoadStringResource(command.helpId));
    WriteLine(stream, L"");
    WriteLine(stream, LoadStringResource(IDS_CLI_OPTIONS));
}

bool IsHelp(const std::wstring& word) { return word == L"--help" || word == L"-h" || word == L"help"; }

} // namespace

int RunCli(const std::vector<std::wstring>& args)
{
    CliContext context;
    size_t i = 0;
    for (; i < args.size() && args[i].starts_with(L"-"); ++i) {
        const std::wstring& word = args[i];
        if (IsHelp(word)) {
            PrintHelp(stdout);
            return CLI_EXIT_OK;
        }
        if (word == L"--settings" || word.starts_with(L"--settings=")) {
            if (word == L"--settings") {
                if (++i == args.size()) {
                    WriteLine(stderr, Format(StringId{IDS_CLI_MISSING_VALUE}, word));
                    return CLI_EXIT_USAGE;
                }
                context.settingsLocation = args[i];
            } else {
                context.settingsLocation = word.substr(11);
            }
            if (context.settingsLocation.empty()) {
                WriteLine(stderr, Format(StringId{IDS_CLI_MISSING_VALUE}, L"--settings"));
                return CLI_EXIT_USAGE;
            }
            continue;
        }
        WriteLine(stderr, Format(StringId{IDS_CLI_UNKNOWN_OPTION}, word, L"mt6402util"));
        return CLI_EXIT_USAGE;
    }
    if (i == args.size()) {
        PrintHelp(stderr);
        return CLI_EXIT_USAGE;
    }
    if (IsHelp(args[i])) {
        PrintHelp(stdout);
        return CLI_EXIT_OK;
    }
    for (const CliCommand& command : kCommands) {
        if (args[i] == command.name)
            return command.run(context, std::vector<std::wstring>(args.begin() + static_cast<long>(i) + 1, args.end()));
    }
    WriteLine(stderr, Format(StringId{IDS_CLI_UNKNOWN_COMMAND}, args[i]));
    return CLI_EXIT_USAGE;
}
