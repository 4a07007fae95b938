// The real CSerialPort on Linux against a pseudo-terminal whose far end the test holds.
#include "serial/SerialPort.h"

#include "model/ErrorText.h"
#include "model/StatusCodes.h"
#include "platform/LastError.h"
#include "platform/TextConversion.h"

#include "PortReading.h"
#include "PtyPair.h"
#include "ScriptedAnswers.h"
#include "WaitingTarget.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

size_t OpenDescriptorCount()
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// The terminal settings of the device, as a second look at it sees them.
termios SettingsOf(const std::string& path)
{
    termios settings{};
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fd, 0) << path;
    if (fd >= 0) {
        EXPECT_EQ(::tcgetattr(fd, &settings), 0);
        ::close(fd);
    }
    return settings;
}

std::wstring FailedOn(const wchar_t* operation, const std::wstring& port, uint32_t code)
{
    return Format(L"%s failed on \"%s\"\r\nError 0x%08X: %s", operation, port, code, ErrorText(code));
}

class SerialPortOnPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(far.IsOpen());
        name = FromUtf8(far.SlavePath());
        port.SetMessageWindow(&window);
    }

    PtyPair far;
    std::wstring name;
    ScriptedAnswers answers{{}, ANSWER_OK};
    WaitingTarget window; // outlives the port, whose thread posts to it
    CSerialPort port;
};

TEST_F(SerialPortOnPty, OpensRaw9600EightNoneOneWithoutFlowControlAndCloses)
{
    ASSERT_TRUE(port.Open(name));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Name(), name);
    EXPECT_EQ(port.Speed(), 9600u);

    termios settings = SettingsOf(far.SlavePath());
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetispeed(&settings), static_cast<speed_t>(B9600));
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(settings.c_cc[VMIN], 0);
    EXPECT_EQ(settings.c_cc[VTIME], 0);

    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(far.SlaveClosed());
    port.Close(); // closing a closed port is harmless
    ASSERT_TRUE(port.Open(name)); // and the device can be opened again
    EXPECT_TRUE(window.Texts(WM_REPORT_TEXT).empty());
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(SerialPortOnPty, AnEmptyNameFailsAndCreatesNothing)
{
    size_t descriptors = OpenDescriptorCount();
    SetLastErrorCode(0);
    EXPECT_FALSE(port.Open(L""));
    EXPECT_EQ(GetLastErrorCode(), 0xE200000Fu);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.WaitForWaiterExit(0)); // no waiter thread
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(SerialPortOnPty, OpenOnAnOpenPortSucceedsAndKeepsTheFirstName)
{
    ASSERT_TRUE(port.Open(name));
    EXPECT_TRUE(port.Open(L"/dev/ttyS99"));
    EXPECT_EQ(port.Name(), name);
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(SerialPortOnPty, ASecondOpenerIsDeniedAndTheFirstKeepsWorking)
{
    ASSERT_TRUE(port.Open(name));
    WaitingTarget otherWindow;
    CSerialPort other;
    other.SetMessageWindow(&otherWindow);
    EXPECT_FALSE(other.Open(name));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_ACCESS_DENIED);
    EXPECT_FALSE(other.IsOpen());
    EXPECT_TRUE(otherWindow.Messages().empty()); // the caller reports a port in use
    EXPECT_TRUE(answers.asked.empty());

    EXPECT_TRUE(port.WriteText(L"V"));
    EXPECT_EQ(far.Receive(1), "V");

    port.Close(); // once the first has let go, the device is free again
    EXPECT_TRUE(other.Open(name));
}

TEST_F(SerialPortOnPty, DevicesThatCannotBeOpenedFailWithoutAReport)
{
    struct Case {
        const wchar_t* name;
        uint32_t error;
    };
    const Case cases[] = {
        {L"/dev/mt6402-no-such-port", ERROR_CODE_FILE_NOT_FOUND},
        {L"mt6402-no-such-port", ERROR_CODE_FILE_NOT_FOUND}, // a bare name is looked up under /dev
        {L"/dev/null", ERROR_CODE_INVALID_PARAMETER},         // not a terminal
    };
    for (const Case& c : cases) {
        size_t descriptors = OpenDescriptorCount();
        EXPECT_FALSE(port.Open(c.name)) << c.name;
        EXPECT_EQ(GetLastErrorCode(), c.error) << c.name;
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(OpenDescriptorCount(), descriptors) << c.name;
    }
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(SerialPortOnPty, SetSpeedTakesTheFourModuleSpeedsOnly)
{
    ASSERT_TRUE(port.Open(name));
    for (uint32_t refused : {0u, 1200u, 2400u, 57600u, 115200u}) {
        EXPECT_EQ(port.SetSpeed(refused), HRESULT_INVALID_ARGUMENT) << refused;
        EXPECT_EQ(port.Speed(), 9600u);
        termios settings = SettingsOf(far.SlavePath());
        EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B9600)) << refused;
    }
    struct Case {
        uint32_t speed;
        speed_t constant;
    };
    const Case accepted[] = {{4800, B4800}, {19200, B19200}, {38400, B38400}, {38400, B38400}, {9600, B9600}};
    for (const Case& c : accepted) {
        EXPECT_EQ(port.SetSpeed(c.speed), 1u) << c.speed;
        EXPECT_EQ(port.Speed(), c.speed);
        termios settings = SettingsOf(far.SlavePath());
        EXPECT_EQ(cfgetospeed(&settings), c.constant) << c.speed;
    }
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(SerialPortOnPty, SetSpeedOnAClosedPortFailsWithInvalidHandle)
{
    EXPECT_EQ(port.SetSpeed(19200), 0u);
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_INVALID_HANDLE);
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(SerialPortOnPty, ReadingWithNothingWaitingGivesNoBytes)
{
    uint8_t buffer[16];
    uint32_t received = 99;
    EXPECT_FALSE(port.Read(buffer, sizeof(buffer), received));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_INVALID_HANDLE);
    EXPECT_EQ(received, 0u);

    ASSERT_TRUE(port.Open(name));
    received = 99;
    EXPECT_TRUE(port.Read(buffer, sizeof(buffer), received));
    EXPECT_EQ(received, 0u);
}

TEST_F(SerialPortOnPty, WriteTextPutsExactlyItsBytesOnTheFarEnd)
{
    ASSERT_TRUE(port.Open(name));
    EXPECT_TRUE(port.WriteText(L"V"));
    EXPECT_EQ(far.Receive(2), std::string("\x56"));

    const uint8_t block[] = {0x00, 0x0A, 0x0D, 0x11, 0x13, 0x3B, 0xFF}; // raw: no translation, no flow control
    EXPECT_TRUE(port.Write(block, sizeof(block)));
    EXPECT_EQ(far.Receive(sizeof(block)), std::string(reinterpret_cast<const char*>(block), sizeof(block)));

    port.Close();
    EXPECT_FALSE(port.WriteText(L"V"));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_INVALID_HANDLE);
}

TEST_F(SerialPortOnPty, ArrivingBytesAreAnnouncedOnceAndRead)
{
    ASSERT_TRUE(port.Open(name));
    ASSERT_TRUE(far.Send("V1.12;"));
    ASSERT_TRUE(window.WaitFor(WM_COMM_EVENT));
    auto announced = window.Arrivals(WM_COMM_EVENT).front();
    std::string reply = ReadBytes(port, window, 6);
    auto read = std::chrono::steady_clock::now();
    EXPECT_EQ(reply, "V1.12;");

    std::vector<RecordedMessage> events;
    for (const RecordedMessage& m : window.Messages())
        if (m.message == WM_COMM_EVENT)
            events.push_back(m);
    ASSERT_FALSE(events.empty());
    EXPECT_TRUE(events[0].posted);
    EXPECT_EQ(events[0].wParam, 0x0001u); // a character received, no line errors
    EXPECT_EQ(events[0].lParam, 0);
    // Held until the read re-armed it (unless this thread was slower than the re-arm time-out).
    if (read - announced < 15ms) {
        EXPECT_EQ(events.size(), 1u);
    }

    size_t before = window.Count(WM_COMM_EVENT);
    ASSERT_TRUE(far.Send(";"));
    ASSERT_TRUE(window.WaitFor(WM_COMM_EVENT, before + 1));
    EXPECT_EQ(ReadBytes(port, window, 1), ";");
}

TEST_F(SerialPortOnPty, UnreadBytesAreAnnouncedAgainAfterTheTimeOutWithoutFlooding)
{
    ASSERT_TRUE(port.Open(name));
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(far.Send("abc"));
    ASSERT_TRUE(window.WaitFor(WM_COMM_EVENT, 1));
    // Nobody reads: the port announces the waiting bytes again, paced by the re-arm time-out.
    EXPECT_TRUE(window.WaitFor(WM_COMM_EVENT, 2, 2s));
    EXPECT_FALSE(window.WaitFor(WM_COMM_EVENT, 1000, 200ms));
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);

    auto arrivals = window.Arrivals(WM_COMM_EVENT);
    EXPECT_LE(arrivals.size(), static_cast<size_t>(elapsed.count() / 15 + 2));
    for (size_t i = 1; i < arrivals.size(); ++i)
        EXPECT_GE(arrivals[i] - arrivals[i - 1], 15ms) << "event " << i;
    EXPECT_EQ(ReadBytes(port, window, 3), "abc");
}

TEST_F(SerialPortOnPty, ReadTakesNoMoreThanAskedAndLeavesTheRest)
{
    ASSERT_TRUE(port.Open(name));
    ASSERT_TRUE(far.Send("0123456789"));
    ASSERT_TRUE(window.WaitFor(WM_COMM_EVENT));
    std::string got;
    while (got.size() < 4) { // the bytes may come in pieces
        uint8_t buffer[4];
        uint32_t received = 0;
        ASSERT_TRUE(port.Read(buffer, static_cast<uint32_t>(4 - got.size()), received));
        got.append(reinterpret_cast<const char*>(buffer), received);
        if (received == 0)
            window.WaitFor(WM_COMM_EVENT, window.Count(WM_COMM_EVENT) + 1, 1s);
    }
    EXPECT_EQ(got, "0123");
    EXPECT_EQ(ReadBytes(port, window, 6), "456789");
}

TEST_F(SerialPortOnPty, PurgeDiscardsWaitingBytes)
{
    EXPECT_FALSE(port.Purge());
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_INVALID_HANDLE);

    ASSERT_TRUE(port.Open(name));
    ASSERT_TRUE(far.Send("junk;"));
    ASSERT_TRUE(window.WaitFor(WM_COMM_EVENT));
    EXPECT_TRUE(port.Purge());
    uint8_t buffer[16];
    uint32_t received = 99;
    EXPECT_TRUE(port.Read(buffer, sizeof(buffer), received));
    EXPECT_EQ(received, 0u);

    size_t before = window.Count(WM_COMM_EVENT);
    ASSERT_TRUE(far.Send("V"));
    ASSERT_TRUE(window.WaitFor(WM_COMM_EVENT, before + 1)); // the purge re-armed the announcements
    EXPECT_EQ(ReadBytes(port, window, 1), "V");
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(SerialPortOnPty, CancelIoNeedsAnOpenPort)
{
    EXPECT_FALSE(port.CancelIo());
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_INVALID_HANDLE);
    ASSERT_TRUE(port.Open(name));
    EXPECT_TRUE(port.CancelIo());
}

TEST_F(SerialPortOnPty, AFarEndHangUpEndsTheWaiterQuietlyAndTheNextTransferReportsAndCloses)
{
    enum class Transfer { Read, Write };
    for (Transfer transfer : {Transfer::Read, Transfer::Write}) {
        PtyPair line;
        ASSERT_TRUE(line.IsOpen());
        std::wstring lineName = FromUtf8(line.SlavePath());
        window.Clear();
        answers.asked.clear();
        ASSERT_TRUE(port.Open(lineName));

        line.HangUp();
        EXPECT_TRUE(port.WaitForWaiterExit(5000));
        EXPECT_TRUE(window.Messages().empty()); // quietly: nothing posted, nothing reported
        EXPECT_TRUE(answers.asked.empty());
        EXPECT_TRUE(port.IsOpen());

        uint8_t buffer[8];
        uint32_t count = 0;
        bool done = transfer == Transfer::Read ? port.Read(buffer, sizeof(buffer), count) : port.WriteText(L";");
        EXPECT_FALSE(done);
        EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_ACCESS_DENIED);
        std::wstring expected = FailedOn(transfer == Transfer::Read ? L"ReadFile" : L"WriteFile", lineName, 5);
        ASSERT_EQ(answers.asked.size(), 1u);
        EXPECT_EQ(answers.asked[0].text, expected);
        EXPECT_EQ(answers.asked[0].caption, L"COM Port Error");
        EXPECT_EQ(answers.asked[0].flags, MB_FLAG_ICONERROR);
        EXPECT_EQ(window.Texts(WM_REPORT_TEXT), std::vector<std::wstring>{expected});
        EXPECT_FALSE(port.IsOpen());
    }
}

TEST_F(SerialPortOnPty, ReportErrorShowsFormat204AndClosesOnlyForAVanishedDevice)
{
    struct Case {
        const wchar_t* operation;
        uint32_t code;
        bool closes;
    };
    const Case cases[] = {
        {L"SetCommState", 87, false},
        {L"PurgeComm", 31, false},
        {L"WriteFile", 5, true},
        {L"ReadFile", 109, true},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(port.Open(name));
        window.Clear();
        answers.asked.clear();
        port.ReportError(c.operation, c.code);
        std::wstring expected = FailedOn(c.operation, name, c.code);
        ASSERT_EQ(answers.asked.size(), 1u);
        EXPECT_EQ(answers.asked[0].text, expected);
        EXPECT_EQ(answers.asked[0].caption, L"COM Port Error");
        EXPECT_EQ(port.IsOpen(), !c.closes) << c.code;
        std::vector<std::wstring> lines = window.Texts(WM_REPORT_TEXT);
        if (c.closes) {
            EXPECT_EQ(lines, std::vector<std::wstring>{expected});
        } else {
            EXPECT_EQ(lines, (std::vector<std::wstring>{expected, L"ClearCommError dwErrors 0x0000"}));
        }
        EXPECT_EQ(GetLastErrorCode(), c.code);
        port.Close();
    }
}

TEST_F(SerialPortOnPty, DestroyingAnOpenPortReleasesTheDevice)
{
    size_t descriptors = OpenDescriptorCount();
    {
        CSerialPort scoped;
        scoped.SetMessageWindow(&window);
        ASSERT_TRUE(scoped.Open(name));
        EXPECT_GT(OpenDescriptorCount(), descriptors);
    }
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    EXPECT_TRUE(far.SlaveClosed());
    EXPECT_TRUE(port.Open(name)); // no lock left behind
}

} // namespace
