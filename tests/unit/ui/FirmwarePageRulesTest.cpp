// The Firmware page's rules: revision texts, what a folder edit stores, the fixed texts it shows.
#include "ui/FirmwarePageRules.h"

#include <gtest/gtest.h>

#include "firmware/RevisionedFileName.h"
#include "ui/FrameRules.h"

namespace {

TEST(FirmwareRevisionTexts, InstalledHasSpecialValuesAvailableDoesNot)
{
    // The same number reads differently: the module's reply has special values, a file name has not.
    struct Case {
        uint16_t revision;
        const wchar_t* installed;
        const wchar_t* fileName;
        const wchar_t* available;
    } cases[] = {
        {0, L"??.??", L"qmcu.hex", L"00.00"},
        {999, L" N/A ", L"qmcu0999.hex", L"09.99"},
        {0xFFFE, L"Loading", L"qmcu65534.hex", L"655.34"},
        {5, L"00.05", L"qmcu0005.hex", L"00.05"},
        {112, L"01.12", L"qmcu0112.hex", L"01.12"},
        {9999, L"99.99", L"qmcu9999.hex", L"99.99"},
        {0xFFFF, L"655.35", L"qmcu65535.hex", L"655.35"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RevisionText(c.revision), c.installed) << c.revision;
        CRevisionedFileName file(std::wstring(L"C:\\Firmware\\") + c.fileName);
        ASSERT_EQ(file.GetRevision(), c.revision) << c.fileName;
        EXPECT_EQ(AvailableRevisionText(file), c.available) << c.fileName;
    }
}

TEST(FirmwareRevisionTexts, NoFirmwareFileIsMissing)
{
    EXPECT_EQ(AvailableRevisionText(CRevisionedFileName()), L"Missing");
}

TEST(FolderFromEdit, StoresOnlyAnotherFolderTrimmed)
{
    const std::wstring current = L"C:\\Users\\Ann\\AppData\\Roaming\\Norvanta\\MT6402 Firmware";
    struct Case {
        std::wstring typed;
        bool stores;
        std::wstring stored;
    } cases[] = {
        {current, false, L""},
        {L"  " + current + L" \t", false, L""},
        {L"c:\\users\\ann\\appdata\\roaming\\NORVANTA\\mt6402 firmware", false, L""},
        {L"\r\n" + current + L"\r\n", false, L""},
        {L"D:\\Firmware", true, L"D:\\Firmware"},
        {L"  D:\\My Firmware  ", true, L"D:\\My Firmware"},
        {current + L"\\", true, current + L"\\"},
        // Clearing the edit names no folder: the empty text is stored (the scan then finds nothing).
        {L"   ", true, L""},
    };
    for (const Case& c : cases) {
        std::optional<std::wstring> folder = FolderFromEdit(c.typed, current);
        ASSERT_EQ(folder.has_value(), c.stores) << c.typed;
        if (folder) {
            EXPECT_EQ(*folder, c.stored);
        }
    }
}

TEST(FolderFromEdit, LetterCaseIgnoredAndInnerBlanksKept)
{
    EXPECT_FALSE(FolderFromEdit(L"D:\\FIRMWARE", L"d:\\firmware").has_value());
    EXPECT_EQ(FolderFromEdit(L"D:\\My  Firmware", L"D:\\My Firmware").value_or(L"-"), L"D:\\My  Firmware");
}

TEST(FirmwarePageTexts, HeaderLineAndBrowserTitle)
{
    EXPECT_EQ(ProgramRevisionLine(L"MT6402 Utility", {1, 0, 0, 1}), L"MT6402 Utility Revision 1.0.0.1");
    EXPECT_EQ(ProgramRevisionLine(L"MT6402 Utility", {65535, 2, 30, 400}), L"MT6402 Utility Revision 65535.2.30.400");
    EXPECT_EQ(BrowseFolderTitle(), L"Select folder containing MT6402 firmware file");
}

TEST(FirmwareSendRules, ElapsedTimeRoundsHalvesUpAcrossTheTickCountsWrap)
{
    struct Case {
        uint32_t start;
        uint32_t now;
        uint32_t seconds;
    } cases[] = {
        {1000, 1000, 0},          {1000, 1499, 0},          {1000, 2499, 1},
        {1000, 2500, 2},          {0, 40'600, 41},          {0xFFFFFC18u, 1000, 2}, // 1000 ms before and after the wrap
        {0xFFFFFFFFu, 498, 0},    {0xFFFFFFFFu, 499, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ElapsedSeconds(c.start, c.now), c.seconds) << c.start << " to " << c.now;
}

} // namespace
