// Reading and writing single 32-bit and text values of a settings key, with the load rules.
#pragma once
#include <cstdint>
#include <string>

class ISettingsStore;

// Reads the value into a 4-byte buffer whatever its type; data of another size is invalid (13).
// A null key fails with 6. On failure `value` is unchanged.
uint32_t ReadDwordValue(ISettingsStore* key, const std::wstring& name, uint32_t& value);
// Reads a REG_SZ or REG_EXPAND_SZ text (not expanded): another type, an odd byte count or data
// whose last character is not a terminating zero gives 13; no data gives an empty text. The read
// starts with room for 260 characters and doubles it on 234, giving up with 234 once a request of
// 2 MiB or more was still too small. On failure `value` is unchanged.
uint32_t ReadTextValue(ISettingsStore* key, const std::wstring& name, std::wstring& value);

// Writes a REG_DWORD of 4 bytes.
uint32_t WriteDwordValue(ISettingsStore* key, const std::wstring& name, uint32_t value);
// Writes a REG_SZ with its terminating zero counted.
uint32_t WriteTextValue(ISettingsStore* key, const std::wstring& name, const std::wstring& value);

// REG_SZ bytes (UTF-16LE) of a text, with the terminating zero; and the text of such bytes,
// up to the first zero character.
std::string TextToRegistryBytes(const std::wstring& text);
std::wstring RegistryBytesToText(const uint8_t* data, size_t size);
