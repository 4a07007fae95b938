// The running system's version off Windows: the kernel release from uname.
#include "model/OsVersion.h"

#include "platform/TextConversion.h"

#include <sys/utsname.h>

#include <cstdio>

OsVersionInfo QueryOsVersion()
{
    OsVersionInfo info;
    info.isWindows = false;
    utsname name{};
    if (uname(&name) == 0) {
        unsigned major = 0, minor = 0, patch = 0;
        std::sscanf(name.release, "%u.%u.%u", &major, &minor, &patch);
        info.major = major;
        info.minor = minor;
        info.build = patch;
        info.systemName = FromUtf8(name.sysname);
    }
    return info;
}
