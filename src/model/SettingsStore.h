// One open key of the settings store, with registry semantics on every platform.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

// Value types, numbered as the registry numbers them.
constexpr uint32_t SETTINGS_TYPE_NONE = 0;       // REG_NONE
constexpr uint32_t SETTINGS_TYPE_SZ = 1;         // REG_SZ: UTF-16LE text with its terminating zero
constexpr uint32_t SETTINGS_TYPE_EXPAND_SZ = 2;  // REG_EXPAND_SZ
constexpr uint32_t SETTINGS_TYPE_BINARY = 3;     // REG_BINARY
constexpr uint32_t SETTINGS_TYPE_DWORD = 4;      // REG_DWORD: 4 bytes, little-endian
constexpr uint32_t SETTINGS_TYPE_MULTI_SZ = 7;   // REG_MULTI_SZ
constexpr uint32_t SETTINGS_TYPE_QWORD = 11;     // REG_QWORD

// An open key: named, typed values of bytes and named subkeys. Every operation returns a Windows
// system error code: 0 success, 2 no such value or key, 13 invalid data, 234 more data.
// The key is closed when the object is destroyed; subkeys opened from it live on their own.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;

    // Like RegQueryValueExW: `size` gives the room in `data` (bytes) and returns the value's size.
    // With `data` null the size (and type) are returned and 0 answered. With too little room the
    // answer is 234, `type` and the needed `size` are set and `data` is left unspecified.
    virtual uint32_t QueryValue(const std::wstring& name, uint32_t& type, uint8_t* data, uint32_t& size) = 0;
    // Creates or replaces the value with the given type and bytes.
    virtual uint32_t SetValue(const std::wstring& name, uint32_t type, const uint8_t* data, uint32_t size) = 0;
    // Opens the named subkey (read and write), creating it first when `create` is set.
    virtual uint32_t OpenSubKey(const std::wstring& name, bool create, std::unique_ptr<ISettingsStore>& key) = 0;

    // Writes of this key between BeginWrites and CommitWrites may be gathered and stored together,
    // all or none (the settings file is then replaced once, not once per value); reads see them at
    // once. CommitWrites answers for the gathered writes. A key that writes through needs neither.
    virtual void BeginWrites() {}
    virtual uint32_t CommitWrites() { return 0; }
};

// The application key: HKEY_CURRENT_USER\Software\Norvanta\MT6402 Utility on Windows, opened or
// created; elsewhere the settings file $XDG_CONFIG_HOME/Norvanta/MT6402 Utility.conf (or
// ~/.config/...). Null with the reason as the last-error value when it cannot be opened.
std::unique_ptr<ISettingsStore> OpenApplicationSettings();

// A settings store at an explicit place: a key path under HKEY_CURRENT_USER on Windows (opened or
// created), a settings file path elsewhere (created at the first write). For tests and tools.
std::unique_ptr<ISettingsStore> OpenSettingsAt(const std::wstring& location);
