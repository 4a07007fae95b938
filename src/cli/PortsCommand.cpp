// The `ports` subcommand of mt6402util: the serial ports of this computer, one per line.
#include "cli/PortsCommand.h"

#include "cli/ConsoleText.h"
#include "model/Format.h"
#include "model/StringTable.h"
#include "serial/PortList.h"

int RunPortsCommand(const CliContext& /*context*/, const std::vector<std::wstring>& args)
{
    if (!args.empty()) {
        const bool help = args.size() == 1 && (args[0] == L"--help" || args[0] == L"-h");
        WriteLine(help ? stdout : stderr, LoadStringResource(IDS_CLI_PORTS_USAGE));
        return help ? CLI_EXIT_OK : CLI_EXIT_USAGE;
    }
    const std::vector<std::wstring> ports = ListSerialPorts();
    if (ports.empty())
        WriteLine(stdout, LoadStringResource(IDS_CLI_NO_PORTS));
    for (const std::wstring& port : ports)
        WriteLine(stdout, port);
    return CLI_EXIT_OK;
}
