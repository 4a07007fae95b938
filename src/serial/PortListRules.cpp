// The filter rules of the port lists.
#include "serial/PortListRules.h"

#include <algorithm>
#include <cwctype>

namespace {

bool EqualsNoCase(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
           });
}

} // namespace

bool IsListedDeviceMapValue(std::wstring_view valueName, uint32_t type, std::wstring_view data)
{
    return type == REGISTRY_TYPE_SZ && !data.empty() && !EqualsNoCase(valueName, L"winachsf0");
}

std::vector<std::string> SelectSerialDevices(const std::vector<TtyEntry>& ttys,
                                             const std::vector<std::string>& byIdTargets)
{
    std::vector<std::string> devices;
    for (const TtyEntry& tty : ttys)
        if (tty.hasDriver && tty.uartType != 0 && !tty.name.empty())
            devices.push_back("/dev/" + tty.name);
    for (const std::string& target : byIdTargets)
        if (!target.empty())
            devices.push_back(target);
    std::sort(devices.begin(), devices.end());
    devices.erase(std::unique(devices.begin(), devices.end()), devices.end());
    return devices;
}
