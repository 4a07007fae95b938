// Reading Intel HEX text: record finding, digits, checksums, record types, errors and the range seen.
#include "firmware/IntelHexReader.h"

#include "model/StatusCodes.h"
#include "platform/FileMapping.h"
#include "platform/LastError.h"

#include "HexText.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {

class HexFiles : public testing::Test {
protected:
    // 0 when the text validates, else the code left in the last-error value.
    uint32_t Validate(const std::string& text, HexFileSummary* summary = nullptr)
    {
        const std::wstring path = folder.WriteFile(L"test.hex", text);
        HexFileSummary seen;
        SetLastErrorCode(0);
        bool ok = ValidateHexFile(path, seen);
        if (summary)
            *summary = seen;
        return ok ? 0 : GetLastErrorCode();
    }

    TempFolder folder;
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Breaks `record` (one line) with `lineBreak` before character `at`.
std::string SplitAt(const std::string& record, size_t at, const char* lineBreak)
{
    return record.substr(0, at) + lineBreak + record.substr(at);
}

const std::string kData = HexData(0x0800, {0x01, 0x02, 0x03, 0x04});

TEST_F(HexFiles, WellFormedTextIsAccepted)
{
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"only the end record", kHexEnd},
        {"end record without a line end", ":00000001FF"},
        {"upper case", kData + kHexEnd},
        {"lower case", Lower(kData + kHexEnd)},
        {"LF line ends", HexData(0x800, {1, 2}, "\n") + HexData(0x810, {3}, "\n") + ":00000001FF\n"},
        {"CR line ends", HexData(0x800, {1, 2}, "\r") + HexData(0x810, {3}, "\r") + ":00000001FF\r"},
        {"blank, comment and space-led lines",
         "\r\n\r\n; a comment\r\n  :0000000BAD\r\n\t:0100000000FF\r\n" + kData + "\n\n" + kHexEnd},
        {"a colon inside a line starts nothing", "junk:0000000BAD\r\nmore:zz\r\n" + kData + kHexEnd},
        {"text after a record's checksum is ignored", HexData(0x800, {1}, "  ; trailing:00\r\n") + kHexEnd},
        {"a record split between its header digits", SplitAt(kData, 3, "\r\n") + kHexEnd},
        {"a record split inside a byte", SplitAt(kData, 10, "\n") + kHexEnd},
        {"a record split several times", SplitAt(SplitAt(kData, 20, "\r\n\r\n"), 5, "\r") + kHexEnd},
        {"records after the end record are never read", kHexEnd + ":zzzz\r\n:0100000000AA\r\n:00000006FA\r\n"},
        {"start address records", HexRecord(3, 0, {0, 0, 1, 2}) + HexRecord(5, 0, {0, 0, 1, 2}) + kHexEnd},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Validate(c.text), 0u) << c.what;
}

TEST_F(HexFiles, MalformedTextFailsWithItsCode)
{
    std::string badChecksum = kData;
    badChecksum[badChecksum.size() - 3] = badChecksum[badChecksum.size() - 3] == '0' ? '1' : '0';
    const struct {
        const char* what;
        std::string text;
        uint32_t code;
    } cases[] = {
        {"a letter that is no hex digit", ":0400080001020G0400\r\n" + kHexEnd, MSG_UNEXPECTED_HEX_CHARACTER},
        {"a blank inside a record", ": 00000001FF\r\n", MSG_UNEXPECTED_HEX_CHARACTER},
        {"the text ends inside a record", ":040800000102", MSG_UNEXPECTED_HEX_CHARACTER},
        {"the text ends after a record's line break", ":0408000001020304\r\n", MSG_UNEXPECTED_HEX_CHARACTER},
        {"the text ends between two digits", ":00000001F", MSG_UNEXPECTED_HEX_CHARACTER},
        {"a checksum that does not match", badChecksum + kHexEnd, MSG_HEX_CHECKSUM},
        {"an end record with a wrong checksum", ":00000001FE\r\n", MSG_HEX_CHECKSUM},
        {"record type 06", kData + HexRecord(6, 0, {}) + kHexEnd, MSG_HEX_RECORD_TYPE},
        {"record type FF", HexRecord(0xFF, 0, {1}) + kHexEnd, MSG_HEX_RECORD_TYPE},
        {"the checksum is judged before the type", ":00000006FF\r\n" + kHexEnd, MSG_HEX_CHECKSUM},
        {"no end record", kData, MSG_HEX_NO_EOF},
        {"no end record, text after the last record", kData + "\r\n; the end\r\n", MSG_HEX_NO_EOF},
        {"no record at all", "just some text\r\n", MSG_HEX_NO_EOF},
        {"an end record not in column 1", "x:00000001FF\r\n", MSG_HEX_NO_EOF},
        {"an extended linear address without its address", ":00000004FC\r\n" + kHexEnd, MSG_HEX_DATA_LENGTH},
        {"an extended segment address with one byte", HexRecord(2, 0, {1}) + kHexEnd, MSG_HEX_DATA_LENGTH},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Validate(c.text), c.code) << c.what;
}

TEST_F(HexFiles, ReadingStopsAtTheFirstFailure)
{
    HexFileSummary summary;
    EXPECT_EQ(Validate(kData + ":04081000zz\r\n" + kData + kHexEnd, &summary), MSG_UNEXPECTED_HEX_CHARACTER);
    EXPECT_EQ(summary.records, 1u);
}

TEST_F(HexFiles, TheSummaryCoversEveryDataRecordAndExtendedAddresses)
{
    const struct {
        const char* what;
        std::string text;
        HexFileSummary expected;
    } cases[] = {
        {"no data", kHexEnd, {1, 0, 0, 0, 0}},
        {"one record", kData + kHexEnd, {2, 1, 4, 0x0800, 0x0804}},
        {"range over records in any order",
         HexData(0x2000, {1, 2, 3}) + HexData(0x0100, {1}) + HexData(0x1000, {1, 2}) + kHexEnd,
         {4, 3, 6, 0x0100, 0x2003}},
        {"extended linear address", HexLinearBase(0x0001) + HexData(0x0010, {1, 2, 3, 4}) + kHexEnd,
         {3, 1, 4, 0x10010, 0x10014}},
        {"extended segment address", HexSegmentBase(0x1000) + HexData(0x0020, {1, 2}) + kHexEnd,
         {3, 1, 2, 0x10020, 0x10022}},
        {"the top of the address space", HexLinearBase(0xFFFF) + HexData(0xFFFF, {1, 2}) + kHexEnd,
         {3, 1, 2, 0xFFFFFFFFu, 0x100000001ull}},
    };
    for (const auto& c : cases) {
        HexFileSummary seen;
        ASSERT_EQ(Validate(c.text, &seen), 0u) << c.what;
        EXPECT_EQ(seen.records, c.expected.records) << c.what;
        EXPECT_EQ(seen.dataRecords, c.expected.dataRecords) << c.what;
        EXPECT_EQ(seen.dataBytes, c.expected.dataBytes) << c.what;
        EXPECT_EQ(seen.lowAddress, c.expected.lowAddress) << c.what;
        EXPECT_EQ(seen.endAddress, c.expected.endAddress) << c.what;
    }
}

TEST_F(HexFiles, WithoutADestinationTheWindowWidensToTheData)
{
    const std::wstring path =
        folder.WriteFile(L"range.hex", HexData(0x2000, {1, 2, 3}) + HexData(0x0100, {1}) + kHexEnd);
    CIntelHexReader reader;
    ASSERT_TRUE(reader.OpenAndMap(path));
    reader.SetWindow(0xFFFFFFFFu, 0);
    ASSERT_TRUE(reader.ReadAll());
    EXPECT_TRUE(reader.IsEndOfFileSeen());
    EXPECT_EQ(reader.GetLowAddress(), 0x0100u);
    EXPECT_EQ(reader.GetHighAddress(), 0x2003u);
}

TEST_F(HexFiles, CopyModeCutsAtTheDestinationEndAndIgnoresRecordsStartingOutside)
{
    const std::wstring path = folder.WriteFile(
        L"copy.hex", HexData(0x0FE, {0xA0, 0xA1, 0xA2, 0xA3}) + HexData(0x102, {0xB0, 0xB1, 0xB2, 0xB3}) +
                         HexData(0x100, {0xC0}) + HexData(0x108, {0xD0}) + kHexEnd);
    uint8_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    CIntelHexReader reader;
    ASSERT_TRUE(reader.OpenAndMap(path));
    reader.SetWindow(0x100, 0x108);
    // One byte short of the window: the record at 0x102 is cut at the destination's end.
    reader.SetDestination(buffer, buffer + 5);
    ASSERT_TRUE(reader.ReadAll());
    const uint8_t expected[8] = {0xC0, 0xEE, 0xB0, 0xB1, 0xB2, 0xEE, 0xEE, 0xEE};
    EXPECT_TRUE(std::equal(std::begin(buffer), std::end(buffer), std::begin(expected)));
}

TEST_F(HexFiles, TextInMemoryReadsLikeAFile)
{
    const std::string text = kData + kHexEnd;
    CIntelHexReader reader;
    reader.AttachText(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    reader.SetWindow(0, 0xFFFFFFFFu);
    EXPECT_TRUE(reader.ReadAll());
    EXPECT_EQ(reader.GetSummary().dataBytes, 4u);
    // Reading again starts over from the beginning.
    EXPECT_TRUE(reader.ReadAll());
    EXPECT_EQ(reader.GetSummary().records, 2u);
}

TEST_F(HexFiles, FilesThatCannotBeMappedFailWithTheSystemCode)
{
    EXPECT_EQ(Validate(""), ERROR_CODE_FILE_INVALID);
    SetLastErrorCode(0);
    EXPECT_FALSE(ValidateHexFile(folder.Join(L"missing.hex")));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_FILE_NOT_FOUND);
    SetLastErrorCode(0);
    EXPECT_FALSE(ValidateHexFile(folder.MakeFolder(L"folder.hex")));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_ACCESS_DENIED);
}

TEST_F(HexFiles, TheMappingShowsTheWholeFileAndMovesOwnership)
{
    const std::string text = kData + kHexEnd;
    CFileMapping mapping;
    ASSERT_TRUE(mapping.Open(folder.WriteFile(L"map.hex", text)));
    ASSERT_EQ(mapping.Size(), text.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapping.Data()), mapping.Size()), text);

    CFileMapping moved = std::move(mapping);
    EXPECT_FALSE(mapping.IsOpen());
    EXPECT_TRUE(moved.IsOpen());
    moved.Close();
    EXPECT_FALSE(moved.IsOpen());
    EXPECT_EQ(moved.Data(), nullptr);
}

} // namespace
