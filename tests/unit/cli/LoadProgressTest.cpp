// The load's progress figures and the console line that shows them.
#include "cli/ConsoleProgress.h"
#include "cli/LoadProgress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// The loader's figures: a 30144-byte window in units of 128 bytes (maximum 235), 64-byte blocks.
constexpr uint32_t kImage = 30144;

CLoadProgress StartedProgress(uint32_t startMs)
{
    CLoadProgress progress(kImage, 128, 64);
    progress.SetMaximum(kImage / 128);
    progress.SetPosition(0, startMs);
    return progress;
}

TEST(LoadProgressTest, FiguresFollowThePositionAndTheClock)
{
    CLoadProgress progress = StartedProgress(1000);
    EXPECT_EQ(progress.TotalBlocks(), 471u);
    EXPECT_EQ(progress.Percent(), 0u);
    EXPECT_EQ(progress.BytesPerSecond(1000), 0u);
    EXPECT_EQ(progress.TimeLeft(5000), L"--:--"); // nothing sent yet: no rate

    progress.SetPosition(47, 11000); // 6016 bytes in 10 s
    EXPECT_EQ(progress.Percent(), 20u);
    EXPECT_EQ(progress.BlocksDone(), 94u);
    EXPECT_EQ(progress.BytesPerSecond(11000), 601u);
    EXPECT_EQ(progress.TimeLeft(11000), L"0:41"); // 24128 bytes at 601 bytes/s, rounded up

    progress.SetPosition(235, 60000);
    EXPECT_EQ(progress.Percent(), 100u);
    EXPECT_EQ(progress.BytesDone(), 30080u);
    EXPECT_EQ(progress.BarLine(60000, 10), L"[##########] 100% 470/471 blocks 509 bytes/s 0:01 left");
}

TEST(LoadProgressTest, TheRateCountsFromTheLastZeroAndSurvivesTheTickWrapping)
{
    CLoadProgress progress = StartedProgress(100);
    progress.SetPosition(0, 0xFFFFF000u); // the load publishes 0 again as the first blocks go out
    progress.SetPosition(10, 0xFFFFF000u + 2000);
    EXPECT_EQ(progress.BytesPerSecond(0xFFFFF000u + 2000), 640u);
    const uint32_t wrapped = 0xFFFFF000u + 5000u; // past 0xFFFFFFFF
    EXPECT_LT(wrapped, 1000u);
    EXPECT_EQ(progress.BytesPerSecond(wrapped), 256u);
}

TEST(LoadProgressTest, APlainLineComesOnceForEveryTenthReached)
{
    CLoadProgress progress = StartedProgress(0);
    std::wstring line;
    EXPECT_FALSE(progress.TakePlainLine(0, line));
    progress.SetPosition(23, 1000); // 9 %
    EXPECT_FALSE(progress.TakePlainLine(1000, line));
    progress.SetPosition(24, 1100); // 10 %
    ASSERT_TRUE(progress.TakePlainLine(1100, line));
    EXPECT_EQ(line, L"Progress 10%: 48/471 blocks, 2792 bytes/s, 0:10 left");
    EXPECT_FALSE(progress.TakePlainLine(1200, line));
    progress.SetPosition(120, 5000); // 51 %: a jump past 20 % to 50 % gives one line, for 50 %
    ASSERT_TRUE(progress.TakePlainLine(5000, line));
    EXPECT_EQ(line.substr(0, 13), L"Progress 50%:");
    EXPECT_FALSE(progress.TakePlainLine(5000, line));
    progress.SetPosition(235, 9000);
    ASSERT_TRUE(progress.TakePlainLine(9000, line));
    EXPECT_EQ(line.substr(0, 14), L"Progress 100%:");
}

// What a stream received, read back from its file.
std::string Contents(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    return text;
}

TEST(ConsoleProgressTest, OnATerminalTheLineIsRedrawnInPlaceAndWipedBeforeOtherLines)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        CConsoleProgress console(file, true);
        console.Show(L"[###] 10%");
        console.Show(L"[####] 9%"); // the same length
        console.Show(L"[#] 1%");    // shorter: blanks over the rest
        EXPECT_TRUE(console.IsShown());
        console.Clear();
        EXPECT_FALSE(console.IsShown());
        console.Clear(); // nothing shown: nothing written
        console.Show(L"x");
    } // the destructor wipes what is left
    EXPECT_EQ(Contents(file), "\r[###] 10%\r[####] 9%\r[#] 1%   \r      \r\rx\r \r");
    std::fclose(file);
}

TEST(ConsoleProgressTest, OffATerminalNothingIsDrawn)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        CConsoleProgress console(file, false);
        console.Show(L"[###] 10%");
        EXPECT_FALSE(console.IsShown());
        console.Clear();
    }
    EXPECT_EQ(Contents(file), "");
    EXPECT_FALSE(IsTerminalStream(file));
    std::fclose(file);
}

} // namespace
