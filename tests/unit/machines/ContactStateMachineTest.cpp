// The contact machine: poll schedule, contact, revision query, open failures, closing, cancelling and tracing.
#include "machines/ContactStateMachine.h"
#include "model/ErrorText.h"
#include "model/Format.h"
#include "model/StatusCodes.h"

#include <gtest/gtest.h>

#include "MachineFixture.h"

namespace {

constexpr uintptr_t kTimer = CContactStateMachine::StateTimerId;
const std::wstring kPort = L"COM3";

class ContactMachineTest : public testing::Test, public MachineFixture {
protected:
    ContactMachineTest() : MachineFixture(CreateContactStateMachine)
    {
        machine = static_cast<CContactStateMachine*>(model.ContactMachine());
        frame.machines = {machine};
        model.Port.Set(kPort);
        model.InstalledRevision.Advise(&observer);
        model.FirmwareStatus.Advise(&observer);
    }

    // Opens the port and answers the first poll, so the machine asks for the revision.
    void MakeContact()
    {
        machine->TestCommunications();
        Arrive(";");
        ASSERT_EQ(port->writes.back(), "V");
    }

    size_t Count(const std::string& command) const
    {
        size_t n = 0;
        for (const auto& w : port->writes)
            n += w == command;
        return n;
    }

    CContactStateMachine* machine = nullptr;
    RecordingTarget observer;
};

TEST_F(ContactMachineTest, ANewMachineIsCompleteAndTouchesNothing)
{
    EXPECT_TRUE(machine->IsComplete());
    EXPECT_TRUE(port->opens.empty());
    EXPECT_EQ(timers.RunningCount(), 0u);
}

TEST_F(ContactMachineTest, PollsFourTimesAtEachDelayGrowingByHalfUpToFiveSecondsForEver)
{
    machine->TestCommunications();
    std::vector<uint32_t> expected;
    for (uint32_t delay : {100u, 150u, 225u, 337u, 505u, 757u, 1135u, 1702u, 2553u, 3829u})
        expected.insert(expected.end(), 4, delay);
    expected.insert(expected.end(), 40, 5000u);
    while (timers.starts.size() < expected.size())
        ASSERT_TRUE(timers.FireNext());

    EXPECT_EQ(TimerIntervals(kTimer), expected);
    // Each poll goes out the moment the previous wait ends, on a purged port.
    uint32_t due = timers.starts.front().tick;
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(timers.starts[i].target, &frame);
        ASSERT_EQ(timers.starts[i].tick, due) << "poll " << i;
        due += expected[i];
    }
    EXPECT_EQ(port->writes, std::vector<std::string>(expected.size(), ";"));
    EXPECT_EQ(port->purges, expected.size());
    EXPECT_FALSE(machine->IsComplete());
}

TEST_F(ContactMachineTest, OpensThePortAt9600AndReportsItsProgress)
{
    port->ForceSpeed(19200);
    machine->TestCommunications();
    EXPECT_EQ(port->opens, std::vector<std::wstring>{kPort});
    EXPECT_EQ(port->Speed(), 9600u);
    EXPECT_EQ(model.PortOpen.Get(), 1);
    EXPECT_EQ(frame.Texts(WM_VERBOSE_TEXT),
              (std::vector<std::wstring>{L"Opening Serial Port COM3", L"Serial Port COM3 is open"}));
    EXPECT_EQ(frame.Texts(WM_REPORT_TEXT),
              std::vector<std::wstring>{L"Attempting to contact MT6402 on port COM3 at 9600 bit/s"});
    EXPECT_EQ(port->writes, std::vector<std::string>{";"});
}

TEST_F(ContactMachineTest, AnyReplyEndingInASemicolonCountsAsContact)
{
    for (const char* reply : {";", "OK;", "\x01\xFF;", "V9.99;"}) {
        SCOPED_TRACE(reply);
        port->writes.clear();
        machine->TestCommunications();
        timers.Advance(250); // a few silent polls first
        Arrive(reply);
        ASSERT_FALSE(port->writes.empty());
        EXPECT_EQ(port->writes.back(), "V");
        EXPECT_EQ(timers.Interval(frame, kTimer), 500u);
    }
}

TEST_F(ContactMachineTest, ARevisionReplySetsTheRevisionAndTheRunningStatus)
{
    struct Case {
        const char* reply;
        uint16_t revision;
    };
    for (const Case& c : {Case{"V1.23;", 123}, Case{"V1.12;", 112}, Case{"V0.07;", 7}, Case{"V9.99;", 999}}) {
        SCOPED_TRACE(c.reply);
        MakeContact();
        observer.messages.clear();
        Arrive(c.reply);
        EXPECT_TRUE(machine->IsComplete());
        EXPECT_EQ(machine->Result(), STATUS_OK);
        EXPECT_EQ(model.InstalledRevision.Get(), c.revision);
        EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusRunning);
        EXPECT_EQ(timers.RunningCount(), 0u);
        // The revision is told before the status, so a status observer reads the new revision.
        std::vector<uint32_t> told;
        for (const auto& m : observer.messages)
            if (m.message == WM_MODEL_INSTALLED_REVISION || m.message == WM_MODEL_FIRMWARE_STATUS)
                told.push_back(m.message);
        EXPECT_EQ(told, (std::vector<uint32_t>{WM_MODEL_INSTALLED_REVISION, WM_MODEL_FIRMWARE_STATUS}));
    }
}

TEST_F(ContactMachineTest, RepliesSplitOverSeveralEventsAreAssembledAndJudgedOnce)
{
    machine->TestCommunications();
    Arrive("O");
    Arrive("K");
    EXPECT_EQ(port->writes, std::vector<std::string>{";"});
    Arrive(";");
    EXPECT_EQ(port->writes, (std::vector<std::string>{";", "V"}));
    observer.messages.clear();
    Arrive("V1");
    Arrive(".");
    EXPECT_FALSE(machine->IsComplete());
    Arrive("23;");
    EXPECT_EQ(model.InstalledRevision.Get(), 123);
    EXPECT_EQ(observer.Texts(WM_MODEL_INSTALLED_REVISION).size(), 1u);
    EXPECT_TRUE(machine->IsComplete());
}

TEST_F(ContactMachineTest, AFailedReadKeepsThePartOfTheReplyAlreadyRead)
{
    MakeContact();
    Arrive("V1.");
    port->readError = 1117;
    Arrive("2");
    EXPECT_EQ(port->Pending(), "2");
    port->readError = 0;
    Arrive("3;");
    EXPECT_EQ(model.InstalledRevision.Get(), 123);
    EXPECT_TRUE(machine->IsComplete());
}

TEST_F(ContactMachineTest, BytesAfterTheTerminatorStayInThePortUntilTheNextCommandPurgesThem)
{
    machine->TestCommunications();
    Arrive(";tail");
    // The contact reply ended at ";"; the revision query that followed purged the rest.
    EXPECT_EQ(port->writes.back(), "V");
    EXPECT_EQ(port->Pending(), "");
    Arrive("V1.23;XYZ");
    EXPECT_TRUE(machine->IsComplete());
    EXPECT_EQ(port->Pending(), "XYZ");
}

TEST_F(ContactMachineTest, RepliesInAnotherFormAreDroppedAndVIsSentTenTimesBeforeTheMachineGivesUp)
{
    for (const char* reply : {"V1.2;", "X1.23;", "V12.3;", "V1.x3;", "v1.23;", "V;"}) {
        SCOPED_TRACE(reply);
        MakeContact();
        const size_t before = timers.starts.size();
        while (!machine->IsComplete()) {
            Arrive(reply);
            ASSERT_TRUE(timers.FireNext());
        }
        EXPECT_EQ(Count("V"), 10u);
        const std::vector<uint32_t> intervals = TimerIntervals(kTimer);
        EXPECT_EQ(std::vector<uint32_t>(intervals.end() - 10, intervals.end()), std::vector<uint32_t>(10, 500u));
        EXPECT_EQ(timers.starts.size() - before, 9u); // the first V's wait started before `before`
        EXPECT_EQ(machine->Result(), MSG_NO_REVISION_RESPONSE);
        EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusNone);
        EXPECT_EQ(model.InstalledRevision.Get(), 0);
        EXPECT_EQ(model.PortOpen.Get(), 1); // the port stays open for the user to try again
        port->writes.clear();
    }
}

TEST_F(ContactMachineTest, AnEmptyPortNameEndsAtOnceWithoutTouchingThePort)
{
    model.Port.Set(L"");
    frame.messages.clear();
    EXPECT_TRUE(machine->TestCommunications());
    EXPECT_TRUE(machine->IsComplete());
    EXPECT_EQ(machine->Result(), MSG_PORT_NAME_MISSING);
    EXPECT_TRUE(port->opens.empty());
    EXPECT_TRUE(port->writes.empty());
    EXPECT_EQ(port->closes, 0u);
    EXPECT_TRUE(frame.Texts(WM_REPORT_TEXT).empty());
    EXPECT_TRUE(frame.Texts(WM_VERBOSE_TEXT).empty());
    EXPECT_EQ(timers.RunningCount(), 0u);
}

TEST_F(ContactMachineTest, APortThatCannotBeOpenedGivesOneErrorLineAndEndsTheMachine)
{
    struct Case {
        uint32_t code;
        std::wstring line;
    };
    const Case cases[] = {
        {5, L"Serial port \"COM3\" access denied; may be in use by another program or USB cable may have been "
            L"removed."},
        {2, Format(L"Unable to open serial port \"COM3\". Error 0x00000002: %s", ErrorText(2))},
        {1117, Format(L"Unable to open serial port \"COM3\". Error 0x0000045D: %s", ErrorText(1117))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        port->openError = c.code;
        frame.messages.clear();
        machine->TestCommunications();
        EXPECT_TRUE(machine->IsComplete());
        EXPECT_EQ(machine->Result(), c.code);
        EXPECT_EQ(frame.Texts(WM_REPORT_TEXT), std::vector<std::wstring>{c.line});
        EXPECT_EQ(frame.Texts(WM_VERBOSE_TEXT), std::vector<std::wstring>{L"Opening Serial Port COM3"});
        EXPECT_EQ(model.PortOpen.Get(), 0);
        EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusNone);
        EXPECT_TRUE(port->writes.empty());
    }
}

TEST_F(ContactMachineTest, AFailedSendEndsTheMachineWithItsCode)
{
    struct Case {
        const char* name;
        bool afterContact;
        uint32_t FakeSerialPort::*failure;
        std::vector<std::wstring> portReports;
    };
    const Case cases[] = {
        {"poll write", false, &FakeSerialPort::writeError, {}},
        {"poll purge", false, &FakeSerialPort::purgeError, {L"PurgeComm"}},
        {"query write", true, &FakeSerialPort::writeError, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MachineFixture fresh(CreateContactStateMachine);
        auto* m = static_cast<CContactStateMachine*>(fresh.model.ContactMachine());
        fresh.frame.machines = {m};
        fresh.model.Port.Set(kPort);
        if (!c.afterContact)
            fresh.port->*c.failure = 1117;
        m->TestCommunications();
        if (c.afterContact) {
            fresh.port->*c.failure = 1117;
            fresh.Arrive(";");
        }
        EXPECT_TRUE(m->IsComplete());
        EXPECT_EQ(m->Result(), 1117u);
        EXPECT_EQ(fresh.timers.RunningCount(), 0u);
        std::vector<std::wstring> reported;
        for (const auto& e : fresh.port->errors)
            reported.push_back(e.operation);
        EXPECT_EQ(reported, c.portReports);
        EXPECT_EQ(fresh.model.FirmwareStatus.Get(), FirmwareStatusNone);
    }
}

TEST_F(ContactMachineTest, TestCommunicationsOnAnOpenPortClosesItResetsTheDeviceValuesAndReopens)
{
    MakeContact();
    Arrive("V1.23;");
    ASSERT_EQ(model.FirmwareStatus.Get(), FirmwareStatusRunning);
    frame.messages.clear();
    port->writes.clear();

    machine->TestCommunications();
    EXPECT_EQ(port->closes, 1u);
    EXPECT_EQ(port->opens, (std::vector<std::wstring>{kPort, kPort}));
    EXPECT_EQ(frame.Texts(WM_VERBOSE_TEXT),
              (std::vector<std::wstring>{L"Serial port COM3 is closed", L"Opening Serial Port COM3",
                                         L"Serial Port COM3 is open"}));
    EXPECT_EQ(model.InstalledRevision.Get(), 0);
    EXPECT_EQ(model.SerialNumber.Get(), SERIAL_NUMBER_NONE);
    EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusNone);
    EXPECT_EQ(port->writes, std::vector<std::string>{";"});
    EXPECT_EQ(timers.Interval(frame, kTimer), 100u);
}

TEST_F(ContactMachineTest, AStartWhileRunningRestartsAtOnceWithTheFirstDelay)
{
    machine->TestCommunications();
    timers.Advance(3000); // the delay has grown by now
    ASSERT_GT(timers.Interval(frame, kTimer), 100u);
    model.Port.Set(L"COM4");
    frame.messages.clear();
    machine->TestCommunications();
    // The line names the port that was open, not the newly chosen one.
    EXPECT_EQ(frame.Texts(WM_VERBOSE_TEXT).front(), L"Serial port COM3 is closed");
    EXPECT_EQ(port->opens.back(), L"COM4");
    EXPECT_EQ(timers.Interval(frame, kTimer), 100u);
    EXPECT_FALSE(machine->IsComplete());
}

// Start-up asks for a test three times within moments: one attempt, one "Attempting" line, one open.
TEST_F(ContactMachineTest, ATestAskedForMomentsAfterOneOfTheSamePortBeganJoinsIt)
{
    struct Case {
        const char* name;
        uint32_t startTick;  // the clock when the first test begins
        uint32_t laterMs;    // when the second is asked for
        const wchar_t* port; // the port then chosen
        const char* replies; // what the module answered in between
        bool joins;
    } cases[] = {
        {"at once", 0, 0, L"COM3", "", true},
        {"just inside", 0, CContactStateMachine::JoinWindowMs - 1, L"COM3", "", true},
        {"across the clock's wrap", 0xFFFFFF00u, 0x200, L"COM3", "", true},
        {"a second later", 0, CContactStateMachine::JoinWindowMs, L"COM3", "", false},
        {"another port", 0, 0, L"COM4", "", false},
        {"the poll answered", 0, 10, L"COM3", ";", false},
        {"the test over", 0, 10, L"COM3", ";V1.23;", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model.Port.Set(kPort);
        machine->ClosePortNow();
        port->opens.clear();
        frame.messages.clear();
        timers.SetTickCount(c.startTick);
        machine->TestCommunications();
        for (std::string reply = c.replies; !reply.empty();) {
            const size_t end = reply.find(';') + 1;
            Arrive(reply.substr(0, end));
            reply.erase(0, end);
        }
        timers.Advance(c.laterMs);
        model.Port.Set(c.port);
        machine->TestCommunications();
        const size_t attempts = c.joins ? 1 : 2;
        EXPECT_EQ(port->opens.size(), attempts);
        size_t lines = 0;
        for (const std::wstring& line : frame.Texts(WM_REPORT_TEXT))
            lines += line.rfind(L"Attempting to contact MT6402", 0) == 0;
        EXPECT_EQ(lines, attempts);
        EXPECT_FALSE(machine->IsComplete());
    }
}

TEST_F(ContactMachineTest, ClosePortNowEndsPollingClosesThePortAndStopsTheTimer)
{
    machine->TestCommunications();
    timers.Advance(1000);
    const size_t polls = port->writes.size();
    frame.messages.clear();
    EXPECT_TRUE(machine->ClosePortNow());
    EXPECT_TRUE(machine->IsComplete());
    EXPECT_EQ(model.PortOpen.Get(), 0);
    EXPECT_EQ(frame.Texts(WM_VERBOSE_TEXT), std::vector<std::wstring>{L"Serial port COM3 is closed"});
    EXPECT_FALSE(timers.IsRunning(frame, kTimer));
    EXPECT_FALSE(timers.FireNext());
    EXPECT_EQ(port->writes.size(), polls);
}

TEST_F(ContactMachineTest, ClosePortNowOnAClosedPortSaysNothing)
{
    EXPECT_TRUE(machine->ClosePortNow());
    EXPECT_TRUE(machine->IsComplete());
    EXPECT_EQ(port->closes, 0u);
    EXPECT_TRUE(frame.Texts(WM_VERBOSE_TEXT).empty());
}

TEST_F(ContactMachineTest, QueryRevisionWhileATestRunsChangesNothing)
{
    machine->TestCommunications();
    const auto writes = port->writes;
    const auto starts = timers.starts.size();
    EXPECT_FALSE(machine->QueryRevision());
    EXPECT_EQ(port->writes, writes);
    EXPECT_EQ(timers.starts.size(), starts);
    timers.Advance(100);
    EXPECT_EQ(port->writes.back(), ";"); // still polling
}

TEST_F(ContactMachineTest, QueryRevisionOnAnIdleOpenPortReadsTheRevision)
{
    MakeContact();
    Arrive("V1.23;");
    port->writes.clear();
    EXPECT_TRUE(machine->QueryRevision());
    EXPECT_EQ(port->writes, std::vector<std::string>{"V"});
    Arrive("V1.24;");
    EXPECT_EQ(model.InstalledRevision.Get(), 124);
    EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusRunning);
}

TEST_F(ContactMachineTest, CancelOnACompleteMachineReturnsFalseAndKeepsTheResult)
{
    model.Port.Set(L"");
    machine->TestCommunications();
    EXPECT_FALSE(machine->Cancel());
    EXPECT_EQ(machine->Result(), MSG_PORT_NAME_MISSING);
}

TEST_F(ContactMachineTest, CancelWhilePollingEndsTheMachineAtItsNextPollWithoutWriting)
{
    machine->TestCommunications();
    const size_t polls = port->writes.size();
    EXPECT_TRUE(machine->Cancel());
    EXPECT_EQ(machine->Result(), ERROR_CODE_CANCELLED);
    EXPECT_FALSE(machine->IsComplete()); // it stops at its next command step
    ASSERT_TRUE(timers.FireNext());
    EXPECT_TRUE(machine->IsComplete());
    EXPECT_EQ(port->writes.size(), polls);
    EXPECT_EQ(machine->Result(), ERROR_CODE_CANCELLED);
    EXPECT_EQ(model.PortOpen.Get(), 1);
}

TEST_F(ContactMachineTest, CancelKeepsAFailureAlreadyRecorded)
{
    machine->TestCommunications();
    machine->SetResult(MSG_NO_REVISION_RESPONSE);
    EXPECT_TRUE(machine->Cancel());
    EXPECT_EQ(machine->Result(), MSG_NO_REVISION_RESPONSE);
}

TEST_F(ContactMachineTest, ATimerWithAnotherIdDoesNothing)
{
    machine->TestCommunications();
    const size_t polls = port->writes.size();
    const unsigned kills = timers.kills;
    bool handled = true;
    EXPECT_EQ(machine->OnTimer(WM_STATE_TIMER, 6, 0, handled), 0);
    EXPECT_FALSE(handled);
    EXPECT_EQ(port->writes.size(), polls);
    EXPECT_TRUE(timers.IsRunning(frame, kTimer));
    EXPECT_EQ(timers.kills, kills);
}

TEST_F(ContactMachineTest, WithoutANotifyWindowTheMachineEndsInsteadOfWaitingForEver)
{
    model.SetNotifyWindow(nullptr);
    machine->TestCommunications();
    EXPECT_TRUE(machine->IsComplete());
    EXPECT_EQ(machine->Result(), 1400u);
}

TEST_F(ContactMachineTest, TraceLinesAreMadeOnlyWhileTraceIsOnAndNeverReachTheWindow)
{
    std::vector<std::wstring> traced;
    machine->SetTraceSink([&](const std::wstring& line) { traced.push_back(line); });
    auto conversation = [&] {
        machine->TestCommunications();
        timers.Advance(130);
        Arrive("\x01OK;");
        Arrive("V1.23;");
    };

    conversation();
    EXPECT_TRUE(traced.empty());

    model.Trace.Set(1);
    frame.messages.clear();
    conversation();
    EXPECT_EQ(traced, (std::vector<std::wstring>{
                          L"EstablishContactState Send \";\"",
                          L"EstablishContactState Timer Elapsed 100 ms",
                          L"EstablishContactState Send \";\"",
                          L"EstablishContactState Response \"\\x01OK;\"  30 ms",
                          L"QueryRevisionState Send \"V\"",
                          L"QueryRevisionState Response \"V1.23;\"   0 ms",
                      }));
    for (const auto& m : frame.messages)
        EXPECT_EQ(m.text.find(L"State "), std::wstring::npos) << "a trace line reached the window";
}

TEST_F(ContactMachineTest, ReleaseLeavesTheMachineToTheModel)
{
    machine->TestCommunications();
    machine->Release();
    EXPECT_EQ(model.ContactMachine(), machine);
    EXPECT_FALSE(machine->IsComplete());
}

} // namespace
