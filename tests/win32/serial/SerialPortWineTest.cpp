// The real CSerialPort on Windows (under Wine) through COM ports linked to pseudo-terminals.
#include "serial/SerialPort.h"

#include "model/ErrorText.h"
#include "model/Format.h"
#include "model/StatusCodes.h"
#include "platform/LastError.h"
#include "serial/SerialRules.h"
#include "serial/ThreadStopWin32.h"

#include "PortReading.h"
#include "ScriptedAnswers.h"
#include "WaitingTarget.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace std::chrono_literals;

// The peers that scripts/wine-serial-peers.sh links into the prefix.
constexpr const wchar_t* kNear = L"COM7";    // one end of a pseudo-terminal pair
constexpr const wchar_t* kFar = L"COM8";     // its other end
constexpr const wchar_t* kModule = L"COM9";  // the simulator, revision 1.12
constexpr const wchar_t* kHangUp = L"COM10"; // the simulator, hanging up 300 ms after the first open

namespace {

bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::wstring FailedOn(const wchar_t* operation, const std::wstring& port, uint32_t code)
{
    return Format(L"%s failed on \"%s\"\r\nError 0x%08X: %s", operation, port, code, ErrorText(code));
}

// The device-control record as a second handle on the port reads it. Windows refuses a second
// handle on an open COM port; Wine grants it, which lets the test look at what the port wrote.
bool ReadSettingsThroughSecondHandle(const wchar_t* name, DCB& dcb)
{
    std::wstring path = std::wstring(L"\\\\.\\") + name;
    HANDLE second = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (second == INVALID_HANDLE_VALUE)
        return false;
    dcb = DCB{};
    dcb.DCBlength = sizeof(DCB);
    bool read = GetCommState(second, &dcb) != FALSE;
    CloseHandle(second);
    return read;
}

class SerialPortUnderWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        port.SetMessageWindow(&window);
        peer.SetMessageWindow(&peerWindow);
    }

    ScriptedAnswers answers{{}, ANSWER_OK};
    WaitingTarget window; // the windows outlive the ports, whose threads post to them
    WaitingTarget peerWindow;
    CSerialPort port;
    CSerialPort peer;
};

TEST_F(SerialPortUnderWine, OpensAt9600EightNoneOneWithoutFlowControlAndCloses)
{
    ASSERT_TRUE(port.Open(kNear)) << GetLastErrorCode();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Name(), kNear);
    EXPECT_EQ(port.Speed(), 9600u);
    DCB dcb;
    bool readBack = ReadSettingsThroughSecondHandle(kNear, dcb);
    EXPECT_TRUE(readBack || !RunningUnderWine());
    if (readBack) {
        EXPECT_EQ(dcb.BaudRate, 9600u);
        EXPECT_EQ(dcb.ByteSize, 8);
        EXPECT_EQ(dcb.Parity, NOPARITY);
        EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
        EXPECT_FALSE(dcb.fOutxCtsFlow);
        EXPECT_FALSE(dcb.fOutxDsrFlow);
        EXPECT_FALSE(dcb.fOutX);
        EXPECT_FALSE(dcb.fInX);
        EXPECT_NE(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
    }
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    port.Close();
    ASSERT_TRUE(port.Open(kNear));
    EXPECT_TRUE(window.Texts(WM_REPORT_TEXT).empty());
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(SerialPortUnderWine, AnEmptyNameFailsAndCreatesNothing)
{
    DWORD handles = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &handles));
    EXPECT_FALSE(port.Open(L""));
    EXPECT_EQ(GetLastErrorCode(), 0xE200000Fu);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.WaitForWaiterExit(0));
    DWORD after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
    EXPECT_EQ(after, handles);
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(SerialPortUnderWine, OpenOnAnOpenPortSucceedsAndKeepsTheFirstName)
{
    ASSERT_TRUE(port.Open(kNear));
    EXPECT_TRUE(port.Open(L"COM99"));
    EXPECT_EQ(port.Name(), kNear);
}

TEST_F(SerialPortUnderWine, AMissingPortFailsWithoutAReport)
{
    EXPECT_FALSE(port.Open(L"COM99"));
    EXPECT_EQ(GetLastErrorCode(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(SerialPortUnderWine, ASecondOpenerIsDenied)
{
    ASSERT_TRUE(port.Open(kNear));
    if (RunningUnderWine())
        GTEST_SKIP() << "Wine grants a second handle on an open COM port; Windows answers access denied";
    CSerialPort other;
    other.SetMessageWindow(&peerWindow);
    EXPECT_FALSE(other.Open(kNear));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_ACCESS_DENIED);
    EXPECT_TRUE(peerWindow.Messages().empty());
}

TEST_F(SerialPortUnderWine, SetSpeedTakesTheFourModuleSpeedsOnly)
{
    ASSERT_TRUE(port.Open(kNear));
    for (uint32_t refused : {0u, 1200u, 57600u, 115200u}) {
        EXPECT_EQ(port.SetSpeed(refused), HRESULT_INVALID_ARGUMENT) << refused;
        EXPECT_EQ(port.Speed(), 9600u);
    }
    for (uint32_t accepted : {4800u, 19200u, 38400u, 38400u, 9600u}) {
        EXPECT_EQ(port.SetSpeed(accepted), 1u) << accepted;
        EXPECT_EQ(port.Speed(), accepted);
        DCB dcb;
        bool readBack = ReadSettingsThroughSecondHandle(kNear, dcb);
        EXPECT_TRUE(readBack || !RunningUnderWine());
        if (readBack) {
            EXPECT_EQ(dcb.BaudRate, accepted);
        }
    }
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(SerialPortUnderWine, ReadingWithNothingWaitingGivesNoBytesAtOnce)
{
    uint8_t buffer[16];
    uint32_t received = 99;
    EXPECT_FALSE(port.Read(buffer, sizeof(buffer), received));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_INVALID_HANDLE);

    ASSERT_TRUE(port.Open(kNear));
    for (int i = 0; i < 3; ++i) { // a read of nothing must not stay pending
        received = 99;
        EXPECT_TRUE(port.Read(buffer, sizeof(buffer), received));
        EXPECT_EQ(received, 0u);
    }
}

TEST_F(SerialPortUnderWine, WriteTextPutsExactlyItsBytesOnTheFarEnd)
{
    ASSERT_TRUE(port.Open(kNear));
    ASSERT_TRUE(peer.Open(kFar));
    EXPECT_TRUE(port.WriteText(L"V"));
    EXPECT_EQ(ReadBytes(peer, peerWindow, 2, 300ms), std::string("\x56"));

    const uint8_t block[] = {0x00, 0x0A, 0x0D, 0x11, 0x13, 0x3B, 0xFF};
    EXPECT_TRUE(port.Write(block, sizeof(block)));
    EXPECT_EQ(ReadBytes(peer, peerWindow, sizeof(block)), std::string(reinterpret_cast<const char*>(block), sizeof(block)));
}

TEST_F(SerialPortUnderWine, ArrivingBytesAreAnnouncedAndRead)
{
    ASSERT_TRUE(port.Open(kNear));
    ASSERT_TRUE(peer.Open(kFar));
    ASSERT_TRUE(peer.WriteText(L"V1.12;"));
    ASSERT_TRUE(window.WaitFor(WM_COMM_EVENT));
    auto announced = window.Arrivals(WM_COMM_EVENT).front();
    EXPECT_EQ(ReadBytes(port, window, 6), "V1.12;");
    auto read = std::chrono::steady_clock::now();
    std::vector<RecordedMessage> events;
    for (const RecordedMessage& m : window.Messages())
        if (m.message == WM_COMM_EVENT)
            events.push_back(m);
    ASSERT_FALSE(events.empty());
    EXPECT_TRUE(events[0].posted);
    EXPECT_EQ(events[0].wParam, 0x0001u);
    if (read - announced < 15ms) {
        EXPECT_EQ(events.size(), 1u);
    }

    size_t before = window.Count(WM_COMM_EVENT);
    ASSERT_TRUE(peer.WriteText(L";"));
    ASSERT_TRUE(window.WaitFor(WM_COMM_EVENT, before + 1));
    EXPECT_EQ(ReadBytes(port, window, 1), ";");
}

TEST_F(SerialPortUnderWine, UnreadBytesAreAnnouncedAgainAfterTheTimeOutWithoutFlooding)
{
    ASSERT_TRUE(port.Open(kNear));
    ASSERT_TRUE(peer.Open(kFar));
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(peer.WriteText(L"abc"));
    ASSERT_TRUE(window.WaitFor(WM_COMM_EVENT, 1));
    EXPECT_TRUE(window.WaitFor(WM_COMM_EVENT, 2, 2s));
    EXPECT_FALSE(window.WaitFor(WM_COMM_EVENT, 1000, 200ms));
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    auto arrivals = window.Arrivals(WM_COMM_EVENT);
    EXPECT_LE(arrivals.size(), static_cast<size_t>(elapsed.count() / 15 + 2));
    for (size_t i = 1; i < arrivals.size(); ++i)
        EXPECT_GE(arrivals[i] - arrivals[i - 1], 15ms) << "event " << i;
    EXPECT_EQ(ReadBytes(port, window, 3), "abc");
}

TEST_F(SerialPortUnderWine, PurgeDiscardsWaitingBytes)
{
    EXPECT_FALSE(port.Purge());
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_INVALID_HANDLE);
    ASSERT_TRUE(port.Open(kNear));
    ASSERT_TRUE(peer.Open(kFar));
    ASSERT_TRUE(peer.WriteText(L"junk;"));
    ASSERT_TRUE(window.WaitFor(WM_COMM_EVENT));
    EXPECT_TRUE(port.Purge());
    uint8_t buffer[16];
    uint32_t received = 99;
    EXPECT_TRUE(port.Read(buffer, sizeof(buffer), received));
    EXPECT_EQ(received, 0u);

    size_t before = window.Count(WM_COMM_EVENT);
    ASSERT_TRUE(peer.WriteText(L"V"));
    ASSERT_TRUE(window.WaitFor(WM_COMM_EVENT, before + 1));
    EXPECT_EQ(ReadBytes(port, window, 1), "V");
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(SerialPortUnderWine, CancelIoNeedsAnOpenPort)
{
    EXPECT_FALSE(port.CancelIo());
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_INVALID_HANDLE);
    ASSERT_TRUE(port.Open(kNear));
    EXPECT_TRUE(port.CancelIo());
}

TEST_F(SerialPortUnderWine, ReportErrorShowsFormat204AndClosesOnlyForAVanishedDevice)
{
    struct Case {
        const wchar_t* operation;
        uint32_t code;
        bool closes;
    };
    const Case cases[] = {{L"SetCommState", 87, false}, {L"PurgeComm", 31, false}, {L"WriteFile", 5, true}};
    for (const Case& c : cases) {
        ASSERT_TRUE(port.Open(kNear));
        window.Clear();
        answers.asked.clear();
        port.ReportError(c.operation, c.code);
        std::wstring expected = FailedOn(c.operation, kNear, c.code);
        ASSERT_EQ(answers.asked.size(), 1u);
        EXPECT_EQ(answers.asked[0].text, expected);
        EXPECT_EQ(answers.asked[0].caption, L"COM Port Error");
        EXPECT_EQ(answers.asked[0].flags, MB_FLAG_ICONERROR);
        EXPECT_EQ(port.IsOpen(), !c.closes) << c.code;
        std::vector<std::wstring> lines = window.Texts(WM_REPORT_TEXT);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], expected);
        if (c.closes) {
            EXPECT_EQ(lines.size(), 1u);
        } else {
            EXPECT_EQ(lines, (std::vector<std::wstring>{expected, L"ClearCommError dwErrors 0x0000"}));
        }
        port.Close();
    }
}

TEST_F(SerialPortUnderWine, TheSimulatedModuleAnswersThroughThePort)
{
    ASSERT_TRUE(port.Open(kModule)) << GetLastErrorCode();
    for (const auto& [command, reply] : {std::pair{L";", ";"}, std::pair{L"V", "V1.12;"}}) {
        EXPECT_TRUE(port.Purge());
        EXPECT_TRUE(port.WriteText(command));
        EXPECT_EQ(ReadReply(port, window, ';'), reply);
    }
}

TEST_F(SerialPortUnderWine, AHangUpEndsTheThreadQuietlyAndTheNextReadReportsAndCloses)
{
    ASSERT_TRUE(port.Open(kHangUp)) << GetLastErrorCode();
    ASSERT_TRUE(port.WaitForWaiterExit(5000));
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_TRUE(answers.asked.empty());
    EXPECT_TRUE(port.IsOpen());

    uint8_t buffer[8];
    uint32_t received = 0;
    EXPECT_FALSE(port.Read(buffer, sizeof(buffer), received));
    uint32_t code = GetLastErrorCode();
    EXPECT_TRUE(IsDeviceGoneError(code)) << code;
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_EQ(answers.asked[0].text, FailedOn(L"ReadFile", kHangUp, code));
    EXPECT_EQ(window.Texts(WM_REPORT_TEXT), std::vector<std::wstring>{FailedOn(L"ReadFile", kHangUp, code)});
    EXPECT_FALSE(port.IsOpen());
}

} // namespace

namespace {

// A thread blocked in what it is given: a wait on an event that never comes, or a read of a pipe.
struct BlockedThread {
    HANDLE waitOn = nullptr; // an event: the thread waits on it; else the thread reads `pipe`
    HANDLE pipe = nullptr;
    static DWORD WINAPI Run(void* data)
    {
        auto* self = static_cast<BlockedThread*>(data);
        if (self->waitOn)
            return WaitForSingleObject(self->waitOn, INFINITE);
        OVERLAPPED overlapped{};
        overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        char byte;
        DWORD read = 0;
        if (!ReadFile(self->pipe, &byte, 1, &read, &overlapped) && GetLastError() == ERROR_IO_PENDING)
            GetOverlappedResult(self->pipe, &overlapped, &read, TRUE); // ends when the read is cancelled
        CloseHandle(overlapped.hEvent);
        return 0;
    }
};

} // namespace

// Closing the port waits for its comm-event thread with a limit: a thread stuck in I/O is freed by
// cancelling that I/O, and one that does not end is given up on instead of hanging the program.
TEST(WaitForThreadEnd, ANudgeEndsAThreadStuckInIoAndAHungThreadIsGivenUpOn)
{
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE server = CreateNamedPipeW(L"\\\\.\\pipe\\mt6402-thread-stop", PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                     PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    HANDLE client = CreateFileW(L"\\\\.\\pipe\\mt6402-thread-stop", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    struct Case {
        const char* name;
        BlockedThread blocked;
        bool ends;
    } cases[] = {
        {"stuck in a read of the device", {nullptr, server}, true},
        {"stuck elsewhere", {never, nullptr}, false},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetEvent(never);
        HANDLE thread = CreateThread(nullptr, 0, BlockedThread::Run, &c.blocked, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        Sleep(50); // the thread is in its wait
        // (Without its limit the second case would never return.)
        EXPECT_EQ(WaitForThreadEnd(thread, server, 100, 300), c.ends);
        EXPECT_EQ(WaitForSingleObject(thread, 0) == WAIT_OBJECT_0, c.ends);
        SetEvent(never); // the test's own clean-up
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
    }
    CloseHandle(client);
    CloseHandle(server);
    CloseHandle(never);
}
