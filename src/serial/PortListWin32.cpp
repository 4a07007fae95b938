// The port list on Windows: the values of the serial device map in the registry.
#include "serial/PortList.h"
#include "serial/PortListRules.h"

#include <windows.h>

#include <iterator>

namespace {

// Owns an open registry key.
class CRegistryKey {
public:
    CRegistryKey() = default;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
    CRegistryKey(CRegistryKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
    CRegistryKey& operator=(CRegistryKey&& other) noexcept
    {
        if (this != &other) {
            Reset();
            key_ = other.key_;
            other.key_ = nullptr;
        }
        return *this;
    }
    ~CRegistryKey() { Reset(); }

    bool Open(HKEY parent, const wchar_t* path, REGSAM access)
    {
        Reset();
        return RegOpenKeyExW(parent, path, 0, access, &key_) == ERROR_SUCCESS;
    }
    HKEY Get() const { return key_; }

private:
    void Reset()
    {
        if (key_)
            RegCloseKey(key_);
        key_ = nullptr;
    }
    HKEY key_ = nullptr;
};

} // namespace

std::vector<std::wstring> ListSerialPorts()
{
    std::vector<std::wstring> ports;
    CRegistryKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", KEY_QUERY_VALUE))
        return ports;
    // Room for a value name of 256 characters and a port name of 16 characters, terminator included.
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        wchar_t data[16];
        DWORD nameLength = static_cast<DWORD>(std::size(name));
        DWORD dataBytes = sizeof(data);
        DWORD type = 0;
        LONG result = RegEnumValueW(key.Get(), index, name, &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data), &dataBytes);
        if (result == ERROR_MORE_DATA)
            continue; // a value too long to be a port name; the values after it still count
        if (result != ERROR_SUCCESS)
            break;
        std::wstring_view port(data, dataBytes / sizeof(wchar_t));
        while (!port.empty() && port.back() == L'\0')
            port.remove_suffix(1);
        if (IsListedDeviceMapValue(std::wstring_view(name, nameLength), type, port))
            ports.emplace_back(port);
    }
    return ports;
}
