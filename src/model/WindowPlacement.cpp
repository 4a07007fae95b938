// Saving and restoring the main window's placement under the "Window" subkey.
#include "model/WindowPlacement.h"

#include <memory>

#include "model/SettingsStore.h"
#include "model/SettingsValues.h"
#include "platform/LastError.h"

namespace {

constexpr wchar_t kWindowKey[] = L"Window";

struct Field {
    const wchar_t* name;
    uint32_t WindowPlacement::*unsignedField;
    int32_t WindowPlacement::*signedField;
};

// The stored order: flags, show command, minimized and maximized positions, then the normal
// rectangle as bottom, left, right, top.
constexpr Field kFields[] = {
    {L"flags", &WindowPlacement::flags, nullptr},      {L"showCmd", &WindowPlacement::showCmd, nullptr},
    {L"minPosX", nullptr, &WindowPlacement::minPosX},  {L"minPosY", nullptr, &WindowPlacement::minPosY},
    {L"maxPosX", nullptr, &WindowPlacement::maxPosX},  {L"maxPosY", nullptr, &WindowPlacement::maxPosY},
    {L"bottom", nullptr, &WindowPlacement::bottom},    {L"left", nullptr, &WindowPlacement::left},
    {L"right", nullptr, &WindowPlacement::right},      {L"top", nullptr, &WindowPlacement::top},
};

uint32_t FieldValue(const WindowPlacement& placement, const Field& field)
{
    return field.unsignedField ? placement.*field.unsignedField
                               : static_cast<uint32_t>(placement.*field.signedField);
}

void SetField(WindowPlacement& placement, const Field& field, uint32_t value)
{
    if (field.unsignedField)
        placement.*field.unsignedField = value;
    else
        placement.*field.signedField = static_cast<int32_t>(value);
}

bool Fail(uint32_t code)
{
    SetLastErrorCode(code);
    return false;
}

} // namespace

bool SaveWindowPlacement(ISettingsStore* appKey, const WindowPlacement& placement)
{
    if (!appKey)
        return Fail(ERROR_CODE_INVALID_HANDLE);
    std::unique_ptr<ISettingsStore> windowKey;
    if (const uint32_t result = appKey->OpenSubKey(kWindowKey, true, windowKey); result != 0 || !windowKey)
        return Fail(result != 0 ? result : ERROR_CODE_INVALID_HANDLE);
    for (const Field& field : kFields) {
        if (const uint32_t result = WriteDwordValue(windowKey.get(), field.name, FieldValue(placement, field)))
            return Fail(result);
    }
    return true;
}

bool RestoreWindowPlacement(ISettingsStore* appKey, WindowPlacement& placement)
{
    if (!appKey)
        return Fail(ERROR_CODE_INVALID_HANDLE);
    std::unique_ptr<ISettingsStore> windowKey;
    if (const uint32_t result = appKey->OpenSubKey(kWindowKey, false, windowKey); result != 0 || !windowKey)
        return Fail(result != 0 ? result : ERROR_CODE_INVALID_HANDLE);
    WindowPlacement read = placement;
    for (const Field& field : kFields) {
        uint8_t bytes[4] = {};
        uint32_t type = 0;
        uint32_t size = sizeof(bytes);
        const uint32_t result = windowKey->QueryValue(field.name, type, bytes, size);
        // A value too long for 4 bytes is no REG_DWORD either.
        if (result != 0 && result != ERROR_CODE_MORE_DATA)
            return Fail(result);
        if (result != 0 || type != SETTINGS_TYPE_DWORD || size != sizeof(bytes))
            return Fail(ERROR_CODE_INVALID_DATA);
        SetField(read, field,
                 bytes[0] | (static_cast<uint32_t>(bytes[1]) << 8) | (static_cast<uint32_t>(bytes[2]) << 16) |
                     (static_cast<uint32_t>(bytes[3]) << 24));
    }
    placement = read;
    return true;
}
