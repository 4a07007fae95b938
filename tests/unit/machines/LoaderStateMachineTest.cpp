// The firmware loader machine: image checks, the conversation, the download blocks, retries, resynchronisation, verification.
#include "machines/DownloadBlock.h"
#include "machines/McuLoaderStateMachine.h"
#include "model/StatusCodes.h"
#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "../firmware/HexText.h"
#include "MachineFixture.h"
#include "TempFolder.h"

namespace {

constexpr uintptr_t kTimer = CMcuLoaderStateMachine::StateTimerId;
constexpr uint32_t kBase = 0x0800;
constexpr uint32_t kEnd = 0x7DC0;
constexpr size_t kImageSize = kEnd - kBase;
constexpr size_t kImageBlocks = kImageSize / 64; // 471

// A full image with varied bytes whose big-endian word sum is zero thanks to the word at 0x0800.
std::vector<uint8_t> ReconciledImage()
{
    std::vector<uint8_t> image(kImageSize);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 31 + (i >> 7));
    image[0] = image[1] = 0;
    unsigned sum = 0;
    for (size_t i = 0; i < image.size(); i += 2)
        sum += unsigned{image[i]} << 8 | image[i + 1];
    const uint16_t word = static_cast<uint16_t>(0x10000u - (sum & 0xFFFFu));
    image[0] = static_cast<uint8_t>(word >> 8);
    image[1] = static_cast<uint8_t>(word);
    return image;
}

// Intel HEX text giving `image` at 0x0800 in records of 16 bytes.
std::string ImageHex(const std::vector<uint8_t>& image)
{
    std::string text;
    for (size_t offset = 0; offset < image.size(); offset += 16) {
        const size_t n = std::min<size_t>(16, image.size() - offset);
        text += HexData(static_cast<uint16_t>(kBase + offset),
                        std::vector<uint8_t>(image.begin() + offset, image.begin() + offset + n));
    }
    return text + kHexEnd;
}

// A data record at 0x0800 whose checksum is one too high.
std::string BadChecksumRecord()
{
    std::string record = HexData(0x0800, {0x01, 0x02}); // ":020800000102F3"
    record[record.size() - 3] = '4';
    return record;
}

uint8_t SumOf(const std::string& bytes)
{
    return static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u,
                                                [](unsigned s, char c) { return s + static_cast<uint8_t>(c); }));
}

// The block the module must receive for the image bytes at `address`.
std::string ExpectedBlock(const std::vector<uint8_t>& image, uint32_t address, uint8_t byte66, bool marker)
{
    std::string block(image.begin() + (address - kBase), image.begin() + (address - kBase) + 64);
    if (marker) {
        block[0] = static_cast<char>(0xDE);
        block[1] = static_cast<char>(0xAD);
    }
    block += static_cast<char>(address & 0xFF);
    block += static_cast<char>((address >> 8) & 0xFF);
    block += static_cast<char>(byte66);
    block += static_cast<char>(0x100 - SumOf(block));
    return block;
}

class LoaderMachineTest : public testing::Test, public MachineFixture {
protected:
    LoaderMachineTest()
    {
        model.SetLoaderMachineFactory(CreateMcuLoaderStateMachine);
        image = ReconciledImage();
        UseFile(L"qmcu0124.hex", ImageHex(image));
        model.StatusReset.Advise(&observer);
        model.ProgressMaximum.Advise(&observer);
        model.ProgressPosition.Advise(&observer);
        observer.messages.clear();
    }

    void UseFile(const wchar_t* name, const std::string& text)
    {
        filePath = folder.WriteFile(name, text);
        model.FirmwareFile.Set(CRevisionedFileName(filePath));
    }

    // A new machine from the model's factory (so it sees the current retry limit) on an open port
    // with the module in `status`.
    void CreateMachine(FIRMWARESTATUS status = FirmwareStatusRunning)
    {
        if (model.PortOpen.Get() == 0) {
            ASSERT_TRUE(model.OpenPort(L"COM4"));
        }
        model.FirmwareStatus.Set(status);
        model.InstalledRevision.Set(123);
        machine = static_cast<CMcuLoaderStateMachine*>(model.CreateLoaderMachine());
        ASSERT_NE(machine, nullptr);
        frame.machines = {machine};
    }

    // Start, poll answered, 2 s after "D", "D" echoed: the first block is on the wire.
    void RunToFirstBlock()
    {
        ASSERT_NO_FATAL_FAILURE(CreateMachine());
        ASSERT_TRUE(machine->StartLoad(&dialog));
        Arrive(";");
        ASSERT_TRUE(timers.FireNext());
        Arrive("D");
        ASSERT_EQ(port->writes.size(), 4u);
        ASSERT_EQ(port->writes.back().size(), kDownloadBlockSize);
    }

    // Accepts blocks until block `index` is on the wire (0-based: 470 is the last image block,
    // 471 the final block).
    void SendBlocksThrough(size_t index)
    {
        for (;;) {
            const std::vector<std::string> blocks = Blocks();
            ASSERT_FALSE(blocks.empty());
            const size_t last = BlockIndex(blocks.back());
            if (last >= index)
                return;
            Arrive("A");
            ASSERT_EQ(BlockIndex(Blocks().back()), last + 1);
        }
    }

    // The block's place in the load: its address's block number, kImageBlocks for the final block.
    static size_t BlockIndex(const std::string& block)
    {
        if (static_cast<uint8_t>(block[66]) == 0x02)
            return kImageBlocks;
        const uint32_t address = static_cast<uint8_t>(block[64]) | static_cast<uint8_t>(block[65]) << 8;
        return (address - kBase) / 64;
    }

    std::vector<std::string> Blocks() const
    {
        std::vector<std::string> blocks;
        for (const auto& w : port->writes)
            if (w.size() == kDownloadBlockSize)
                blocks.push_back(w);
        return blocks;
    }
    size_t BlockCount() const { return Blocks().size(); }

    std::vector<uintptr_t> StatusResets() const
    {
        std::vector<uintptr_t> codes;
        for (const auto& m : observer.messages)
            if (m.message == WM_STATUS_RESET)
                codes.push_back(m.wParam);
        return codes;
    }

    std::vector<std::wstring> Lines() const { return dialog.Texts(WM_LOADER_LINE); }

    // What was written after the last block, each write as a string.
    std::vector<std::string> WritesSinceLastBlock() const
    {
        std::vector<std::string> after;
        for (const auto& w : port->writes) {
            if (w.size() == kDownloadBlockSize)
                after.clear();
            else
                after.push_back(w);
        }
        return after;
    }

    TempFolder folder;
    std::wstring filePath;
    std::vector<uint8_t> image;
    RecordingTarget dialog;
    RecordingTarget observer;
    CMcuLoaderStateMachine* machine = nullptr;
};

TEST_F(LoaderMachineTest, ACleanLoadSendsEveryBlockThenTheFinalOneAndReadsTheNewRevision)
{
    port->ForceSpeed(19200);
    ASSERT_NO_FATAL_FAILURE(CreateMachine());
    ASSERT_TRUE(machine->StartLoad(&dialog));
    EXPECT_EQ(model.ProgressMaximum.Get(), 235u);
    Arrive(";");
    EXPECT_EQ(port->writes.back(), "D");
    EXPECT_TRUE(port->speedChanges.empty()) << "the speed changes only once the firmware has had 2 s";
    ASSERT_TRUE(timers.FireNext());
    EXPECT_EQ(port->speedChanges, std::vector<uint32_t>{9600});
    Arrive("xyD"); // only the last character counts
    EXPECT_EQ(model.InstalledRevision.Get(), 0xFFFE);
    EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusLoaderWaiting);
    SendBlocksThrough(kImageBlocks);
    ASSERT_EQ(BlockCount(), kImageBlocks + 1);
    Arrive("B");
    EXPECT_TRUE(timers.IsRunning(frame, kTimer));
    ASSERT_TRUE(timers.FireNext()); // the 3 s reset
    Arrive(";");
    Arrive("V1.24;");

    ASSERT_TRUE(machine->IsComplete());
    EXPECT_EQ(StatusResets(), std::vector<uintptr_t>{0});
    EXPECT_EQ(model.InstalledRevision.Get(), 124);
    EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusRunning);
    EXPECT_EQ(model.ProgressPosition.Get(), 235u);
    EXPECT_EQ(machine->GetTotalRetries(), 0u);
    EXPECT_EQ(machine->GetHighestRetries(), 0u);
    EXPECT_EQ(machine->GetFileName(), filePath);

    // The wire: ";", "D", "D", 471 blocks, the final block, ";", "V" - every write after a purge.
    const std::vector<std::string>& w = port->writes;
    ASSERT_EQ(w.size(), 3 + kImageBlocks + 1 + 2);
    EXPECT_EQ(std::vector<std::string>(w.begin(), w.begin() + 3), (std::vector<std::string>{";", "D", "D"}));
    EXPECT_EQ(std::vector<std::string>(w.end() - 2, w.end()), (std::vector<std::string>{";", "V"}));
    EXPECT_EQ(port->purges, w.size() + 1); // and once more for the change to 9600 bit/s
    const std::vector<std::string> blocks = Blocks();
    EXPECT_EQ(blocks.front(), ExpectedBlock(image, kBase, 0x00, true));
    EXPECT_EQ(static_cast<uint8_t>(blocks.front()[0]), 0xDE);
    EXPECT_EQ(static_cast<uint8_t>(blocks.front()[1]), 0xAD);
    for (size_t k = 1; k < kImageBlocks; ++k)
        ASSERT_EQ(blocks[k], ExpectedBlock(image, static_cast<uint32_t>(kBase + 64 * k), 0x00, false)) << k;
    EXPECT_EQ(blocks.back(), ExpectedBlock(image, kBase, 0x02, false));
    EXPECT_EQ(blocks.back().substr(64, 3), std::string("\x00\x08\x02", 3));
    for (const auto& block : blocks)
        ASSERT_EQ(SumOf(block), 0);

    std::vector<uint32_t> intervals{100, 2000, 5000};
    intervals.insert(intervals.end(), kImageBlocks + 1, 2000);
    intervals.insert(intervals.end(), {3000, 100, 500});
    EXPECT_EQ(TimerIntervals(kTimer), intervals);

    const std::vector<std::wstring> lines{L"Sending firmware file " + filePath + L" to MT6402",
                                          L"Waiting 3 seconds for reset to complete"};
    EXPECT_EQ(Lines(), lines);
    EXPECT_EQ(frame.Texts(WM_REPORT_TEXT), lines);
}

TEST_F(LoaderMachineTest, ProgressCountsTwoBlocksPerStep)
{
    ASSERT_NO_FATAL_FAILURE(RunToFirstBlock());
    SendBlocksThrough(4);
    size_t notifications = 0;
    for (const auto& m : observer.messages)
        notifications += m.message == WM_MODEL_PROGRESS_POSITION;
    // StartLoad's reset to 0, then one per block built: blocks 0 to 4 give 0, 0, 1, 1, 2.
    EXPECT_EQ(notifications, 1u + 5u);
    EXPECT_EQ(model.ProgressPosition.Get(), 2u);
    SendBlocksThrough(5);
    EXPECT_EQ(model.ProgressPosition.Get(), 2u);
    SendBlocksThrough(6);
    EXPECT_EQ(model.ProgressPosition.Get(), 3u);
}

TEST_F(LoaderMachineTest, AModuleWhoseFirmwareDoesNotRunGetsASingleDAndKeepsItsSpeed)
{
    for (FIRMWARESTATUS status : {FirmwareStatusNone, FirmwareStatusLoaderWaiting}) {
        SCOPED_TRACE(status);
        port->writes.clear();
        port->ForceSpeed(19200);
        ASSERT_NO_FATAL_FAILURE(CreateMachine(status));
        ASSERT_TRUE(machine->StartLoad(&dialog));
        Arrive(";");
        EXPECT_EQ(port->writes, (std::vector<std::string>{";", "D"}));
        EXPECT_EQ(timers.Interval(frame, kTimer), 5000u);
        Arrive("D");
        EXPECT_EQ(BlockCount(), 1u);
        EXPECT_TRUE(port->speedChanges.empty());
        machine->Release();
        // Released mid-load: its timer stops with it, so nothing keeps waking the notify window.
        EXPECT_FALSE(timers.IsRunning(frame, kTimer));
    }
}

TEST_F(LoaderMachineTest, NoDEchoTellsTheUserToRemovePowerAndForgetsTheModule)
{
    ASSERT_NO_FATAL_FAILURE(CreateMachine());
    model.SerialNumber.Set(4711);
    ASSERT_TRUE(machine->StartLoad(&dialog));
    Arrive(";");
    ASSERT_TRUE(timers.FireNext());
    Arrive("A"); // not a "D": the reply is not complete and the timer decides
    ASSERT_TRUE(timers.FireNext());

    ASSERT_TRUE(machine->IsComplete());
    EXPECT_EQ(StatusResets(), std::vector<uintptr_t>{MSG_NO_D_ECHO});
    EXPECT_EQ(Lines(), std::vector<std::wstring>{
                           L"MT6402 Bootstrap Loader did not echo \"D\"\r\nRemove power and retry firmware load"});
    EXPECT_EQ(model.InstalledRevision.Get(), 0);
    EXPECT_EQ(model.SerialNumber.Get(), SERIAL_NUMBER_NONE);
    EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusNone);
    EXPECT_EQ(BlockCount(), 0u);
}

TEST_F(LoaderMachineTest, NoAnswerToThePollBeforeOrAfterTheResetOrToTheRevisionQueryEndsTheLoad)
{
    struct Case {
        const char* name;
        int silentStage; // 0 first poll, 1 poll after the reset, 2 revision query
        uint32_t code;
        size_t silentWrites;
        const char* command;
    };
    const Case cases[] = {
        {"before", 0, MSG_NO_RESPONSE_AFTER_RESET, 5, ";"},
        {"after reset", 1, MSG_NO_RESPONSE_AFTER_RESET, 5, ";"},
        {"revision", 2, MSG_NO_REVISION_RESPONSE, 10, "V"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        observer.messages.clear();
        port->writes.clear();
        ASSERT_NO_FATAL_FAILURE(CreateMachine());
        ASSERT_TRUE(machine->StartLoad(&dialog));
        if (c.silentStage > 0) {
            Arrive(";");
            ASSERT_TRUE(timers.FireNext());
            Arrive("D");
            SendBlocksThrough(kImageBlocks);
            Arrive("B");
            ASSERT_TRUE(timers.FireNext());
            if (c.silentStage > 1)
                Arrive(";");
        }
        port->writes.clear();
        port->purges = 0;
        while (!machine->IsComplete())
            ASSERT_TRUE(timers.FireNext());
        EXPECT_EQ(port->writes.size(), c.silentWrites - 1); // the first went out before the clear
        for (const auto& w : port->writes)
            EXPECT_EQ(w, c.command);
        EXPECT_EQ(StatusResets(), std::vector<uintptr_t>{c.code});
        EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusNone);
        EXPECT_FALSE(timers.IsRunning(frame, kTimer));
        machine->Release();
    }
}

TEST_F(LoaderMachineTest, TheSixthRejectionResynchronisesAndTheTenthFails)
{
    ASSERT_NO_FATAL_FAILURE(RunToFirstBlock());
    const std::string first = port->writes.back();
    for (int i = 0; i < 5; ++i) {
        Arrive("N");
        ASSERT_EQ(port->writes.back(), first) << "rejection " << i + 1 << " resends the block";
    }
    Arrive("N"); // the sixth
    EXPECT_EQ(port->writes.back(), ";");
    EXPECT_EQ(timers.Interval(frame, kTimer), 100u);
    Arrive("N"); // the module is back at a block boundary
    EXPECT_EQ(port->writes.back(), first);
    EXPECT_EQ(timers.Interval(frame, kTimer), 2000u);
    for (int i = 7; i <= 9; ++i) {
        Arrive("N");
        ASSERT_EQ(port->writes.back(), first) << "rejection " << i;
    }
    const size_t writes = port->writes.size();
    Arrive("N"); // the tenth
    EXPECT_EQ(port->writes.size(), writes);
    ASSERT_TRUE(machine->IsComplete());
    EXPECT_EQ(StatusResets(), std::vector<uintptr_t>{MSG_RETRY_LIMIT});
    EXPECT_EQ(Lines().back(), L"Send MT6402 firmware failed at load address 0x0840");
    EXPECT_EQ(machine->GetTotalRetries(), 10u);
    EXPECT_EQ(machine->GetHighestRetries(), 10u);
    EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusNone);
}

TEST_F(LoaderMachineTest, EachTimeOutWithinTheRetryLimitResynchronisesAndTheNextOneFails)
{
    for (uint32_t limit : {5u, 10u, 25u}) {
        SCOPED_TRACE(limit);
        observer.messages.clear();
        dialog.messages.clear();
        model.FirmwareLoadRetryLimit.Set(limit);
        port->writes.clear();
        ASSERT_NO_FATAL_FAILURE(RunToFirstBlock());
        const std::string first = port->writes.back();
        for (uint32_t i = 1; i <= limit; ++i) {
            ASSERT_TRUE(timers.FireNext()); // 2 s without an answer
            ASSERT_EQ(port->writes.back(), ";") << "time-out " << i;
            Arrive("N");
            ASSERT_EQ(port->writes.back(), first) << "time-out " << i;
        }
        ASSERT_TRUE(timers.FireNext());
        ASSERT_TRUE(machine->IsComplete());
        EXPECT_EQ(port->writes.back(), first);
        EXPECT_EQ(StatusResets(), std::vector<uintptr_t>{MSG_NO_RESPONSE_TO_PACKET});
        EXPECT_EQ(Lines().back(), L"Send MT6402 firmware failed at load address 0x0840");
        EXPECT_EQ(machine->GetTotalRetries(), limit + 1);
        machine->Release();
    }
}

TEST_F(LoaderMachineTest, SixtyEightSilentFillPollsFailWithoutTheAddressLine)
{
    ASSERT_NO_FATAL_FAILURE(RunToFirstBlock());
    ASSERT_TRUE(timers.FireNext()); // the block's time-out starts the resynchronisation
    while (!machine->IsComplete())
        ASSERT_TRUE(timers.FireNext());
    EXPECT_EQ(WritesSinceLastBlock(), std::vector<std::string>(68, ";"));
    EXPECT_EQ(StatusResets(), std::vector<uintptr_t>{MSG_NO_RESYNC_RESPONSE});
    EXPECT_EQ(Lines(), std::vector<std::wstring>{L"Sending firmware file " + filePath + L" to MT6402"});
    // The time-out of the block that failed still counts.
    EXPECT_EQ(machine->GetTotalRetries(), 1u);
    EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusNone);
}

TEST_F(LoaderMachineTest, ASuccessAfterRetriesIsReportedWithItsAddressAndTheFillBytes)
{
    ASSERT_NO_FATAL_FAILURE(RunToFirstBlock());
    // Block 0x0800: two rejections, then accepted.
    Arrive("N");
    Arrive("N");
    Arrive("A");
    // Block 0x0840: a time-out, three fill bytes until the "N", then accepted.
    ASSERT_TRUE(timers.FireNext());
    ASSERT_TRUE(timers.FireNext());
    ASSERT_TRUE(timers.FireNext());
    Arrive("N");
    Arrive("A");
    // Block 0x0880 at the first try: no line.
    Arrive("A");
    // The final block: one rejection.
    SendBlocksThrough(kImageBlocks);
    Arrive("N");
    Arrive("B");

    const std::vector<std::wstring> lines = Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], L"Retry 2 successful at address 0x0840");
    EXPECT_EQ(lines[2], L"Retry 1 successful at address 0x0880, 3 fill bytes");
    EXPECT_EQ(lines[3], L"Retry 1 successful at address 0x7DC0");
    EXPECT_EQ(lines[4], L"Waiting 3 seconds for reset to complete");
    EXPECT_EQ(machine->GetTotalRetries(), 4u);
    EXPECT_EQ(machine->GetHighestRetries(), 2u);
}

TEST_F(LoaderMachineTest, AReplyHoldingBothTheAcknowledgementAndNCountsAsAcknowledged)
{
    ASSERT_NO_FATAL_FAILURE(RunToFirstBlock());
    // On the wire a reply ends at its first "A" or "N"; narrowing the terminators lets "N" and
    // "A" arrive in one reply.
    machine->SetTerminators(L"A");
    Arrive("NA");
    EXPECT_EQ(BlockCount(), 2u);
    EXPECT_EQ(Blocks().back(), ExpectedBlock(image, kBase + 64, 0x00, false));
    EXPECT_EQ(machine->GetTotalRetries(), 0u);
}

TEST_F(LoaderMachineTest, ABAlreadyInTheLastImageBlocksReplySkipsTheFinalBlock)
{
    ASSERT_NO_FATAL_FAILURE(RunToFirstBlock());
    SendBlocksThrough(kImageBlocks - 1);
    ASSERT_EQ(BlockCount(), kImageBlocks);
    Arrive("BA");
    EXPECT_EQ(BlockCount(), kImageBlocks);
    EXPECT_EQ(timers.Interval(frame, kTimer), 3000u);
    EXPECT_EQ(Lines().back(), L"Waiting 3 seconds for reset to complete");
    ASSERT_TRUE(timers.FireNext());
    EXPECT_EQ(port->writes.back(), ";");
}

TEST_F(LoaderMachineTest, AZeroReconciliationWordIsFilledInAndReachesTheModuleInTheFinalBlock)
{
    std::vector<uint8_t> zeroWord = image;
    zeroWord[0] = zeroWord[1] = 0;
    ASSERT_NE(image[0] | image[1], 0);
    UseFile(L"qmcu0124.hex", ImageHex(zeroWord));
    ASSERT_NO_FATAL_FAILURE(RunToFirstBlock());
    EXPECT_EQ(Blocks().front(), ExpectedBlock(image, kBase, 0x00, true));
    SendBlocksThrough(kImageBlocks);
    EXPECT_EQ(Blocks().back(), ExpectedBlock(image, kBase, 0x02, false));
}

TEST_F(LoaderMachineTest, AnImageThatCannotBeUsedEndsTheLoadBeforeAnyByteIsSent)
{
    std::vector<uint8_t> zeroSum(kImageSize, 0);
    zeroSum[2] = 0x12; // a zero word and a zero sum: 0x1234 + 0xEDCC = 0x10000
    zeroSum[3] = 0x34;
    zeroSum[4] = 0xED;
    zeroSum[5] = 0xCC;
    std::vector<uint8_t> badSum = image;
    badSum[100] ^= 0x01;
    struct Case {
        const char* name;
        std::string text; // empty: no file
        uint32_t code;
    };
    const Case cases[] = {
        {"zero word, zero sum", ImageHex(zeroSum), MSG_RECONCILIATION_WORD_ZERO},
        {"word set, sum not zero", ImageHex(badSum), MSG_IMAGE_CHECKSUM},
        {"record checksum", BadChecksumRecord() + kHexEnd, MSG_HEX_CHECKSUM},
        {"missing file", "", ERROR_CODE_FILE_NOT_FOUND},
    };
    ASSERT_NO_FATAL_FAILURE(CreateMachine());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        observer.messages.clear();
        if (c.text.empty())
            model.FirmwareFile.Set(CRevisionedFileName(folder.Join(L"qmcu0199.hex")));
        else
            UseFile(L"qmcu0124.hex", c.text);
        model.FirmwareStatus.Set(FirmwareStatusRunning);
        EXPECT_FALSE(machine->StartLoad(&dialog));
        EXPECT_EQ(GetLastErrorCode(), c.code);
        EXPECT_TRUE(machine->IsComplete());
        EXPECT_EQ(StatusResets(), std::vector<uintptr_t>{c.code});
        EXPECT_TRUE(port->writes.empty());
        EXPECT_EQ(port->purges, 0u);
        EXPECT_FALSE(timers.IsRunning(frame, kTimer));
        EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusNone);
    }
    EXPECT_TRUE(Lines().empty());
}

TEST_F(LoaderMachineTest, ABlockThatCannotBeWrittenEndsTheLoadWithTheSystemCodeAndNoAddressLine)
{
    struct Case {
        const char* name;
        void (*arrange)(FakeSerialPort&);
        uint32_t code;
    };
    const Case cases[] = {
        {"write fails", [](FakeSerialPort& p) { p.writeError = 31; }, 31},
        {"purge fails", [](FakeSerialPort& p) { p.purgeError = 1117; }, 1117},
        {"short write", [](FakeSerialPort& p) { p.writeLimit = 10; }, 29},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        port->writeError = 0;
        port->purgeError = 0;
        port->writeLimit = UINT32_MAX;
        observer.messages.clear();
        dialog.messages.clear();
        ASSERT_NO_FATAL_FAILURE(CreateMachine());
        ASSERT_TRUE(machine->StartLoad(&dialog));
        Arrive(";");
        ASSERT_TRUE(timers.FireNext());
        c.arrange(*port);
        port->Deliver("D");
        frame.Send(WM_COMM_EVENT, 1, 0);
        ASSERT_TRUE(machine->IsComplete());
        EXPECT_EQ(StatusResets(), std::vector<uintptr_t>{c.code});
        EXPECT_EQ(Lines(), std::vector<std::wstring>{L"Sending firmware file " + filePath + L" to MT6402"});
        EXPECT_FALSE(timers.IsRunning(frame, kTimer));
        machine->Release();
    }
}

TEST_F(LoaderMachineTest, ASecondStartWhileLoadingChangesNothing)
{
    ASSERT_NO_FATAL_FAILURE(RunToFirstBlock());
    RecordingTarget other;
    const auto writes = port->writes;
    EXPECT_FALSE(machine->StartLoad(&other));
    EXPECT_EQ(port->writes, writes);
    EXPECT_FALSE(machine->IsComplete());
    EXPECT_TRUE(StatusResets().empty());
    Arrive("A");
    EXPECT_EQ(BlockCount(), 2u);
    EXPECT_TRUE(other.messages.empty());
}

TEST_F(LoaderMachineTest, VerifyComparesTheFileNamesRevisionWithTheModules)
{
    ASSERT_NO_FATAL_FAILURE(CreateMachine());
    ASSERT_TRUE(machine->StartLoad(&dialog));
    dialog.messages.clear();
    const std::wstring matched = L"Loaded MT6402 firmware revision " + filePath + L"\r\nMT6402 responded with revision 01.24";

    model.InstalledRevision.Set(124);
    EXPECT_EQ(machine->Verify(true), 0u);
    EXPECT_EQ(Lines(), std::vector<std::wstring>{matched});

    dialog.messages.clear();
    EXPECT_EQ(machine->Verify(false), 0u);
    EXPECT_EQ(Lines(), std::vector<std::wstring>{L"MT6402 verification succeeded"});

    for (bool always : {false, true}) {
        dialog.messages.clear();
        model.InstalledRevision.Set(123);
        EXPECT_EQ(machine->Verify(always), MSG_REVISION_MISMATCH);
        const std::vector<std::wstring> lines = Lines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], L"Loaded MT6402 firmware revision " + filePath + L"\r\nMT6402 responded with revision 01.23");
        EXPECT_NE(lines[1].find(L"MT6402"), std::wstring::npos);
        EXPECT_EQ(frame.Texts(WM_REPORT_TEXT).back(), lines[1]);
    }
}

TEST_F(LoaderMachineTest, TraceLinesShowEveryBlockInHexAndReachOnlyTheDialog)
{
    model.Trace.Set(1);
    ASSERT_NO_FATAL_FAILURE(RunToFirstBlock());
    const std::string block = port->writes.back();
    std::wstring hex;
    for (char c : block) {
        static const wchar_t digits[] = L"0123456789ABCDEF";
        hex += digits[static_cast<uint8_t>(c) >> 4];
        hex += digits[static_cast<uint8_t>(c) & 15];
    }
    ASSERT_EQ(hex.size(), 136u);
    EXPECT_EQ(hex.substr(0, 4), L"DEAD");
    const std::wstring traced = L"LoadFirmwareInitialState Send 68 bytes 0x" + hex;
    const std::vector<std::wstring> lines = Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), traced), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"DetermineSpeedState Send \";\""), lines.end());
    const std::vector<std::wstring> shown = frame.Texts(WM_REPORT_TEXT);
    EXPECT_EQ(shown, std::vector<std::wstring>{L"Sending firmware file " + filePath + L" to MT6402"});
}

TEST_F(LoaderMachineTest, ReleaseDropsTheModelsReference)
{
    ASSERT_NO_FATAL_FAILURE(CreateMachine());
    ASSERT_EQ(model.LoaderMachine(), machine);
    EXPECT_EQ(machine->GetDeviceName(), L"MT6402");
    machine->Release();
    EXPECT_EQ(model.LoaderMachine(), nullptr);
}

// The loader dialog ends, and releases its machine, when StatusReset arrives: the machine is then
// inside its own final state, called from StartLoad, a reply or a timer. (Under AddressSanitizer a
// machine destroyed under its own feet shows as a use after free.)
TEST_F(LoaderMachineTest, ReleasedFromItsOwnStatusResetTheMachineGoesOnceItsCallReturns)
{
    // The dialog's part: release on the end of the load, as its window hides.
    struct ReleasingObserver : RecordingTarget {
        ILoaderStateMachine* machine = nullptr;
        CModelBase* model = nullptr;
        bool stillOwnedDuringRelease = false;
        intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override
        {
            RecordingTarget::Send(message, wParam, lParam);
            if (message == WM_STATUS_RESET && machine) {
                machine->Release();
                stillOwnedDuringRelease = model->LoaderMachine() != nullptr;
                machine = nullptr;
            }
            return 0;
        }
    };
    struct Case {
        const char* name;
        uint32_t code;
        std::function<void()> finish; // the events that end the load
    };
    const Case cases[] = {
        {"refused image, inside StartLoad", MSG_HEX_CHECKSUM, [this] {
             UseFile(L"qmcu0124.hex", BadChecksumRecord() + kHexEnd);
             EXPECT_FALSE(machine->StartLoad(&dialog));
         }},
        {"silent module, inside a timer", MSG_NO_RESPONSE_AFTER_RESET, [this] {
             ASSERT_TRUE(machine->StartLoad(&dialog));
             for (int i = 0; i < 5; ++i)
                 ASSERT_TRUE(timers.FireNext());
         }},
        {"tenth rejection, inside a reply", MSG_RETRY_LIMIT, [this] {
             ASSERT_TRUE(machine->StartLoad(&dialog));
             Arrive(";");
             ASSERT_TRUE(timers.FireNext());
             Arrive("D");
             for (int i = 0; i < 6; ++i) // the sixth resynchronises
                 Arrive("N");
             Arrive("N"); // the module is back at a block boundary
             for (int i = 7; i <= 10; ++i)
                 Arrive("N");
         }},
        {"complete load, inside the revision reply", STATUS_OK, [this] {
             ASSERT_TRUE(machine->StartLoad(&dialog));
             Arrive(";");
             ASSERT_TRUE(timers.FireNext());
             Arrive("D");
             SendBlocksThrough(kImageBlocks);
             Arrive("B");
             ASSERT_TRUE(timers.FireNext());
             Arrive(";");
             Arrive("V1.24;");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseFile(L"qmcu0124.hex", ImageHex(image));
        ASSERT_NO_FATAL_FAILURE(CreateMachine());
        ReleasingObserver dialogWindow;
        dialogWindow.model = &model;
        model.StatusReset.Advise(&dialogWindow); // its first notification is not the end
        dialogWindow.messages.clear();
        dialogWindow.machine = machine;
        c.finish();
        model.StatusReset.Unadvise(&dialogWindow);
        ASSERT_EQ(dialogWindow.machine, nullptr) << "the load did not end";
        EXPECT_TRUE(dialogWindow.stillOwnedDuringRelease) << "destroyed while its own call ran";
        EXPECT_EQ(model.LoaderMachine(), nullptr);
        ASSERT_EQ(dialogWindow.messages.size(), 1u);
        EXPECT_EQ(dialogWindow.messages[0].wParam, c.code);
        EXPECT_FALSE(timers.IsRunning(frame, kTimer));
        machine = nullptr;
        frame.machines.clear();
    }
}

// A model whose device is not the kind the program loads.
class CForeignDeviceModel : public CModel {
public:
    using CModel::CModel;
    bool IsExpectedDevice() override { return false; }
};

TEST(LoaderMachine, AnUnexpectedDeviceEndsTheLoadAndKeepsTheFirmwareStatus)
{
    FakeTimerHost timers;
    RoutingTarget frame;
    auto* port = new FakeSerialPort;
    CForeignDeviceModel model(timers, std::unique_ptr<ISerialPort>(port), std::make_unique<MemorySettingsStore>());
    model.SetNotifyWindow(&frame);
    model.SetLoaderMachineFactory(CreateMcuLoaderStateMachine);
    TempFolder folder;
    model.FirmwareFile.Set(CRevisionedFileName(folder.WriteFile(L"qmcu0124.hex", ImageHex(ReconciledImage()))));
    ASSERT_TRUE(model.OpenPort(L"COM4"));
    model.FirmwareStatus.Set(FirmwareStatusRunning);
    RecordingTarget observer;
    model.StatusReset.Advise(&observer);
    observer.messages.clear();

    ILoaderStateMachine* machine = model.CreateLoaderMachine();
    ASSERT_NE(machine, nullptr);
    frame.machines = {machine};
    ASSERT_TRUE(machine->StartLoad(nullptr));
    port->Deliver(";");
    frame.Send(WM_COMM_EVENT, 1, 0);

    EXPECT_TRUE(machine->IsComplete());
    EXPECT_EQ(port->writes, std::vector<std::string>{";"});
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0].wParam, MSG_UNEXPECTED_DEVICE);
    EXPECT_EQ(model.FirmwareStatus.Get(), FirmwareStatusRunning);
}

TEST(DownloadBlock, TheChecksumMakesTheBlockSumToZero)
{
    std::vector<uint8_t> bytes(67, 0);
    bytes[0] = 0x30;
    bytes[66] = 0x07;
    EXPECT_EQ(BlockChecksum(bytes.data(), bytes.size()), 0xC9); // the bytes add up to 0x37
    bytes.assign(67, 0xFF);                                      // 67 * 0xFF = 0x42BD
    EXPECT_EQ(BlockChecksum(bytes.data(), bytes.size()), 0x43);
    bytes.assign(67, 0);
    EXPECT_EQ(BlockChecksum(bytes.data(), bytes.size()), 0x00);
}

TEST(DownloadBlock, AShortTailIsPaddedWithFF)
{
    DownloadBlock block{};
    const uint8_t data[3] = {1, 2, 3};
    FillDownloadBlock(block, data, 3, 0x12345, 0x00);
    EXPECT_EQ(block[2], 3);
    EXPECT_EQ(block[3], 0xFF);
    EXPECT_EQ(block[63], 0xFF);
    EXPECT_EQ(block[64], 0x45);
    EXPECT_EQ(block[65], 0x23);
    EXPECT_EQ(block[66], 0x00);
    unsigned sum = 0;
    for (uint8_t b : block)
        sum += b;
    EXPECT_EQ(sum & 0xFF, 0u);
}

} // namespace
