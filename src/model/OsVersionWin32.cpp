// The running Windows version, from the extended version record.
#include "model/OsVersion.h"

#include <windows.h>

OsVersionInfo QueryOsVersion()
{
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    OsVersionInfo info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
#pragma GCC diagnostic pop
        info.major = version.dwMajorVersion;
        info.minor = version.dwMinorVersion;
        info.build = version.dwBuildNumber;
        info.productType = version.wProductType;
    }
    return info;
}
