// The simulator's received-image file, read back by the program's own HEX reader, and its loader options.
#include "HexImageFile.h"
#include "SimOptions.h"
#include "TempFolder.h"

#include "firmware/FirmwareImage.h"
#include "platform/TextConversion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(HexImageFileTest, TheWrittenImageReadsBackByteForByte)
{
    std::vector<uint8_t> image(CFirmwareImage::kHighAddress - CFirmwareImage::kLowAddress);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 31 + (i >> 8));
    TempFolder folder;
    const std::wstring path = folder.Join(L"received.hex");
    std::string error;
    ASSERT_TRUE(WriteIntelHexImage(ToUtf8(path), CFirmwareImage::kLowAddress, image, error)) << error;

    CFirmwareImage read;
    ASSERT_TRUE(read.LoadHexFile(path));
    ASSERT_EQ(read.GetSize(), image.size());
    EXPECT_EQ(std::vector<uint8_t>(read.GetData(), read.GetData() + read.GetSize()), image);
}

TEST(HexImageFileTest, AFileThatCannotBeWrittenSaysWhy)
{
    TempFolder folder;
    std::string error;
    EXPECT_FALSE(WriteIntelHexImage(ToUtf8(folder.Join(L"no/such/folder.hex")), 0x0800, {1, 2, 3}, error));
    EXPECT_NE(error.find("folder.hex"), std::string::npos) << error;
}

bool Parse(std::vector<std::string> words, SimOptions& options, std::string& error)
{
    words.insert(words.begin(), "mt6402sim");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    return ParseSimOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(SimOptionsTest, LoaderOptionsAreReadBesideTheFirmwaresOwn)
{
    SimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--revision", "120", "--start-in-loader", "--reset-ms", "50", "--reject-block", "5:3",
                       "--drop-ack", "472", "--drop-ack", "7:2", "--hangup-after-block", "9", "--no-echo",
                       "--wrong-revision", "--new-revision", "121", "--image-out", "out.hex", "--baud", "9600",
                       "--stats", "stats.txt", "--log"},
                      options, error))
        << error;
    EXPECT_EQ(options.firmware.revision, 120u);
    EXPECT_TRUE(options.log);
    const LoaderBehaviour& loader = options.loader;
    EXPECT_TRUE(loader.startInLoader);
    EXPECT_TRUE(loader.noEcho);
    EXPECT_TRUE(loader.wrongRevision);
    EXPECT_EQ(loader.resetMs, 50);
    EXPECT_EQ(loader.newRevision, 121);
    ASSERT_EQ(loader.rejects.size(), 1u);
    EXPECT_EQ(loader.rejects[0].block, 5u);
    EXPECT_EQ(loader.rejects[0].count, 3u);
    ASSERT_EQ(loader.dropAcks.size(), 2u);
    EXPECT_EQ(loader.dropAcks[0].block, 472u);
    EXPECT_EQ(loader.dropAcks[0].count, 1u);
    EXPECT_EQ(loader.dropAcks[1].count, 2u);
    EXPECT_EQ(loader.hangupAfterBlock, 9u);
    EXPECT_EQ(loader.imageOut, "out.hex");
    EXPECT_EQ(options.baud, 9600);
    EXPECT_EQ(options.statsPath, "stats.txt");
}

TEST(SimOptionsTest, WrongValuesAreRefusedWithTheOptionNamed)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--reject-block", "0"},   {"--reject-block", "473"}, {"--reject-block", "5:0"},
        {"--reject-block", "5:"},  {"--drop-ack"},            {"--drop-ack", "x"},
        {"--hangup-after-block", "-1"}, {"--reset-ms", "1e3"}, {"--new-revision", "1000"},
        {"--baud", "0"},           {"--image-out"},           {"--stats", ""},
    };
    for (const std::vector<std::string>& words : cases) {
        SCOPED_TRACE(words[0] + " " + (words.size() > 1 ? words[1] : "(none)"));
        SimOptions options;
        std::string error;
        EXPECT_FALSE(Parse(words, options, error));
        EXPECT_NE(error.find(words[0]), std::string::npos) << error;
    }
}

} // namespace
