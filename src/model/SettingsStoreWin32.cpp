// The settings store on Windows: keys of the registry under HKEY_CURRENT_USER.
#include "model/SettingsStore.h"

#include <windows.h>

#include "model/StringTable.h"
#include "platform/LastError.h"

namespace {

// An open registry key, closed once.
class CRegistryKey {
public:
    explicit CRegistryKey(HKEY key = nullptr) : key_(key) {}
    ~CRegistryKey()
    {
        if (key_)
            ::RegCloseKey(key_);
    }
    CRegistryKey(CRegistryKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
    CRegistryKey& operator=(CRegistryKey&& other) noexcept
    {
        if (this != &other) {
            if (key_)
                ::RegCloseKey(key_);
            key_ = other.key_;
            other.key_ = nullptr;
        }
        return *this;
    }
    HKEY Get() const { return key_; }

private:
    HKEY key_;
};

class CRegistrySettingsStore : public ISettingsStore {
public:
    explicit CRegistrySettingsStore(CRegistryKey key) : key_(std::move(key)) {}

    uint32_t QueryValue(const std::wstring& name, uint32_t& type, uint8_t* data, uint32_t& size) override
    {
        DWORD valueType = 0;
        DWORD valueSize = size;
        const LONG result = ::RegQueryValueExW(key_.Get(), name.c_str(), nullptr, &valueType, data, &valueSize);
        type = valueType;
        size = valueSize;
        return static_cast<uint32_t>(result);
    }

    uint32_t SetValue(const std::wstring& name, uint32_t type, const uint8_t* data, uint32_t size) override
    {
        return static_cast<uint32_t>(::RegSetValueExW(key_.Get(), name.c_str(), 0, type, data, size));
    }

    uint32_t OpenSubKey(const std::wstring& name, bool create, std::unique_ptr<ISettingsStore>& key) override
    {
        key.reset();
        HKEY opened = nullptr;
        LONG result;
        if (create)
            result = ::RegCreateKeyExW(key_.Get(), name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_READ | KEY_WRITE, nullptr, &opened, nullptr);
        else
            result = ::RegOpenKeyExW(key_.Get(), name.c_str(), 0, KEY_READ | KEY_WRITE, &opened);
        if (result != ERROR_SUCCESS)
            return static_cast<uint32_t>(result);
        key = std::make_unique<CRegistrySettingsStore>(CRegistryKey(opened));
        return 0;
    }

private:
    CRegistryKey key_;
};

} // namespace

std::unique_ptr<ISettingsStore> OpenSettingsAt(const std::wstring& location)
{
    // An empty path would name HKEY_CURRENT_USER itself.
    if (location.empty()) {
        SetLastErrorCode(ERROR_CODE_INVALID_PARAMETER);
        return nullptr;
    }
    HKEY opened = nullptr;
    const LONG result = ::RegCreateKeyExW(HKEY_CURRENT_USER, location.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_READ | KEY_WRITE, nullptr, &opened, nullptr);
    if (result != ERROR_SUCCESS) {
        SetLastErrorCode(static_cast<uint32_t>(result));
        return nullptr;
    }
    return std::make_unique<CRegistrySettingsStore>(CRegistryKey(opened));
}

std::unique_ptr<ISettingsStore> OpenApplicationSettings()
{
    return OpenSettingsAt(LoadStringResource(IDS_APP_KEY));
}
