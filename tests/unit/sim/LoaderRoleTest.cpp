// The simulator's bootstrap loader: the echo, the judging of blocks, fill bytes and polls, the reset, the faults.
#include "LoaderRole.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// The loop's side, recording what the role does.
class FakeLink : public ISimLink {
public:
    void Send(std::string_view bytes) override { sent.append(bytes); }
    void SwitchTo(SimRoleId role) override { switchedTo = role; }
    void HangUp() override { ++hangUps; }
    uint64_t ByteReadNs() const override { return readNs; }
    uint64_t LastSentNs() const override { return lastSentNs; }

    std::string sent;
    std::optional<SimRoleId> switchedTo;
    int hangUps = 0;
    uint64_t readNs = 0;
    uint64_t lastSentNs = 0;
};

// A download block as the host builds it: 64 data bytes from `first` up, the address, byte 66, the checksum.
std::string Block(uint32_t address, uint8_t flag = 0, uint8_t first = 0x10, bool goodChecksum = true)
{
    std::string block(CLoaderRole::kBlockSize, '\0');
    unsigned sum = 0;
    for (size_t i = 0; i < CLoaderRole::kDataSize; ++i)
        block[i] = static_cast<char>(first + i);
    block[64] = static_cast<char>(address & 0xFF);
    block[65] = static_cast<char>(address >> 8);
    block[66] = static_cast<char>(flag);
    for (size_t i = 0; i < 67; ++i)
        sum += static_cast<uint8_t>(block[i]);
    block[67] = static_cast<char>((0x100 - (sum & 0xFF)) + (goodChecksum ? 0 : 1));
    return block;
}

class LoaderRoleTest : public testing::Test {
protected:
    // A loader in its waiting phase, as after the firmware's "D".
    void Start(const LoaderBehaviour& behaviour = {})
    {
        role = std::make_unique<CLoaderRole>(behaviour, firmware, stats, false, false);
        role->Enter(now);
    }
    // Started and past the "D" echo: collecting blocks.
    void StartDownload(const LoaderBehaviour& behaviour = {})
    {
        Start(behaviour);
        ASSERT_EQ(Feed("D"), "D");
    }
    // Hands the bytes to the role one at a time; returns what it sent in answer.
    std::string Feed(std::string_view bytes)
    {
        link.sent.clear();
        for (char c : bytes)
            role->OnByte(static_cast<uint8_t>(c), now, link);
        return link.sent;
    }
    std::string Tick(uint64_t milliseconds)
    {
        now += milliseconds;
        link.sent.clear();
        role->OnTick(now, link);
        return link.sent;
    }

    FirmwareBehaviour firmwareBehaviour; // revision 112
    CFirmwareRole firmware{firmwareBehaviour};
    SimStats stats;
    FakeLink link;
    uint64_t now = 5000;
    std::unique_ptr<CLoaderRole> role;
};

TEST_F(LoaderRoleTest, AWaitingLoaderAnswersPollsIgnoresTheRevisionQueryAndEchoesD)
{
    Start();
    EXPECT_EQ(Feed(";"), ";");
    EXPECT_EQ(Feed("V"), "");
    EXPECT_EQ(Feed("x\x41"), ""); // nothing else starts anything, an "A" included
    EXPECT_EQ(Feed("D"), "D");
    // Now collecting: a block is answered, a ";" is no longer echoed.
    EXPECT_EQ(Feed(Block(0x0800)), "A");
    EXPECT_EQ(Feed(";"), "");
}

TEST_F(LoaderRoleTest, WithoutTheEchoTheDownloadNeverStarts)
{
    LoaderBehaviour behaviour;
    behaviour.noEcho = true;
    Start(behaviour);
    EXPECT_EQ(Feed("D"), "");
    EXPECT_EQ(Feed("D"), "");
    EXPECT_EQ(Feed(";"), ";"); // still the waiting loader
    EXPECT_EQ(Feed(Block(0x0800)).find_first_of("ABN"), std::string::npos); // no block is judged
}

TEST_F(LoaderRoleTest, EachBlockIsJudgedByChecksumAddressAndByte66)
{
    struct Case {
        const char* what;
        std::string block;
        const char* answer;
    };
    const Case cases[] = {
        {"the first block", Block(0x0800), "A"},
        {"the last block of the window", Block(0x7D80), "A"},
        {"a block past the window", Block(0x7DC0), "N"},
        {"a block below the window", Block(0x07C0), "N"},
        {"a block that runs past the end", Block(0x7DA0), "N"},
        {"byte 66 neither 0 nor 2", Block(0x0800, 0x01), "N"},
        {"a wrong checksum", Block(0x0800, 0, 0x10, false), "N"},
        {"the final block", Block(0x0800, 0x02), "B"},
        {"a final block at another address", Block(0x0840, 0x02), "N"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StartDownload();
        EXPECT_EQ(Feed(c.block), c.answer);
    }
}

TEST_F(LoaderRoleTest, FillBytesCompleteAPartialBlockWhichIsThenRejected)
{
    StartDownload();
    const std::string block = Block(0x0900);
    EXPECT_EQ(Feed(block.substr(0, 30)), ""); // the rest of the block was lost on the way
    EXPECT_EQ(Feed(std::string(37, ';')), "");
    EXPECT_EQ(Feed(";"), "N"); // the 68th byte
    EXPECT_EQ(stats.blocksRejected, 1u);
    EXPECT_EQ(Feed(block), "A"); // back at a boundary: the block sent again is taken
}

TEST_F(LoaderRoleTest, APollAtABoundaryIsAnsweredOnceNothingFollowsIt)
{
    StartDownload();
    EXPECT_EQ(Feed(";"), "");
    EXPECT_EQ(Tick(CLoaderRole::kPollGapMs - 1), "");
    EXPECT_EQ(Tick(1), "N");
    EXPECT_EQ(Tick(100), ""); // answered once

    // A block whose first byte is 0x3B arrives in one go: it is a block, not a poll.
    EXPECT_EQ(Feed(Block(0x0A00, 0, ';')), "A");
    EXPECT_EQ(Tick(100), "");
    EXPECT_EQ(role->Image()[0x0A00 - CLoaderRole::kLowAddress], ';');
}

TEST_F(LoaderRoleTest, AfterTheFinalBlockTheModuleIsSilentForTheResetThenRunsTheNewRevision)
{
    struct Case {
        const char* what;
        long newRevision;
        bool wrongRevision;
        unsigned expected;
    };
    const Case cases[] = {
        {"by default the old revision + 1", -1, false, 113},
        {"the revision asked for", 200, false, 200},
        {"a wrong revision: the old one", -1, true, 112},
        {"a wrong revision when old and new are equal", 112, true, 113},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        firmware.SetRevision(112);
        LoaderBehaviour behaviour;
        behaviour.resetMs = 300;
        behaviour.newRevision = c.newRevision;
        behaviour.wrongRevision = c.wrongRevision;
        StartDownload(behaviour);
        link.switchedTo.reset();
        EXPECT_EQ(Feed(Block(0x0800, 0x02)), "B");
        EXPECT_EQ(Feed(";V"), ""); // restarting: nothing is heard
        EXPECT_EQ(Tick(299), "");
        EXPECT_FALSE(link.switchedTo.has_value());
        Tick(1);
        ASSERT_TRUE(link.switchedTo.has_value());
        EXPECT_EQ(*link.switchedTo, SimRoleId::Firmware);
        EXPECT_EQ(firmware.Revision(), c.expected);
    }
}

TEST_F(LoaderRoleTest, TheImageHoldsTheMarkerUntilTheFinalBlockBringsTheRealBytes)
{
    StartDownload();
    std::string first = Block(0x0800, 0, 0x20);
    first[0] = static_cast<char>(0xDE);
    first[1] = static_cast<char>(0xAD);
    unsigned sum = 0;
    for (size_t i = 0; i < 67; ++i)
        sum += static_cast<uint8_t>(first[i]);
    first[67] = static_cast<char>(0x100 - (sum & 0xFF));
    EXPECT_EQ(Feed(first), "A");
    EXPECT_EQ(role->Image()[0], 0xDE);
    EXPECT_EQ(Feed(Block(0x0800, 0x02, 0x20)), "B");
    const std::vector<uint8_t>& image = role->Image();
    ASSERT_EQ(image.size(), 0x75C0u);
    for (size_t i = 0; i < CLoaderRole::kDataSize; ++i)
        EXPECT_EQ(image[i], static_cast<uint8_t>(0x20 + i)) << i;
    EXPECT_EQ(image[CLoaderRole::kDataSize], 0xFF); // no block wrote there
    EXPECT_EQ(image.back(), 0xFF);
}

TEST_F(LoaderRoleTest, ARejectedBlockIsAnsweredNAsOftenAsAskedThenTaken)
{
    LoaderBehaviour behaviour;
    behaviour.rejects = {{3, 2}}; // block 3 is the one at 0x0880
    StartDownload(behaviour);
    EXPECT_EQ(Feed(Block(0x0840)), "A");
    EXPECT_EQ(Feed(Block(0x0880)), "N");
    EXPECT_EQ(Feed(Block(0x0880)), "N");
    EXPECT_EQ(Feed(Block(0x0880)), "A");
    EXPECT_EQ(stats.blocksRejected, 2u);
    EXPECT_EQ(stats.blocksAccepted, 2u);
}

TEST_F(LoaderRoleTest, ADroppedAnswerLeavesTheBlockTakenAndTheLoaderAtABoundary)
{
    LoaderBehaviour behaviour;
    behaviour.dropAcks = {{CLoaderRole::kFinalBlockNumber, 1}, {2, 1}};
    StartDownload(behaviour);
    EXPECT_EQ(Feed(Block(0x0840, 0, 0x55)), "");
    EXPECT_EQ(role->Image()[0x40], 0x55);
    // The host's resynchronisation: one ";" is answered "N", then the block is sent again.
    EXPECT_EQ(Feed(";"), "");
    EXPECT_EQ(Tick(CLoaderRole::kPollGapMs), "N");
    EXPECT_EQ(Feed(Block(0x0840, 0, 0x55)), "A");
    // The final block is number 472.
    EXPECT_EQ(Feed(Block(0x0800, 0x02)), "");
}

TEST_F(LoaderRoleTest, AHangUpComesOnceAfterTheBlockWasAnswered)
{
    LoaderBehaviour behaviour;
    behaviour.hangupAfterBlock = 2;
    StartDownload(behaviour);
    EXPECT_EQ(Feed(Block(0x0800)), "A");
    EXPECT_EQ(link.hangUps, 0);
    EXPECT_EQ(Feed(Block(0x0840)), "A");
    EXPECT_EQ(link.hangUps, 1);
    Feed(Block(0x0840));
    EXPECT_EQ(link.hangUps, 1);
}

TEST_F(LoaderRoleTest, TheTurnaroundRunsFromTheAcknowledgementToTheNextBlocksFirstByte)
{
    StartDownload();
    EXPECT_EQ(Feed(Block(0x0800)), "A");
    link.lastSentNs = 1'000'000;
    link.readNs = 1'250'000;
    EXPECT_EQ(Feed(Block(0x0840, 0, 0x3B)), "A"); // a first byte of ";" counts too
    ASSERT_EQ(stats.turnaroundNs.size(), 1u);
    EXPECT_EQ(stats.turnaroundNs[0], 250'000u);

    // After an "N" the host resends: that is a retry, not a turnaround.
    EXPECT_EQ(Feed(Block(0x0880, 0, 0x10, false)), "N");
    Feed(Block(0x0880));
    EXPECT_EQ(stats.turnaroundNs.size(), 2u); // the bad block followed an "A"; the resend did not
}

TEST(SimStatsTest, TheMedianOfOddAndEvenCounts)
{
    EXPECT_EQ(MedianOf({}), 0);
    EXPECT_EQ(MedianOf({7}), 7);
    EXPECT_EQ(MedianOf({9, 1, 5}), 5);
    EXPECT_EQ(MedianOf({8, 2, 4, 6}), 5);
}

} // namespace
