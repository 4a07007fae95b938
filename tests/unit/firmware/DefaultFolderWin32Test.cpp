// The default firmware folder on Windows: below the roaming application-data folder, both levels created.
#include "firmware/FirmwareFolder.h"

#include "platform/Directories.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

namespace {

TEST(DefaultFirmwareFolder, LiesBelowApplicationData)
{
    wchar_t appData[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
    const std::wstring folder = GetDefaultFirmwareFolder(nullptr);
    EXPECT_EQ(folder, std::wstring(appData) + L"\\Norvanta\\MT6402 Firmware");
    EXPECT_TRUE(IsExistingDirectory(folder));
    EXPECT_TRUE(IsExistingDirectory(std::wstring(appData) + L"\\Norvanta"));
}

} // namespace
