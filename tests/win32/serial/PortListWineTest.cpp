// The Windows port list read from the real registry's serial device map (under Wine).
#include "serial/PortList.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const wchar_t kDeviceMap[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Adds values to the serial device map for one test and removes them again.
class DeviceMapValues {
public:
    DeviceMapValues()
    {
        opened_ = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDeviceMap, 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key_, nullptr) == ERROR_SUCCESS;
    }
    ~DeviceMapValues()
    {
        for (const std::wstring& name : names_)
            RegDeleteValueW(key_, name.c_str());
        if (opened_)
            RegCloseKey(key_);
    }
    bool Opened() const { return opened_; }

    bool AddString(const std::wstring& name, const std::wstring& data)
    {
        return Add(name, REG_SZ, data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    bool Add(const std::wstring& name, DWORD type, const void* data, DWORD bytes)
    {
        names_.push_back(name);
        return RegSetValueExW(key_, name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
    bool opened_ = false;
    std::vector<std::wstring> names_;
};

bool Contains(const std::vector<std::wstring>& list, const std::wstring& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(PortListUnderWine, ListsTheDeviceMapsPortNamesAndSkipsTheRest)
{
    DeviceMapValues values;
    ASSERT_TRUE(values.Opened());
    ASSERT_TRUE(values.AddString(L"\\Device\\MtTest0", L"COM71"));
    ASSERT_TRUE(values.AddString(L"WinAchSf0", L"COM72"));         // the modem driver's value, in any case
    ASSERT_TRUE(values.AddString(L"\\Device\\MtTest1", L""));      // empty data
    DWORD number = 73;
    ASSERT_TRUE(values.Add(L"\\Device\\MtTest2", REG_DWORD, &number, sizeof(number)));
    const wchar_t expandable[] = L"COM74";
    ASSERT_TRUE(values.Add(L"\\Device\\MtTest3", REG_EXPAND_SZ, expandable, sizeof(expandable)));
    const wchar_t tooLong[] = L"COM75-A-NAME-TOO-LONG-FOR-A-PORT";
    ASSERT_TRUE(values.Add(L"\\Device\\MtTest4", REG_SZ, tooLong, sizeof(tooLong)));
    ASSERT_TRUE(values.AddString(L"\\Device\\MtTest5", L"COM76")); // a value after the long one still counts

    std::vector<std::wstring> ports = ListSerialPorts();
    EXPECT_TRUE(Contains(ports, L"COM71"));
    EXPECT_TRUE(Contains(ports, L"COM76"));
    for (const wchar_t* skipped : {L"COM72", L"COM74", L""})
        EXPECT_FALSE(Contains(ports, skipped)) << skipped;
    for (const std::wstring& port : ports)
        EXPECT_EQ(port.find(L"COM75"), std::wstring::npos);
    EXPECT_EQ(EnumerateSerialPorts(), ports);
}

} // namespace
