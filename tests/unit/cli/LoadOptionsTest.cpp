// The words of `mt6402util load`: values in both spellings, bounds, and the refusals.
#include "cli/LoadOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(LoadOptionsTest, EveryOptionIsReadInBothSpellings)
{
    LoadOptions options;
    std::wstring error;
    ASSERT_TRUE(ParseLoadOptions({L"--port", L"COM3", L"--folder=C:\\fw", L"--retry-limit", L"25", L"--timeout=7",
                                  L"-v", L"--trace"},
                                 options, error))
        << error;
    EXPECT_EQ(options.port, L"COM3");
    EXPECT_EQ(options.folder, L"C:\\fw");
    EXPECT_EQ(options.file, L"");
    EXPECT_EQ(options.retryLimit, 25u);
    EXPECT_EQ(options.timeoutSeconds, 7u);
    EXPECT_TRUE(options.verbose);
    EXPECT_TRUE(options.trace);
    EXPECT_FALSE(options.help);

    LoadOptions defaults;
    ASSERT_TRUE(ParseLoadOptions({L"--file", L"qmcu0113.hex"}, defaults, error));
    EXPECT_EQ(defaults.file, L"qmcu0113.hex");
    EXPECT_EQ(defaults.retryLimit, 0u); // the setting's value
    EXPECT_EQ(defaults.timeoutSeconds, 10u);
}

TEST(LoadOptionsTest, WrongWordsAreRefusedWithAMessageThatNamesThem)
{
    struct Case {
        std::vector<std::wstring> words;
        std::wstring expected; // a part of the message
    };
    const Case cases[] = {
        {{L"--retry-limit", L"4"}, L"--retry-limit takes a whole number from 5 to 25, not \"4\""},
        {{L"--retry-limit", L"26"}, L"not \"26\""},
        {{L"--retry-limit", L"1O"}, L"not \"1O\""},
        {{L"--timeout", L"0"}, L"not \"0\""},
        {{L"--timeout", L"3601"}, L"not \"3601\""},
        {{L"--port"}, L"Option --port needs a value"},
        {{L"--file="}, L"Option --file needs a value"},
        {{L"--folder", L"a", L"--file", L"b"}, L"not both"},
        {{L"--speed", L"9600"}, L"Unknown option \"--speed\" for load"},
        {{L"qmcu0113.hex"}, L"Unknown option \"qmcu0113.hex\" for load"},
        {{L"--verbose=1"}, L"Unknown option \"--verbose=1\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words[0]);
        LoadOptions options;
        std::wstring error;
        EXPECT_FALSE(ParseLoadOptions(c.words, options, error));
        EXPECT_NE(error.find(c.expected), std::wstring::npos) << std::string(error.begin(), error.end());
    }
}

} // namespace
