// The operating-system line: string 318 and the name table of Windows versions.
#include "model/OsVersion.h"

#include "model/Format.h"
#include "model/StringTable.h"

namespace {

struct WindowsName {
    uint32_t major, minor;
    const wchar_t* workstation;
    const wchar_t* server;
};

// Versions that the table does not name (6.4 to 6.9, 10.x, 4.x ...) get no name.
constexpr WindowsName kWindowsNames[] = {
    {5, 0, L"Windows 2000", L"Windows 2000"},
    {5, 1, L"Windows XP", L"Windows XP"},
    {5, 2, L"Windows XP 64-Bit Edition", L"Windows Server 2003"},
    {6, 0, L"Windows Vista", L"Windows Server 2008"},
    {6, 1, L"Windows 7", L"Windows Server 2008 R2"},
    {6, 2, L"Windows 8", L"Windows Server 2012"},
    {6, 3, L"Windows 8.1", L"Windows Server 2012 R2"},
    {6, 10, L"Windows 10", L"Windows 10 Server Technical Preview"},
};

} // namespace

std::wstring OsVersionText(const OsVersionInfo& info)
{
    std::wstring text = Format(StringId{IDS_OS_VERSION}, info.major, info.minor, info.build);
    if (!info.isWindows)
        return text + info.systemName;
    for (const auto& name : kWindowsNames)
        if (name.major == info.major && name.minor == info.minor)
            return text + (info.productType == 1 ? name.workstation : name.server);
    return text;
}

std::wstring OsVersionText() { return OsVersionText(QueryOsVersion()); }
