// The simulator's wire time: each byte's 10 bits at the line speed, in each direction, without drift.
#include "WireLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

constexpr uint64_t kSecond = 1'000'000'000;

TEST(WireLineTest, UnpacedBytesAreDueTheMomentTheyAreHandedOver)
{
    CWireLine line;
    EXPECT_FALSE(line.Paced());
    line.Receive("ab", 500);
    uint8_t byte = 0;
    uint64_t due = 0, read = 0;
    ASSERT_TRUE(line.TakeReceived(500, byte, due, read));
    EXPECT_EQ(byte, 'a');
    EXPECT_EQ(due, 500u);
    ASSERT_TRUE(line.TakeReceived(500, byte, due, read));
    EXPECT_FALSE(line.TakeReceived(500, byte, due, read));

    line.Send("xyz", 700);
    std::string out;
    EXPECT_EQ(line.TakeSendable(700, out), 3u);
    EXPECT_EQ(out, "xyz");
    EXPECT_FALSE(line.HasUnsent());
}

TEST(WireLineTest, ReceivedBytesArriveOneByteTimeApartFromTheirRead)
{
    CWireLine line(9600);
    const uint64_t byteNs = line.ByteNs();
    EXPECT_EQ(byteNs, 10 * kSecond / 9600);
    const uint64_t t = 3 * kSecond;
    line.Receive("abc", t);
    EXPECT_EQ(line.NextDeadline(), t + byteNs);
    uint8_t byte = 0;
    uint64_t due = 0, read = 0;
    EXPECT_FALSE(line.TakeReceived(t + byteNs - 1, byte, due, read));
    ASSERT_TRUE(line.TakeReceived(t + 3 * byteNs, byte, due, read)); // a late wake-up takes them in order
    EXPECT_EQ(byte, 'a');
    EXPECT_EQ(due, t + byteNs);
    EXPECT_EQ(read, t);
    ASSERT_TRUE(line.TakeReceived(t + 3 * byteNs, byte, due, read));
    EXPECT_EQ(due, t + 2 * byteNs);
    // Bytes read while earlier ones are still on the wire queue up behind them.
    line.Receive("d", t + byteNs);
    ASSERT_TRUE(line.TakeReceived(t + 4 * byteNs, byte, due, read));
    EXPECT_EQ(due, t + 3 * byteNs);
    ASSERT_TRUE(line.TakeReceived(t + 4 * byteNs, byte, due, read));
    EXPECT_EQ(byte, 'd');
    EXPECT_EQ(due, t + 4 * byteNs);
    EXPECT_EQ(line.NextDeadline(), UINT64_MAX);
}

TEST(WireLineTest, ALongRunKeepsItsScheduleWhateverTheWakeUps)
{
    CWireLine line(9600);
    const uint64_t byteNs = line.ByteNs();
    const uint64_t t = kSecond;
    line.Send(std::string(1000, 'A'), t);
    std::string out;
    uint64_t now = t;
    size_t taken = 0;
    // Wake-ups at odd moments, each a little late: the bytes still fall due on the schedule.
    while (taken < 1000) {
        now += 3 * byteNs + 12345;
        taken += line.TakeSendable(now, out);
        EXPECT_EQ(taken, std::min<uint64_t>(1000, (now - t) / byteNs));
    }
    EXPECT_EQ(line.NextDeadline(), UINT64_MAX);
    // A reply readied after the line fell idle starts from its own moment, not from the old schedule.
    line.Send("B", now + kSecond);
    EXPECT_EQ(line.NextDeadline(), now + kSecond + byteNs);
}

} // namespace
