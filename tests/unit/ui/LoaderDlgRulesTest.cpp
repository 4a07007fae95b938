// The end of a load as the loader dialog and mt6402util load report it, and who may be sent firmware.
#include "ui/LoaderDlgRules.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "FakeStateMachines.h"
#include "machines/ContactOutcome.h"
#include "model/StatusCodes.h"

namespace {

using Lines = std::vector<std::pair<LoaderLine, std::wstring>>;

Lines Complete(FakeLoaderMachine& machine, uint32_t result, uint32_t& outcome)
{
    Lines lines;
    outcome = CompleteLoad(machine, result,
                           [&](LoaderLine kind, const std::wstring& text) { lines.emplace_back(kind, text); });
    return lines;
}

constexpr wchar_t kAdvice[] = L"Make sure the MT6402 is powered and its cable connected, then send the firmware "
                              L"again; if the MT6402 does not answer, remove its power first.";

TEST(LoaderCompletion, AVerifiedLoadSaysSoWithTheStatisticsOnlyWhenThereWereRetries)
{
    for (uint32_t retries : {0u, 12u}) {
        SCOPED_TRACE(retries);
        FakeLoaderMachine machine;
        machine.totalRetries = retries;
        machine.highestRetries = retries ? 7 : 0;
        uint32_t outcome = 1;
        Lines lines = Complete(machine, STATUS_OK, outcome);
        Lines expected;
        if (retries) {
            expected.emplace_back(LoaderLine::Report, L"Total number of retries was 12");
            expected.emplace_back(LoaderLine::Report, L"Highest number of retries for any block was 7");
        }
        expected.emplace_back(LoaderLine::Verbose, L"MT6402 verification succeeded");
        expected.emplace_back(LoaderLine::Report, L"MT6402 firmware load is complete");
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(outcome, STATUS_OK);
        EXPECT_EQ(machine.verifies, std::vector<bool>{true}); // the revision line always
    }
}

TEST(LoaderCompletion, AFailureShowsItsCodeAndTextAndWhatToDoUnlessTheDeviceIsForeign)
{
    struct Case {
        uint32_t result;       // what StatusReset brought
        uint32_t verifyResult; // what the revision check finds
        uint32_t outcome;
        const wchar_t* codeLine;
        bool advice;
        bool verified;
    } cases[] = {
        {STATUS_OK, MSG_REVISION_MISMATCH, MSG_REVISION_MISMATCH,
         L"Error code 0xE2000046: Revision number verification failed", true, true},
        {MSG_RETRY_LIMIT, 0, MSG_RETRY_LIMIT, L"Error code 0xE2000044: Retry limit has been exhausted", true, false},
        {MSG_RECONCILIATION_WORD_ZERO, 0, MSG_RECONCILIATION_WORD_ZERO,
         L"Error code 0xA2000047: The computed checksum reconciliation word is zero", true, false},
        {MSG_UNEXPECTED_DEVICE, 0, MSG_UNEXPECTED_DEVICE, L"Error code 0xE200004E: Unexpected device (e.g. HB7 vs QP5)",
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codeLine);
        FakeLoaderMachine machine;
        machine.verifyResult = c.verifyResult;
        uint32_t outcome = 0;
        Lines lines = Complete(machine, c.result, outcome);
        Lines expected{{LoaderLine::Report, c.codeLine}};
        if (c.advice)
            expected.emplace_back(LoaderLine::Report, kAdvice);
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(machine.verifies.size(), c.verified ? 1u : 0u);
    }
}

TEST(LoaderCompletion, TheStatusLineShowsTheModuleAsTheLoadBegins)
{
    EXPECT_EQ(LoaderStatusLine(112, 9600), L"MT6402 revision 01.12. RS-232 speed 9600 bit/s.");
    EXPECT_EQ(LoaderStatusLine(0, 9600), L"MT6402 revision ??.??. RS-232 speed 9600 bit/s.");
}

TEST(StatusForLoad, AModuleAnsweringThePollButNotVIsAWaitingLoader)
{
    struct Case {
        const char* name;
        FIRMWARESTATUS status;
        bool portOpen;
        bool contactComplete;
        uint32_t contactResult;
        FIRMWARESTATUS expected;
    } cases[] = {
        {"firmware runs", FirmwareStatusRunning, true, true, STATUS_OK, FirmwareStatusRunning},
        {"loader known to wait", FirmwareStatusLoaderWaiting, true, true, STATUS_OK, FirmwareStatusLoaderWaiting},
        {"poll answered, V not", FirmwareStatusNone, true, true, MSG_NO_REVISION_RESPONSE, FirmwareStatusLoaderWaiting},
        {"... but the port closed since", FirmwareStatusNone, false, true, MSG_NO_REVISION_RESPONSE, FirmwareStatusNone},
        {"still polling", FirmwareStatusNone, true, false, MSG_NO_REVISION_RESPONSE, FirmwareStatusNone},
        {"port did not open", FirmwareStatusNone, false, true, 5, FirmwareStatusNone},
        {"cancelled", FirmwareStatusNone, true, true, 1223, FirmwareStatusNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatusForLoad(c.status, c.portOpen, c.contactComplete, c.contactResult), c.expected) << c.name;
}

} // namespace
