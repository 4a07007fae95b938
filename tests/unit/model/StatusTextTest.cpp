// Status codes and their texts: the failure rule, the program's own table, system texts, the OS line.
#include "model/ErrorText.h"
#include "model/Format.h"
#include "model/OsVersion.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusCodes, EveryNonZeroCodeIsAFailure)
{
    EXPECT_FALSE(IsFailure(0));
    for (uint32_t code : {1u, 5u, 1223u, 0xFFFFu, 0x10005u, 0x80070057u, 0xE200000Du, 0xA2000047u})
        EXPECT_TRUE(IsFailure(code)) << std::hex << code;
    EXPECT_EQ(HResultFromSystemError(5), 0x80070005u);
    EXPECT_EQ(HResultFromSystemError(0x12345), 0x80072345u);
    EXPECT_TRUE(IsOwnCode(0xE200004Eu));
    EXPECT_TRUE(IsOwnCode(0xA2000047u));
    EXPECT_FALSE(IsOwnCode(0x80070005u));
}

TEST(ErrorText, OwnTableHasEveryCodeWithItsLineEndTrimmed)
{
    const std::pair<uint32_t, const wchar_t*> table[] = {
        {0xA2000047u, L"The computed checksum reconciliation word is zero"},
        {0xA200004Au, L"No response to firmware packet"},
        {0xE200000Bu, L"Unexpected hex character"},
        {0xE200000Du, L"No response to firmware revision query"},
        {0xE200000Fu, L"Serial port name is missing"},
        {0xE2000020u, L"intel hex line does not begin with the expected colon"},
        {0xE2000021u, L"Unrecognized intel hex record type"},
        {0xE2000022u, L"intel hex line checksum error"},
        {0xE2000023u, L"Missing intel hex end-of-file record"},
        {0xE2000040u, L"Unexpected intel hex data record length"},
        {0xE2000041u, L"Input hex file is corrupt, check sum is not zero"},
        {0xE2000043u, L"Bootstrap Loader did not echo a D"},
        {0xE2000044u, L"Retry limit has been exhausted"},
        {0xE2000045u, L"No response after reset"},
        {0xE2000046u, L"Revision number verification failed"},
        {0xE2000048u, L"No response to poll while synchronizing to buffer boundary"},
        {0xE2000049u, L"No response to semicolon poll"},
        {0xE200004Bu, L"No response to firmware packet"},
        {0xE200004Eu, L"Unexpected device (e.g. HB7 vs QP5)"},
    };
    for (const auto& [code, text] : table) {
        EXPECT_EQ(ErrorText(code), text) << std::hex << code;
        EXPECT_EQ(OwnMessageTableText(code), std::wstring(text) + L"\r\n") << std::hex << code;
    }
}

TEST(ErrorText, UnknownOwnCodeIsEmptyAndAReportStillShowsTheCode)
{
    EXPECT_EQ(ErrorText(0xE2000077u), L"");
    EXPECT_EQ(Format(StringId{IDS_FAILED_ON}, L"ReadFile", L"COM3", 0xE2000077u, ErrorText(0xE2000077u)),
              L"ReadFile failed on \"COM3\"\r\nError 0xE2000077: ");
}

TEST(ErrorText, SystemCodesHaveTextsWithoutLineBreaks)
{
    for (uint32_t code : {2u, 5u, 6u, 13u, 87u, 109u, 122u, 183u, 234u, 997u, 1223u, 1460u, 0x80070057u}) {
        std::wstring text = ErrorText(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_NE(text.back(), L'\n') << code;
        EXPECT_NE(text.back(), L'\r') << code;
    }
    // Access denied reads the same on every platform: the Linux adapters map EACCES to 5.
    EXPECT_NE(ErrorText(5).find(L"ccess"), std::wstring::npos);
}

TEST(ErrorText, InternetCodesNeverComeBackEmpty)
{
    EXPECT_FALSE(ErrorText(12003).empty());
    EXPECT_FALSE(ErrorText(12175).empty());
}

TEST(ErrorText, TrimRemovesEveryTrailingLineBreak)
{
    EXPECT_EQ(TrimLineEnd(L"text\r\n\r\n\n"), L"text");
    EXPECT_EQ(TrimLineEnd(L"a\r\nb"), L"a\r\nb");
    EXPECT_EQ(TrimLineEnd(L"\r\n"), L"");
}

TEST(OsVersionText, NamesKnownWindowsVersionsOnly)
{
    struct Case {
        uint32_t major, minor, build;
        uint8_t productType;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {5, 0, 2195, 1, L"OS Version 5.0 Build 2195 Windows 2000"},
        {5, 1, 2600, 1, L"OS Version 5.1 Build 2600 Windows XP"},
        {5, 2, 3790, 1, L"OS Version 5.2 Build 3790 Windows XP 64-Bit Edition"},
        {5, 2, 3790, 3, L"OS Version 5.2 Build 3790 Windows Server 2003"},
        {6, 0, 6002, 1, L"OS Version 6.0 Build 6002 Windows Vista"},
        {6, 1, 7601, 1, L"OS Version 6.1 Build 7601 Windows 7"},
        {6, 1, 7601, 2, L"OS Version 6.1 Build 7601 Windows Server 2008 R2"},
        {6, 2, 9200, 1, L"OS Version 6.2 Build 9200 Windows 8"},
        {6, 3, 9600, 3, L"OS Version 6.3 Build 9600 Windows Server 2012 R2"},
        {6, 10, 9841, 1, L"OS Version 6.10 Build 9841 Windows 10"},
        {6, 10, 9841, 3, L"OS Version 6.10 Build 9841 Windows 10 Server Technical Preview"},
        {6, 4, 9841, 1, L"OS Version 6.4 Build 9841 "},
        {10, 0, 19045, 1, L"OS Version 10.0 Build 19045 "},
        {4, 0, 1381, 1, L"OS Version 4.0 Build 1381 "},
    };
    for (const auto& c : cases) {
        OsVersionInfo info;
        info.major = c.major;
        info.minor = c.minor;
        info.build = c.build;
        info.productType = c.productType;
        EXPECT_EQ(OsVersionText(info), c.expected);
    }
    EXPECT_EQ(OsVersionText().rfind(L"OS Version ", 0), 0u);
}

} // namespace
