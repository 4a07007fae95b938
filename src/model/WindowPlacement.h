// The main window's placement, saved under the "Window" subkey of the application key.
#pragma once
#include <cstdint>

class ISettingsStore;

// The fields of the platform's window placement, as stored (ten REG_DWORD values).
struct WindowPlacement {
    uint32_t flags = 0;
    uint32_t showCmd = 0;
    int32_t minPosX = 0;
    int32_t minPosY = 0;
    int32_t maxPosX = 0;
    int32_t maxPosY = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool operator==(const WindowPlacement&) const = default;
};

// Creates or opens "Window" under the application key and writes "flags", "showCmd", "minPosX",
// "minPosY", "maxPosX", "maxPosY", "bottom", "left", "right", "top" in that order, stopping at the
// first failure. True only when all ten were written; otherwise false with the last-error value.
bool SaveWindowPlacement(ISettingsStore* appKey, const WindowPlacement& placement);

// Opens "Window" (without creating it) and reads the ten values in the same order; each must exist
// and be a 4-byte REG_DWORD (otherwise 13). `placement` is filled only when all ten were read;
// otherwise false with the last-error value and `placement` unchanged.
bool RestoreWindowPlacement(ISettingsStore* appKey, WindowPlacement& placement);
