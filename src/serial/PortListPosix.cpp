// The port list on Linux: the tty devices of /sys/class/tty that have a driver, and /dev/serial/by-id.
#include "serial/PortList.h"
#include "serial/PortListRules.h"

#include "platform/TextConversion.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

int ReadUartType(const fs::path& entry)
{
    std::ifstream file(entry / "type");
    int type = -1;
    if (!file || !(file >> type))
        return -1;
    return type;
}

std::vector<TtyEntry> ReadTtyEntries()
{
    std::vector<TtyEntry> entries;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/sys/class/tty", error)) {
        std::error_code driverError;
        bool hasDriver = fs::exists(entry.path() / "device" / "driver", driverError);
        entries.push_back({entry.path().filename().string(), hasDriver, hasDriver ? ReadUartType(entry.path()) : -1});
    }
    return entries;
}

std::vector<std::string> ReadByIdTargets()
{
    std::vector<std::string> targets;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/dev/serial/by-id", error)) {
        std::error_code resolveError;
        fs::path target = fs::canonical(entry.path(), resolveError);
        if (!resolveError)
            targets.push_back(target.string());
    }
    return targets;
}

} // namespace

std::vector<std::wstring> ListSerialPorts()
{
    std::vector<std::wstring> ports;
    for (const std::string& device : SelectSerialDevices(ReadTtyEntries(), ReadByIdTargets()))
        ports.push_back(FromUtf8(device));
    return ports;
}
