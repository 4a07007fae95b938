// The settings file's text form: reading, changing and writing back without losing anything.
#include "model/SettingsFile.h"
#include "model/SettingsStore.h"
#include "model/SettingsValues.h"

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> bytes;
    for (int v : values)
        bytes.push_back(static_cast<uint8_t>(v));
    return bytes;
}

std::vector<uint8_t> Text(const std::wstring& text)
{
    const std::string bytes = TextToRegistryBytes(text);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

const char kSample[] =
    "; settings written by hand\n"
    "\"ActivePage\"=dword:00000002\n"
    "\"Port\"=\"/dev/ttyUSB0\"\n"
    "\"FirmwareFolder\"=\"C:\\\\Firm \\\"ware\\\"\"\n"
    "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\n"
    "\"Blob\"=hex:01,02,ff\n"
    "\"Big\"=hex(b):01,00,00,00,00,00,00,00\n"
    "@=\"unnamed\"\n"
    "\n"
    "[Window]\n"
    "\"flags\"=dword:0000000a\n"
    "\"showCmd\"=dword:1\n";

TEST(SettingsFileTest, ReadsEveryFormWithItsType)
{
    const CSettingsFile file = CSettingsFile::Parse(kSample);
    struct Expected {
        const wchar_t* section;
        const wchar_t* name;
        uint32_t type;
        std::vector<uint8_t> data;
    };
    const Expected expected[] = {
        {L"", L"ActivePage", SETTINGS_TYPE_DWORD, Bytes({2, 0, 0, 0})},
        {L"", L"Port", SETTINGS_TYPE_SZ, Text(L"/dev/ttyUSB0")},
        {L"", L"FirmwareFolder", SETTINGS_TYPE_SZ, Text(L"C:\\Firm \"ware\"")},
        {L"", L"Expand", SETTINGS_TYPE_EXPAND_SZ, Text(L"%A%")},
        {L"", L"Blob", SETTINGS_TYPE_BINARY, Bytes({1, 2, 0xFF})},
        {L"", L"Big", SETTINGS_TYPE_QWORD, Bytes({1, 0, 0, 0, 0, 0, 0, 0})},
        {L"", L"", SETTINGS_TYPE_SZ, Text(L"unnamed")},
        {L"Window", L"flags", SETTINGS_TYPE_DWORD, Bytes({10, 0, 0, 0})},
        {L"window", L"SHOWCMD", SETTINGS_TYPE_DWORD, Bytes({1, 0, 0, 0})},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(std::string(e.name, e.name + wcslen(e.name)));
        const CSettingsFile::Value* value = file.Find(e.section, e.name);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->type, e.type);
        EXPECT_EQ(value->data, e.data);
    }
    EXPECT_EQ(file.Find(L"", L"flags"), nullptr) << "a section's values are not the key's";
    EXPECT_EQ(file.Find(L"Window", L"Port"), nullptr);
    EXPECT_EQ(file.Find(L"", L"Missing"), nullptr);
    EXPECT_TRUE(file.HasSection(L"WINDOW"));
    EXPECT_FALSE(file.HasSection(L"Other"));
    EXPECT_EQ(file.Serialize(), kSample) << "nothing changed, nothing rewritten";
}

TEST(SettingsFileTest, UnreadableLinesAreKeptAndIgnored)
{
    const std::string text =
        "# a comment\n"
        "garbage without form\n"
        "\"Trace\"=dword:xyz\n"
        "\"Trace\"=dword:123456789\n"
        "\"Open=\"no end\n"
        "\"Port\"=\"bad \\n escape\"\n"
        "\"Hex\"=hex(1:00\n"
        "\"Hex2\"=hex(1):0,00\n"
        "\"Ctl\"=\"tab\there\"\n"
        "\"Bad\xFF\"=dword:00000001\n"
        "[Broken\n"
        "[]\n"
        "\"Good\"=dword:00000005\n";
    CSettingsFile file = CSettingsFile::Parse(text);
    EXPECT_EQ(file.OtherLineCount(), 12u);
    ASSERT_EQ(file.Entries().size(), 1u);
    EXPECT_EQ(file.Find(L"", L"Trace"), nullptr);
    ASSERT_NE(file.Find(L"", L"Good"), nullptr);

    const uint8_t one[] = {1, 0, 0, 0};
    ASSERT_TRUE(file.Set(L"", L"Trace", SETTINGS_TYPE_DWORD, one, 4));
    EXPECT_EQ(file.Serialize(), text + "\"Trace\"=dword:00000001\n") << "every unread line is written back as it was";
}

TEST(SettingsFileTest, ChangesRewriteOnlyTheirOwnLine)
{
    CSettingsFile file = CSettingsFile::Parse(kSample);
    const uint8_t five[] = {5, 0, 0, 0};
    ASSERT_TRUE(file.Set(L"", L"activepage", SETTINGS_TYPE_DWORD, five, 4));
    std::string expected = kSample;
    expected.replace(expected.find("\"ActivePage\"=dword:00000002"), 27, "\"ActivePage\"=dword:00000005");
    EXPECT_EQ(file.Serialize(), expected) << "the line keeps its place and its name's spelling";

    // The short form of a number is normalised only when its line changes.
    ASSERT_TRUE(file.Set(L"Window", L"showCmd", SETTINGS_TYPE_DWORD, five, 4));
    expected.replace(expected.find("\"showCmd\"=dword:1"), 17, "\"showCmd\"=dword:00000005");
    EXPECT_EQ(file.Serialize(), expected);
}

TEST(SettingsFileTest, NewValuesGoToTheEndOfTheirSection)
{
    CSettingsFile file = CSettingsFile::Parse(kSample);
    const std::vector<uint8_t> port = Text(L"COM3");
    const uint8_t one[] = {1, 0, 0, 0};
    ASSERT_TRUE(file.Set(L"", L"Trace", SETTINGS_TYPE_DWORD, one, 4));
    ASSERT_TRUE(file.Set(L"Window", L"top", SETTINGS_TYPE_DWORD, one, 4));
    ASSERT_TRUE(file.Set(L"Extra", L"Port", SETTINGS_TYPE_SZ, port.data(), port.size()));
    std::string expected = kSample;
    expected.replace(expected.find("\n\n[Window]"), 0, "\n\"Trace\"=dword:00000001");
    expected += "\"top\"=dword:00000001\n\n[Extra]\n\"Port\"=\"COM3\"\n";
    EXPECT_EQ(file.Serialize(), expected);
}

TEST(SettingsFileTest, ValuesOfTheKeyGoBeforeTheFirstSection)
{
    CSettingsFile file = CSettingsFile::Parse("; header\n\n[Window]\n\"flags\"=dword:00000000\n");
    const uint8_t one[] = {1, 0, 0, 0};
    ASSERT_TRUE(file.Set(L"", L"Trace", SETTINGS_TYPE_DWORD, one, 4));
    EXPECT_EQ(file.Serialize(), "; header\n\"Trace\"=dword:00000001\n\n[Window]\n\"flags\"=dword:00000000\n");

    CSettingsFile empty = CSettingsFile::Parse("");
    ASSERT_TRUE(empty.Set(L"Window", L"flags", SETTINGS_TYPE_DWORD, one, 4));
    ASSERT_TRUE(empty.Set(L"", L"Trace", SETTINGS_TYPE_DWORD, one, 4));
    EXPECT_EQ(empty.Serialize(), "\"Trace\"=dword:00000001\n[Window]\n\"flags\"=dword:00000001\n");
}

TEST(SettingsFileTest, TheLaterOfTwoEntriesCounts)
{
    CSettingsFile file = CSettingsFile::Parse("\"Trace\"=dword:00000001\n\"TRACE\"=dword:00000002\n");
    ASSERT_NE(file.Find(L"", L"Trace"), nullptr);
    EXPECT_EQ(file.Find(L"", L"Trace")->data, Bytes({2, 0, 0, 0}));
    const uint8_t three[] = {3, 0, 0, 0};
    ASSERT_TRUE(file.Set(L"", L"trace", SETTINGS_TYPE_DWORD, three, 4));
    EXPECT_EQ(file.Serialize(), "\"Trace\"=dword:00000001\n\"TRACE\"=dword:00000003\n");
}

TEST(SettingsFileTest, WindowsLineEndsAndAByteOrderMarkAreRead)
{
    const std::string text = "\xEF\xBB\xBF\"Trace\"=dword:00000001\r\n[Window]\r\n\"flags\"=dword:00000002\r\n";
    const CSettingsFile file = CSettingsFile::Parse(text);
    ASSERT_NE(file.Find(L"", L"Trace"), nullptr);
    ASSERT_NE(file.Find(L"Window", L"flags"), nullptr);
    EXPECT_EQ(file.Find(L"Window", L"flags")->data, Bytes({2, 0, 0, 0}));
    EXPECT_EQ(file.Serialize(), text) << "lines and the mark kept as they were";
}

// Whatever is stored comes back with the same type and the same bytes.
struct TypeCase {
    const char* name;
    uint32_t type;
    std::vector<uint8_t> data;
    const char* line; // how it is written
};
void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.name; }

class SettingsFileTypeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(SettingsFileTypeTest, RoundTripKeepsTypeAndBytes)
{
    const TypeCase& c = GetParam();
    CSettingsFile file = CSettingsFile::Parse("");
    ASSERT_TRUE(file.Set(L"", L"V", c.type, c.data.data(), c.data.size()));
    const std::string text = file.Serialize();
    EXPECT_EQ(text, std::string(c.line) + "\n");
    const CSettingsFile again = CSettingsFile::Parse(text);
    const CSettingsFile::Value* value = again.Find(L"", L"V");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, c.type);
    EXPECT_EQ(value->data, c.data);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsFileTypeTest,
    ::testing::Values(
        TypeCase{"Text", SETTINGS_TYPE_SZ, Text(L"a\\b\"c"), "\"V\"=\"a\\\\b\\\"c\""},
        TypeCase{"EmptyText", SETTINGS_TYPE_SZ, Text(L""), "\"V\"=\"\""},
        TypeCase{"NonAsciiText", SETTINGS_TYPE_SZ, Bytes({0xE9, 0, 0x3D, 0xD8, 0, 0xDE, 0, 0}),
                 "\"V\"=\"\xC3\xA9\xF0\x9F\x98\x80\""},
        TypeCase{"TextWithLineBreak", SETTINGS_TYPE_SZ, Text(L"a\nb"), "\"V\"=hex(1):61,00,0a,00,62,00,00,00"},
        TypeCase{"TextWithoutTerminator", SETTINGS_TYPE_SZ, Bytes({'a', 0}), "\"V\"=hex(1):61,00"},
        TypeCase{"TextOfOddSize", SETTINGS_TYPE_SZ, Bytes({'a', 0, 0}), "\"V\"=hex(1):61,00,00"},
        TypeCase{"TextWithInnerZero", SETTINGS_TYPE_SZ, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0}),
                 "\"V\"=hex(1):61,00,00,00,62,00,00,00"},
        TypeCase{"LoneSurrogate", SETTINGS_TYPE_SZ, Bytes({0x3D, 0xD8, 0, 0}), "\"V\"=hex(1):3d,d8,00,00"},
        TypeCase{"NoData", SETTINGS_TYPE_SZ, {}, "\"V\"=hex(1):"},
        TypeCase{"Dword", SETTINGS_TYPE_DWORD, Bytes({0x78, 0x56, 0x34, 0x12}), "\"V\"=dword:12345678"},
        TypeCase{"ShortDword", SETTINGS_TYPE_DWORD, Bytes({1, 2}), "\"V\"=hex(4):01,02"},
        TypeCase{"ExpandText", SETTINGS_TYPE_EXPAND_SZ, Text(L"x"), "\"V\"=hex(2):78,00,00,00"},
        TypeCase{"Binary", SETTINGS_TYPE_BINARY, Bytes({0, 0xAB}), "\"V\"=hex(3):00,ab"},
        TypeCase{"None", SETTINGS_TYPE_NONE, {}, "\"V\"=hex(0):"},
        TypeCase{"LargeType", 0xFFFF0001u, Bytes({1}), "\"V\"=hex(ffff0001):01"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFileTest, NamesThatCannotBeWrittenAreRefused)
{
    CSettingsFile file = CSettingsFile::Parse("");
    const uint8_t one[] = {1, 0, 0, 0};
    EXPECT_FALSE(file.Set(L"", L"line\nbreak", SETTINGS_TYPE_DWORD, one, 4));
    EXPECT_FALSE(file.Set(L"a]b", L"x", SETTINGS_TYPE_DWORD, one, 4));
    EXPECT_FALSE(file.Set(L"\\lead", L"x", SETTINGS_TYPE_DWORD, one, 4));
    EXPECT_FALSE(file.Set(L"a\\\\b", L"x", SETTINGS_TYPE_DWORD, one, 4));
    EXPECT_EQ(file.Serialize(), "");
    ASSERT_TRUE(file.Set(L"Window\\Sub", L"quote\"d", SETTINGS_TYPE_DWORD, one, 4));
    const CSettingsFile again = CSettingsFile::Parse(file.Serialize());
    EXPECT_NE(again.Find(L"Window\\Sub", L"quote\"d"), nullptr);
    EXPECT_TRUE(again.HasSection(L"window")) << "a subkey's subkey implies the subkey";
    EXPECT_FALSE(again.HasSection(L"Win"));
}

} // namespace
