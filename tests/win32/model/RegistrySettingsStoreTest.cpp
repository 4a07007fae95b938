// The registry settings store: values keep their registry types, in a test key of its own that is removed afterwards.
#include "model/PersistentValue.h"
#include "model/SettingsStore.h"
#include "model/SettingsValues.h"
#include "model/WindowPlacement.h"
#include "platform/LastError.h"

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A key of this test's own under HKEY_CURRENT_USER, deleted with everything in it at the end.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = L"Software\\Norvanta\\MT6402 Utility Test " + std::to_wstring(::GetCurrentProcessId());
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        store_ = OpenSettingsAt(path_);
        ASSERT_TRUE(store_) << GetLastErrorCode();
    }
    void TearDown() override
    {
        store_.reset();
        EXPECT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str()), ERROR_SUCCESS);
    }

    // Reads a value straight from the registry, bypassing the store.
    bool RawValue(const std::wstring& subKey, const wchar_t* name, DWORD& type, std::vector<BYTE>& data)
    {
        const std::wstring path = subKey.empty() ? path_ : path_ + L"\\" + subKey;
        DWORD size = 0;
        if (::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            return false;
        data.resize(size);
        return ::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, data.data(),
                              &size) == ERROR_SUCCESS;
    }

    std::wstring path_;
    std::unique_ptr<ISettingsStore> store_;
};

TEST_F(RegistryTest, ValuesAreWrittenWithTheirRegistryTypes)
{
    ASSERT_EQ(WriteDwordValue(store_.get(), L"Trace", 0x01020304), 0u);
    ASSERT_EQ(WriteTextValue(store_.get(), L"Port", L"COM3"), 0u);
    const uint8_t expand[] = {'%', 0, 'A', 0, '%', 0, 0, 0};
    ASSERT_EQ(store_->SetValue(L"Expand", SETTINGS_TYPE_EXPAND_SZ, expand, sizeof(expand)), 0u);

    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(RawValue(L"", L"Trace", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(data, (std::vector<BYTE>{4, 3, 2, 1}));
    ASSERT_TRUE(RawValue(L"", L"Port", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, (std::vector<BYTE>{'C', 0, 'O', 0, 'M', 0, '3', 0, 0, 0})) << "the terminating zero is stored";
    ASSERT_TRUE(RawValue(L"", L"Expand", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));

    // Read back through the store, with the size rules of the registry.
    uint32_t valueType = 0, size = 0;
    EXPECT_EQ(store_->QueryValue(L"Port", valueType, nullptr, size), 0u);
    EXPECT_EQ(valueType, SETTINGS_TYPE_SZ);
    EXPECT_EQ(size, 10u);
    uint8_t small[4];
    size = sizeof(small);
    EXPECT_EQ(store_->QueryValue(L"Port", valueType, small, size), ERROR_CODE_MORE_DATA);
    EXPECT_EQ(size, 10u);
    size = sizeof(small);
    EXPECT_EQ(store_->QueryValue(L"Missing", valueType, small, size), ERROR_CODE_FILE_NOT_FOUND);

    std::wstring text;
    EXPECT_EQ(ReadTextValue(store_.get(), L"Expand", text), 0u);
    EXPECT_EQ(text, L"%A%") << "not expanded";
    EXPECT_EQ(ReadTextValue(store_.get(), L"Trace", text), ERROR_CODE_INVALID_DATA);
}

TEST_F(RegistryTest, LoadRulesHoldAgainstTheRegistry)
{
    ASSERT_EQ(WriteTextValue(store_.get(), L"Trace", L"12345"), 0u);
    ASSERT_EQ(WriteTextValue(store_.get(), L"FirmwareFolder", std::wstring(700, L'f')), 0u);
    ASSERT_EQ(WriteDwordValue(store_.get(), L"FirmwareLoadRetryLimit", 0), 0u);
    CAppInfoBase app{std::move(store_)};

    CPersistentValue<int> trace(0x807B, L"Trace", 0);
    EXPECT_EQ(trace.Load(app), ERROR_CODE_MORE_DATA) << "a REG_SZ longer than 4 bytes is no number";
    EXPECT_EQ(trace.Get(), 0);
    CPersistentValue<std::wstring> folder(0x806F, L"FirmwareFolder");
    EXPECT_EQ(folder.Load(app), 0u);
    EXPECT_EQ(folder.Get(), std::wstring(700, L'f')) << "longer than the first 260-character buffer";
    CPersistentBoundedValue<uint32_t> limit(0x8070, L"FirmwareLoadRetryLimit", 10, 5, 25);
    EXPECT_EQ(limit.Load(app), 0u);
    EXPECT_EQ(limit.Get(), 5u);
    EXPECT_EQ(limit.Save(app), 0u);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(RawValue(L"", L"FirmwareLoadRetryLimit", type, data));
    EXPECT_EQ(data, (std::vector<BYTE>{5, 0, 0, 0}));
}

TEST_F(RegistryTest, WindowPlacementUsesTheWindowSubkey)
{
    std::unique_ptr<ISettingsStore> window;
    EXPECT_EQ(store_->OpenSubKey(L"Window", false, window), ERROR_CODE_FILE_NOT_FOUND);
    WindowPlacement placement;
    EXPECT_FALSE(RestoreWindowPlacement(store_.get(), placement));

    WindowPlacement saved;
    saved.flags = 2;
    saved.showCmd = 1;
    saved.minPosX = -1;
    saved.left = 10;
    saved.top = 20;
    saved.right = 810;
    saved.bottom = 620;
    ASSERT_TRUE(SaveWindowPlacement(store_.get(), saved));
    DWORD type = 0;
    std::vector<BYTE> data;
    for (const wchar_t* name : {L"flags", L"showCmd", L"minPosX", L"minPosY", L"maxPosX", L"maxPosY", L"bottom",
                                L"left", L"right", L"top"}) {
        ASSERT_TRUE(RawValue(L"Window", name, type, data));
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    }
    ASSERT_TRUE(RestoreWindowPlacement(store_.get(), placement));
    EXPECT_EQ(placement, saved);

    // One value of another type spoils the whole placement.
    ASSERT_EQ(store_->OpenSubKey(L"Window", false, window), 0u);
    ASSERT_EQ(WriteTextValue(window.get(), L"top", L"20"), 0u);
    WindowPlacement untouched;
    EXPECT_FALSE(RestoreWindowPlacement(store_.get(), untouched));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_INVALID_DATA);
    EXPECT_EQ(untouched, WindowPlacement{});
}

} // namespace
