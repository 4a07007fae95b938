// The `load` subcommand of mt6402util: its words, then one load session.
#include "cli/LoadCommand.h"

#include "cli/CliSettings.h"
#include "cli/ConsoleAnswers.h"
#include "cli/ConsoleText.h"
#include "cli/LoadSession.h"
#include "model/StringTable.h"

int RunLoadCommand(const CliContext& context, const std::vector<std::wstring>& args)
{
    LoadOptions options;
    std::wstring error;
    if (!ParseLoadOptions(args, options, error)) {
        WriteLine(stderr, error);
        WriteLine(stderr, LoadStringResource(IDS_CLI_LOAD_USAGE));
        return CLI_EXIT_USAGE;
    }
    if (options.help) {
        WriteLine(stdout, LoadStringResource(IDS_CLI_LOAD_USAGE));
        return CLI_EXIT_OK;
    }
    CDefaultAnswers answers;
    // Without a settings store the load goes on with the defaults, as the Windows program does.
    CLoadSession session(options, OpenCliSettings(context));
    return session.Run();
}
