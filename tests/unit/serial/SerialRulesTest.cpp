// The serial port's portable rules: speeds, line-settings values, device-gone errors, WriteText.
#include "serial/SerialRules.h"

#include "FakeSerialPort.h"

#include <gtest/gtest.h>

namespace {

TEST(SerialRules, OnlyTheFourModuleSpeedsAreAccepted)
{
    struct Case {
        uint32_t speed;
        bool accepted;
    };
    const Case cases[] = {{4800, true},  {9600, true},    {19200, true},  {38400, true}, {0, false},
                          {1200, false}, {2400, false},   {57600, false}, {115200, false}, {9601, false},
                          {4799, false}, {0xFFFFFFFF, false}};
    for (const Case& c : cases)
        EXPECT_EQ(IsSupportedSpeed(c.speed), c.accepted) << c.speed;
}

TEST(SerialRules, FlagWordSetsBinaryClearsControlBitsAndKeepsTheRest)
{
    struct Case {
        uint32_t read;
        uint32_t written;
    };
    const Case cases[] = {
        {0x00000000, 0x00000001}, // nothing set: binary mode only
        {0x00007FFE, 0x00000001}, // every control bit (parity, flow control, DTR/RTS, abort) cleared
        {0x00000001, 0x00000001},
        {0xFFFFFFFF, 0xFFFF8001}, // bits 15 to 31 kept as read
        {0x00008010, 0x00008001}, // DTR control enable (bit 4) cleared, bit 15 kept
        {0xA5A50000, 0xA5A50001},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineSettingsFlagWord(c.read), c.written) << std::hex << c.read;
}

TEST(SerialRules, FlowControlLimitIsAQuarterOfTheQueueAtLeastEightAndFitsSixteenBits)
{
    struct Case {
        uint32_t queue;
        uint16_t limit;
    };
    const Case cases[] = {{0, 8},        {16, 8},          {35, 8},        {36, 9},
                          {4096, 1024},  {262140, 65535},  {262144, 65535}, {0xFFFFFFFF, 65535}};
    for (const Case& c : cases)
        EXPECT_EQ(FlowControlLimit(c.queue), c.limit) << c.queue;
}

TEST(SerialRules, CommEventParameterPutsLineErrorsAboveTheEventMask)
{
    EXPECT_EQ(CommEventParameter(0, SERIAL_EVENT_RXCHAR), 0x00000001u);
    EXPECT_EQ(CommEventParameter(0x0002, 0x0001), 0x00020001u);
    EXPECT_EQ(CommEventParameter(0x12345, 0x10001), 0x23450001u); // each half keeps its low 16 bits
    EXPECT_EQ(CommEventParameter(0, 0), 0u);
}

TEST(SerialRules, ErrorsOfAVanishedDeviceCloseThePortOthersDoNot)
{
    for (uint32_t code : {5u, 21u, 109u, 1167u, 1617u})
        EXPECT_TRUE(IsDeviceGoneError(code)) << code;
    for (uint32_t code : {0u, 2u, 6u, 31u, 87u, 995u, 997u, 1460u, 0x80070005u, 0xE200000Fu})
        EXPECT_FALSE(IsDeviceGoneError(code)) << code;
}

TEST(WriteText, WritesTheUtf8BytesOfTheText)
{
    struct Case {
        std::wstring text;
        std::string bytes;
    };
    const Case cases[] = {{L"V", "V"}, {L";", ";"}, {L"V1.23;", "V1.23;"}, {L"\u00e9", "\xC3\xA9"}, {L"", ""}};
    for (const Case& c : cases) {
        FakeSerialPort port;
        port.ForceOpen();
        EXPECT_TRUE(port.WriteText(c.text));
        EXPECT_EQ(port.written, c.bytes);
    }
}

TEST(WriteText, FailsWhenNotEveryByteIsWritten)
{
    FakeSerialPort port;
    port.ForceOpen();
    port.writeLimit = 2;
    EXPECT_FALSE(port.WriteText(L"abc"));
    EXPECT_EQ(port.written, "ab");

    FakeSerialPort closed;
    EXPECT_FALSE(closed.WriteText(L"V"));
    EXPECT_EQ(closed.written, "");
}

} // namespace

TEST(SerialRules, AnAnswerIsDueOnceTheWrittenBytesAndOneMoreHaveCrossedTheWire)
{
    constexpr uint64_t ms = 1'000'000;
    struct Case {
        const char* what;
        uint64_t lineFreeNs;
        uint64_t nowNs;
        uint32_t count;
        uint32_t speed;
        uint64_t due;
        uint64_t lineFreeAfter;
    } cases[] = {
        {"idle line, one byte at 9600", 0, 100 * ms, 1, 9600, 100 * ms + 2 * 1'041'666, 100 * ms + 1'041'666},
        {"a block of 68 at 9600", 0, 0, 68, 9600, 69 * 1'041'666, 68 * 1'041'666},
        {"queued behind bytes still leaving", 50 * ms, 10 * ms, 10, 38400, 50 * ms + 11 * 260'416, 50 * ms + 10 * 260'416},
        {"nothing written", 5 * ms, 10 * ms, 0, 9600, 0, 5 * ms},
        {"speed unknown", 5 * ms, 10 * ms, 4, 0, 0, 5 * ms},
    };
    for (const Case& c : cases) {
        uint64_t lineFree = c.lineFreeNs;
        EXPECT_EQ(NoteBytesWritten(lineFree, c.nowNs, c.count, c.speed), c.due) << c.what;
        EXPECT_EQ(lineFree, c.lineFreeAfter) << c.what;
    }
}
