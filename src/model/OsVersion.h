// The operating-system line that starts every activity log.
#pragma once
#include <cstdint>
#include <string>

struct OsVersionInfo {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint8_t productType = 0; // 1 = workstation (Windows)
    bool isWindows = true;
    std::wstring systemName; // off Windows: the system's own name ("Linux")
};

// "OS Version %u.%u Build %u " and the Windows name of (major, minor, workstation) when known.
std::wstring OsVersionText(const OsVersionInfo& info);
std::wstring OsVersionText();

// The running system's version (platform file).
OsVersionInfo QueryOsVersion();
