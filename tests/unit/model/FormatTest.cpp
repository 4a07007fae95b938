// The formatter: the printf subset the program's texts use, with string-table ids in place of texts.
#include "model/Format.h"
#include "model/StringTable.h"

#include <gtest/gtest.h>

namespace {

TEST(Format, ConversionsWidthsAndPadding)
{
    EXPECT_EQ(Format(L"%02u:%02u:%02u ", 9, 5, 7), L"09:05:07 ");
    EXPECT_EQ(Format(L"Error 0x%08X: %s", 0xE200000Du, L"text"), L"Error 0xE200000D: text");
    EXPECT_EQ(Format(L"%04X", 0x800u), L"0800");
    EXPECT_EQ(Format(L"%x", 255), L"ff");
    EXPECT_EQ(Format(L" - S/N %05u", 123), L" - S/N 00123");
    EXPECT_EQ(Format(L"%3u ms", 7), L"  7 ms");
    EXPECT_EQ(Format(L"%3u ms", 12345), L"12345 ms");
    EXPECT_EQ(Format(L"%-4u|", 7), L"7   |");
    EXPECT_EQ(Format(L"%d %d", -42, 0), L"-42 0");
    EXPECT_EQ(Format(L"%05d", -42), L"-0042");
    EXPECT_EQ(Format(L"%c%c", L'V', 'x'), L"Vx");
    EXPECT_EQ(Format(L"100%%"), L"100%");
    EXPECT_EQ(Format(L"%u", -1), L"4294967295"); // 32-bit like the platform's printf
    EXPECT_EQ(Format(L"%s", std::wstring(L"wide \u00e9")), L"wide \u00e9");
}

TEST(Format, StringIdsAsFormatAndArgument)
{
    EXPECT_EQ(Format(StringId{IDS_ATTEMPTING_CONTACT}, StringId{IDS_DEVICE_NAME}, L"COM3", 9600u),
              L"Attempting to contact MT6402 on port COM3 at 9600 bit/s");
    EXPECT_EQ(Format(StringId{IDS_MACRO_CAPTION}, 16), L"Macro 16");
    // An id without an entry is an empty text, never a failure.
    EXPECT_EQ(Format(StringId{65000}), L"");
    EXPECT_EQ(Format(L"[%s]", StringId{65000}), L"[]");
}

TEST(Format, MismatchedOrMissingArgumentsRenderNothing)
{
    EXPECT_EQ(Format(L"a%sb", 5), L"ab");
    EXPECT_EQ(Format(L"a%ub", L"text"), L"ab");
    EXPECT_EQ(Format(L"%u and %u", 1), L"1 and ");
    EXPECT_EQ(Format(L"unknown %q stays"), L"unknown %q stays");
    EXPECT_EQ(Format(L"trailing %"), L"trailing %");
    EXPECT_EQ(Format(L"%s", static_cast<const wchar_t*>(nullptr)), L"");
}

} // namespace
