// Reading and writing single 32-bit and text values of a settings key.
#include "model/SettingsValues.h"

#include <cstring>
#include <vector>

#include "model/SettingsStore.h"
#include "platform/LastError.h"

namespace {

constexpr uint32_t kInitialTextChars = 260;
// A read that still needs more room after a request of this size gives up.
constexpr uint32_t kTextReadLimitBytes = 2u * 1024u * 1024u;

} // namespace

std::string TextToRegistryBytes(const std::wstring& text)
{
    std::string bytes;
    bytes.reserve((text.size() + 1) * 2);
    auto put = [&bytes](uint32_t unit) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    };
    for (wchar_t c : text) {
        const uint32_t code = static_cast<uint32_t>(c);
        if (code >= 0x10000 && code <= 0x10FFFF) {
            // wchar_t is 32-bit here: write the UTF-16 surrogate pair.
            const uint32_t v = code - 0x10000;
            put(0xD800 + (v >> 10));
            put(0xDC00 + (v & 0x3FF));
        } else {
            put(code > 0x10FFFF ? 0xFFFD : code);
        }
    }
    put(0);
    return bytes;
}

std::wstring RegistryBytesToText(const uint8_t* data, size_t size)
{
    std::wstring text;
    const size_t units = size / 2;
    text.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        uint32_t unit = data[2 * i] | (static_cast<uint32_t>(data[2 * i + 1]) << 8);
        if (unit == 0)
            break;
        if constexpr (sizeof(wchar_t) == 4) {
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
                const uint32_t low = data[2 * i + 2] | (static_cast<uint32_t>(data[2 * i + 3]) << 8);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}

uint32_t ReadDwordValue(ISettingsStore* key, const std::wstring& name, uint32_t& value)
{
    if (!key)
        return ERROR_CODE_INVALID_HANDLE;
    uint8_t buffer[4] = {};
    uint32_t type = 0;
    uint32_t size = sizeof(buffer);
    const uint32_t result = key->QueryValue(name, type, buffer, size);
    if (result != 0)
        return result;
    // Shorter data would leave part of the number undefined.
    if (size != sizeof(buffer))
        return ERROR_CODE_INVALID_DATA;
    value = buffer[0] | (static_cast<uint32_t>(buffer[1]) << 8) | (static_cast<uint32_t>(buffer[2]) << 16) |
            (static_cast<uint32_t>(buffer[3]) << 24);
    return 0;
}

uint32_t ReadTextValue(ISettingsStore* key, const std::wstring& name, std::wstring& value)
{
    if (!key)
        return ERROR_CODE_INVALID_HANDLE;
    std::vector<uint8_t> buffer;
    uint32_t request = kInitialTextChars * 2;
    for (;;) {
        try {
            buffer.resize(request);
        } catch (const std::bad_alloc&) {
            return ERROR_CODE_NOT_ENOUGH_MEMORY;
        }
        uint32_t type = 0;
        uint32_t size = request;
        const uint32_t result = key->QueryValue(name, type, buffer.data(), size);
        if (result == ERROR_CODE_MORE_DATA) {
            if (request >= kTextReadLimitBytes)
                return result;
            request *= 2;
            continue;
        }
        if (result != 0)
            return result;
        if (type != SETTINGS_TYPE_SZ && type != SETTINGS_TYPE_EXPAND_SZ)
            return ERROR_CODE_INVALID_DATA;
        if (size == 0) {
            value.clear();
            return 0;
        }
        if (size % 2 != 0 || size > request || buffer[size - 1] != 0 || buffer[size - 2] != 0)
            return ERROR_CODE_INVALID_DATA;
        value = RegistryBytesToText(buffer.data(), size);
        return 0;
    }
}

uint32_t WriteDwordValue(ISettingsStore* key, const std::wstring& name, uint32_t value)
{
    if (!key)
        return ERROR_CODE_INVALID_HANDLE;
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return key->SetValue(name, SETTINGS_TYPE_DWORD, bytes, sizeof(bytes));
}

uint32_t WriteTextValue(ISettingsStore* key, const std::wstring& name, const std::wstring& value)
{
    if (!key)
        return ERROR_CODE_INVALID_HANDLE;
    const std::string bytes = TextToRegistryBytes(value);
    return key->SetValue(name, SETTINGS_TYPE_SZ, reinterpret_cast<const uint8_t*>(bytes.data()),
                         static_cast<uint32_t>(bytes.size()));
}
