// The state library on a small machine of its own: delays, optional and required replies, sending, reporting, publishing.
#include "machines/CommandOptionalResponseState.h"
#include "machines/CommandResponseState.h"
#include "machines/DelayState.h"
#include "machines/PrintableText.h"
#include "machines/RevisionReply.h"
#include "machines/StateHost.h"
#include "machines/StateMachine.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"

#include <gtest/gtest.h>

#include "MachineFixture.h"

namespace {

constexpr uintptr_t kTimer = 6;
constexpr uint32_t kNoReply = MSG_NO_RESPONSE_AFTER_RESET;

// wait 50 ms -> "A", optional reply within 100 ms -> "B", required reply ";" or "!" within 200 ms -> final.
class CTestMachine : public CStateHost<CTestMachine>, public IStateMachine {
public:
    explicit CTestMachine(CModelBase& model) : CStateHost(model, kTimer) {}

    bool Cancel() override { return CStateHost::Cancel(); }
    bool IsComplete() override { return CStateHost::IsComplete(); }
    void Release() override {}
    intptr_t OnReceive(uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled) override
    {
        return CStateHost::OnReceive(message, wParam, lParam, handled);
    }
    intptr_t OnTimer(uint32_t message, uintptr_t timerId, intptr_t lParam, bool& handled) override
    {
        return CStateHost::OnTimer(message, timerId, lParam, handled);
    }

    void Start() { Run(wait_); }
    void OnFinished()
    {
        PublishStatus();
        ++finished;
    }
    void OnReport(const std::wstring& line) override { reported.push_back(line); }

    unsigned finished = 0;
    std::vector<std::wstring> reported;

    class CRequiredState : public CCommandResponseState<CTestMachine> {
    public:
        CRequiredState(CStateHost<CTestMachine>& host, CState<CTestMachine>* next)
            : CCommandResponseState(host, L"RequiredState", next, L"B", 200, kNoReply)
        {
        }
        const wchar_t* GetTerminators() override { return L";!"; }
        bool IsAcceptable() override { return Host().ReceiveBuffer() != L"NO;"; }
    };

private:
    CDelayState<CTestMachine> wait_{*this, L"WaitState", &optional_, 50};
    CCommandOptionalResponseState<CTestMachine> optional_{*this, L"OptionalState", &required_, L"A", 100, 0};
    CRequiredState required_{*this, &FinalState()};
};

class StateLibraryTest : public testing::Test, public MachineFixture {
protected:
    StateLibraryTest() { frame.machines = {&machine}; }
    CTestMachine machine{model};
};

TEST_F(StateLibraryTest, ADelayWaitsAnOptionalReplyMayNeverComeARequiredOneMust)
{
    port->ForceOpen();
    model.PortOpen.Set(1);
    machine.Start();
    EXPECT_TRUE(port->writes.empty());
    timers.Advance(49);
    EXPECT_TRUE(port->writes.empty());
    timers.Advance(1);
    EXPECT_EQ(port->writes, std::vector<std::string>{"A"});
    timers.Advance(100); // no reply to "A": the machine goes on
    EXPECT_EQ(port->writes, (std::vector<std::string>{"A", "B"}));
    timers.Advance(199);
    EXPECT_FALSE(machine.IsComplete());
    timers.Advance(1);
    EXPECT_TRUE(machine.IsComplete());
    EXPECT_EQ(machine.Result(), kNoReply);
    EXPECT_EQ(machine.finished, 1u);
    EXPECT_EQ(TimerIntervals(kTimer), (std::vector<uint32_t>{50, 100, 200}));
}

TEST_F(StateLibraryTest, AReplyEndsAtAnyTerminatorOfTheStateAndAnUnacceptableOneCountsAsNone)
{
    port->ForceOpen();
    machine.Start();
    timers.Advance(50);
    Arrive("ok;"); // the optional reply moves on at once
    EXPECT_EQ(port->writes.back(), "B");
    Arrive("NO;");
    EXPECT_FALSE(machine.IsComplete());
    Arrive("fine!");
    EXPECT_TRUE(machine.IsComplete());
    EXPECT_EQ(machine.Result(), STATUS_OK);
    EXPECT_EQ(timers.RunningCount(), 0u);
}

TEST_F(StateLibraryTest, AReplyWithoutItsTerminatorIsNeverDelivered)
{
    port->ForceOpen();
    machine.Start();
    timers.Advance(150);
    Arrive("done");
    Arrive(".");
    EXPECT_FALSE(machine.IsComplete());
    timers.Advance(200);
    EXPECT_EQ(machine.Result(), kNoReply);
}

TEST_F(StateLibraryTest, SendingOnAClosedPortEndsTheMachineWithInvalidHandle)
{
    machine.Start();
    timers.Advance(50);
    EXPECT_TRUE(machine.IsComplete());
    EXPECT_EQ(machine.Result(), ERROR_CODE_INVALID_HANDLE);
    EXPECT_TRUE(port->writes.empty());
}

TEST_F(StateLibraryTest, SendBytesWritesTheWholeBlockOrEndsTheMachine)
{
    port->ForceOpen();
    machine.Start();
    const uint8_t block[68] = {0x00, 0x3B, 0xFF, 0x0D};
    port->Deliver("stale");
    EXPECT_TRUE(machine.SendBytes(block, sizeof block));
    EXPECT_EQ(port->written, std::string(reinterpret_cast<const char*>(block), sizeof block));
    EXPECT_EQ(port->Pending(), "");
    EXPECT_FALSE(machine.IsComplete());

    port->writeLimit = 10; // the port takes only part of the block
    EXPECT_FALSE(machine.SendBytes(block, sizeof block));
    EXPECT_TRUE(machine.IsComplete());
    EXPECT_TRUE(IsFailure(machine.Result()));
}

TEST_F(StateLibraryTest, ReportLinesGoToOnReportAndTheNotifyWindow)
{
    machine.Report(StringId{IDS_PORT_OPEN}, L"COM1");
    machine.ReportStatus(L"%u bit/s", 9600u);
    machine.Report(StringId{1999}); // no such string: an empty line
    EXPECT_EQ(machine.reported, (std::vector<std::wstring>{L"Serial Port COM1 is open", L"9600 bit/s", L""}));
    EXPECT_EQ(frame.Texts(WM_REPORT_TEXT), (std::vector<std::wstring>{L"Serial Port COM1 is open", L""}));
    EXPECT_EQ(frame.Texts(WM_VERBOSE_TEXT), std::vector<std::wstring>{L"9600 bit/s"});
}

TEST_F(StateLibraryTest, TheOutcomeIsPublishedAndAFailureClearsItUnlessTheDeviceWasUnexpected)
{
    struct Case {
        uint32_t result;
        int portOpen;
        FIRMWARESTATUS published;
    };
    const Case cases[] = {
        {STATUS_OK, 1, FirmwareStatusLoaderWaiting},
        {MSG_UNEXPECTED_DEVICE, 1, FirmwareStatusLoaderWaiting},
        {MSG_NO_RESPONSE_AFTER_RESET, 1, FirmwareStatusNone},
        {MSG_RECONCILIATION_WORD_ZERO, 1, FirmwareStatusNone}, // warnings are failures too
        {ERROR_CODE_CANCELLED, 1, FirmwareStatusNone},
        {STATUS_OK, 0, FirmwareStatusNone}, // a closed port shows no status
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        model.PortOpen.Set(c.portOpen);
        machine.SetStatusToPublish(FirmwareStatusLoaderWaiting);
        machine.SetResult(c.result);
        machine.ChangeState(machine.FinalState());
        EXPECT_EQ(model.FirmwareStatus.Get(), c.published);
        model.PortOpen.Set(1);
        model.FirmwareStatus.Set(FirmwareStatusNone);
    }
}

TEST(StateHost, MillisecondsAreRoundedToWholeSeconds)
{
    const std::pair<uint32_t, uint32_t> cases[] = {{0, 0}, {499, 0}, {500, 1}, {1499, 1}, {1500, 2}, {3000, 3}};
    for (const auto& [ms, seconds] : cases)
        EXPECT_EQ(CStateHost<CTestMachine>::MillisecondsToSeconds(ms), seconds) << ms;
}

TEST(PrintableText, KeepsPrintableAsciiAndWritesEverythingElseAsHexBytes)
{
    EXPECT_EQ(PrintableText(L"V1.23;"), L"V1.23;");
    EXPECT_EQ(PrintableText(L" ~"), L" ~");
    EXPECT_EQ(PrintableText(std::wstring(L"A\r\n\x7F", 4) + L'\0' + L'\xFF'), L"A\\x0D\\x0A\\x7F\\x00\\xFF");
    EXPECT_EQ(PrintableText(L""), L"");
}

TEST(RevisionReply, AcceptsOnlyPrefixDigitPointDigitDigitSemicolon)
{
    struct Case {
        const wchar_t* reply;
        bool accepted;
        uint16_t revision;
    };
    const Case cases[] = {
        {L"V1.23;", true, 123}, {L"V0.00;", true, 0},   {L"V9.99;", true, 999},
        {L"V1.2;", false, 0},   {L"X1.23;", false, 0},  {L"V12.3;", false, 0},
        {L"V1.23", false, 0},   {L"V1,23;", false, 0},  {L"", false, 0},
        {L"V", false, 0},       {L"V1.2a;", false, 0},  {L"V\x0661.23;", false, 0}, // Arabic-Indic digit
    };
    for (const Case& c : cases) {
        uint16_t revision = 4242;
        EXPECT_EQ(ParseRevisionReply(c.reply, L"V", revision), c.accepted) << PrintableText(c.reply).c_str();
        EXPECT_EQ(revision, c.accepted ? c.revision : 4242) << PrintableText(c.reply).c_str();
    }
}

} // namespace
