// Loading the firmware image window from a HEX file and settling its reconciliation word.
#include "firmware/FirmwareImage.h"

#include "model/StatusCodes.h"
#include "platform/FileMapping.h"
#include "platform/LastError.h"

#include "HexText.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kImageSize = 0x7DC0 - 0x0800; // 30144

class FirmwareImageTest : public testing::Test {
protected:
    bool Load(const std::string& text)
    {
        path = folder.WriteFile(L"image.hex", text);
        SetLastErrorCode(0);
        return image.LoadHexFile(path);
    }

    // The image bytes that differ from the 0xFF fill, by address.
    std::map<uint32_t, uint8_t> Written() const
    {
        std::map<uint32_t, uint8_t> written;
        for (uint32_t k = 0; k < image.GetSize(); ++k)
            if (image.GetData()[k] != 0xFF)
                written[image.GetLowAddress() + k] = image.GetData()[k];
        return written;
    }

    TempFolder folder;
    std::wstring path;
    CFirmwareImage image;
};

TEST_F(FirmwareImageTest, AnEndRecordAloneGivesTheWholeWindowFilledWithFF)
{
    ASSERT_TRUE(Load(kHexEnd));
    EXPECT_TRUE(image.IsLoaded());
    EXPECT_EQ(image.GetSize(), kImageSize);
    EXPECT_EQ(image.GetLowAddress(), 0x0800u);
    EXPECT_EQ(image.GetHighAddress(), 0x7DC0u);
    EXPECT_EQ(image.GetFileName(), path);
    EXPECT_TRUE(std::all_of(image.GetData(), image.GetData() + kImageSize, [](uint8_t b) { return b == 0xFF; }));
}

TEST_F(FirmwareImageTest, DataRecordsLandByAddressWithinTheWindowOnly)
{
    using Bytes = std::map<uint32_t, uint8_t>;
    const struct {
        const char* what;
        std::string text;
        Bytes expected;
    } cases[] = {
        {"first bytes of the window", HexData(0x0800, {0x12, 0x34}), {{0x800, 0x12}, {0x801, 0x34}}},
        {"a record starting at 0x07FF is ignored whole", HexData(0x07FF, std::vector<uint8_t>(16, 0x55)), {}},
        {"a record at 0x7DBF puts only its first byte in",
         HexData(0x7DBF, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x01, 0x02}),
         {{0x7DBF, 0x11}}},
        {"a record at the window's end is ignored", HexData(0x7DC0, {0x01}), {}},
        {"an extended linear address 0001 moves data out of the window",
         HexLinearBase(0x0001) + HexData(0x0800, {0x01, 0x02}) + HexLinearBase(0x0000) + HexData(0x0900, {0x03}),
         {{0x900, 0x03}}},
        {"an extended segment address adds its value times 16",
         HexSegmentBase(0x0080) + HexData(0x0000, {0xAB}) + HexSegmentBase(0x0000) + HexData(0x0801, {0xCD}),
         {{0x800, 0xAB}, {0x801, 0xCD}}},
        {"later records overwrite earlier ones", HexData(0x1000, {0x01, 0x02}) + HexData(0x1001, {0x03}),
         {{0x1000, 0x01}, {0x1001, 0x03}}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Load(c.text + kHexEnd)) << c.what;
        EXPECT_EQ(Written(), c.expected) << c.what;
    }
}

TEST_F(FirmwareImageTest, AFailedLoadKeepsWhatWasCopiedButIsNeverUsable)
{
    EXPECT_FALSE(Load(HexData(0x0800, {0x00, 0x00}) + ":01080200zz\r\n" + kHexEnd));
    EXPECT_EQ(GetLastErrorCode(), MSG_UNEXPECTED_HEX_CHARACTER);
    EXPECT_FALSE(image.IsLoaded());
    EXPECT_EQ((Written()), (std::map<uint32_t, uint8_t>{{0x800, 0x00}, {0x801, 0x00}}));
    // A zero word would otherwise be "filled in" and the partial image reported as good.
    EXPECT_EQ(image.CheckReconciliationWord(), MSG_IMAGE_CHECKSUM);

    EXPECT_FALSE(Load(HexData(0x0800, {0x01})));
    EXPECT_EQ(GetLastErrorCode(), MSG_HEX_NO_EOF);
    EXPECT_FALSE(image.IsLoaded());
}

TEST_F(FirmwareImageTest, FilesThatCannotBeOpenedOrMappedFailWithTheSystemCode)
{
    const std::wstring missing = folder.Join(L"missing.hex");
    EXPECT_FALSE(image.LoadHexFile(missing));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_FILE_NOT_FOUND);
    EXPECT_EQ(image.GetFileName(), missing);
    EXPECT_EQ(image.GetSize(), 0u);
    EXPECT_EQ(image.CheckReconciliationWord(), MSG_IMAGE_CHECKSUM);

    EXPECT_FALSE(Load(""));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_FILE_INVALID);
}

TEST_F(FirmwareImageTest, ALoadReplacesThePreviousImage)
{
    ASSERT_TRUE(Load(HexData(0x0900, {0x42}) + kHexEnd));
    ASSERT_TRUE(Load(HexData(0x0A00, {0x43}) + kHexEnd));
    EXPECT_EQ((Written()), (std::map<uint32_t, uint8_t>{{0xA00, 0x43}}));
}

TEST_F(FirmwareImageTest, TheReconciliationWordIsCheckedOrFilledIn)
{
    // The image holds words W (at 0x0800) and X (at 0x0802), then 15070 words 0xFFFF, so its
    // sum is W + X - 15070 (0x3ADE) modulo 65536.
    const struct {
        const char* what;
        uint16_t word;
        uint16_t next;
        uint32_t result;
        uint8_t high;
        uint8_t low;
    } cases[] = {
        {"zero word, sum 0x1234: filled in as 0xEDCC", 0x0000, 0x4D12, STATUS_OK, 0xED, 0xCC},
        {"zero word, sum zero", 0x0000, 0x3ADE, MSG_RECONCILIATION_WORD_ZERO, 0x00, 0x00},
        {"non-zero word, sum zero", 0x1234, 0x28AA, STATUS_OK, 0x12, 0x34},
        {"non-zero word, sum not zero", 0x1234, 0x4D12, MSG_IMAGE_CHECKSUM, 0x12, 0x34},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Load(HexData(0x0800, {uint8_t(c.word >> 8), uint8_t(c.word), uint8_t(c.next >> 8),
                                          uint8_t(c.next)}) +
                         kHexEnd))
            << c.what;
        EXPECT_EQ(image.CheckReconciliationWord(), c.result) << c.what;
        EXPECT_EQ(image.GetData()[0], c.high) << c.what;
        EXPECT_EQ(image.GetData()[1], c.low) << c.what;
        EXPECT_EQ(image.WordSum() == 0, c.result == STATUS_OK || c.result == MSG_RECONCILIATION_WORD_ZERO) << c.what;
    }
}

} // namespace
