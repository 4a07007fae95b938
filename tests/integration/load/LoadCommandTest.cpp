// End-to-end runs of `mt6402util load` against the module simulator: a clean load and each fault the loader survives or reports.
#include "ProgramRun.h"
#include "RunningProgram.h"
#include "SimulatorProcess.h"
#include "TempFolder.h"

#include "firmware/FirmwareImage.h"
#include "platform/TextConversion.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// "hh:mm:ss " before every activity line.
const std::string kStamp = R"(\d\d:\d\d:\d\d )";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

size_t CountLines(const std::string& text, const std::string& pattern)
{
    const std::regex re(pattern);
    size_t n = 0;
    for (const std::string& line : Lines(text))
        n += std::regex_match(line, re);
    return n;
}

bool HasLine(const std::string& text, const std::string& pattern) { return CountLines(text, pattern) > 0; }

// True when the patterns match lines of `text` in this order (other lines may lie between).
bool HasLinesInOrder(const std::string& text, const std::vector<std::string>& patterns)
{
    size_t next = 0;
    for (const std::string& line : Lines(text))
        if (next < patterns.size() && std::regex_match(line, std::regex(patterns[next])))
            ++next;
    return next == patterns.size();
}

std::string Quoted(const std::string& text)
{
    return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\/])"), R"(\$&)");
}

std::string Hex(const std::vector<uint8_t>& data, uint16_t address)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text = ":";
    unsigned sum = 0;
    auto put = [&](uint8_t byte) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
        sum += byte;
    };
    put(static_cast<uint8_t>(data.size()));
    put(static_cast<uint8_t>(address >> 8));
    put(static_cast<uint8_t>(address));
    put(0);
    for (uint8_t byte : data)
        put(byte);
    put(static_cast<uint8_t>(0x100 - (sum & 0xFF)));
    return text + "\r\n";
}

// A firmware file over the loader's window: a zero reconciliation word (the load fills it in), a
// block that begins with 0x3B (";", the fill byte), and a stretch the file leaves out (0xFF).
std::string FirmwareText()
{
    std::string text;
    for (uint32_t address = CFirmwareImage::kLowAddress; address < CFirmwareImage::kHighAddress; address += 16) {
        if (address >= 0x2000 && address < 0x2400)
            continue;
        std::vector<uint8_t> data(16);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>((address + i) * 13 + (address >> 9));
        if (address == 0x0800)
            data[0] = data[1] = 0;
        if (address == 0x0C40)
            data[0] = ';';
        text += Hex(data, static_cast<uint16_t>(address));
    }
    return text + ":00000001FF\r\n";
}

// The bytes a load of `path` sends, the reconciliation word settled.
std::vector<uint8_t> ImageOf(const std::wstring& path)
{
    CFirmwareImage image;
    if (!image.LoadHexFile(path) || image.CheckReconciliationWord() != 0)
        return {};
    return std::vector<uint8_t>(image.GetData(), image.GetData() + image.GetSize());
}

// The tool with private settings and data folders, a firmware folder holding qmcu0113.hex (and an
// older file), and the simulator (firmware 01.12, a short reset) writing what it received.
class LoadRun : public testing::Test {
protected:
    void SetUp() override
    {
        firmwareFolder = folder.MakeFolder(L"firmware");
        firmwareFile = folder.WriteFile(L"firmware/qmcu0113.hex", FirmwareText());
        folder.WriteFile(L"firmware/qmcu0110.hex", ":00000001FF\r\n");
    }

    std::vector<std::string> ToolArguments(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(), {"--settings", settingsFile});
        return arguments;
    }
    std::vector<std::string> Environment() const
    {
        return {"XDG_CONFIG_HOME=" + ToUtf8(folder.Join(L"config")), "XDG_DATA_HOME=" + ToUtf8(folder.Join(L"data"))};
    }
    ProgramResult Tool(std::vector<std::string> arguments, std::chrono::milliseconds timeout = 120s)
    {
        return RunProgram(MT_CLI_PROGRAM, ToolArguments(std::move(arguments)), Environment(), timeout);
    }
    // A load from the firmware folder on the simulator's port.
    ProgramResult Load(std::vector<std::string> more = {})
    {
        std::vector<std::string> arguments = {"load", "--port", port, "--folder", ToUtf8(firmwareFolder)};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return Tool(arguments);
    }
    void StartSimulator(std::vector<std::string> options)
    {
        options.insert(options.end(), {"--reset-ms", "100", "--image-out", ToUtf8(receivedFile)});
        std::string error;
        ASSERT_TRUE(simulator.Start(MT_SIMULATOR, options, error)) << error;
        port = simulator.SlavePath();
    }

    TempFolder folder;
    std::string settingsFile = ToUtf8(folder.Join(L"settings.conf"));
    std::wstring receivedFile = folder.Join(L"received.hex");
    std::wstring firmwareFolder;
    std::wstring firmwareFile;
    SimulatorProcess simulator;
    std::string port;
};

TEST_F(LoadRun, ACleanLoadIsVerifiedAndTheModuleHoldsTheFilesImage)
{
    StartSimulator({});
    const ProgramResult run = Load();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string file = Quoted(ToUtf8(firmwareFile));
    EXPECT_TRUE(HasLinesInOrder(run.out, {
                                             kStamp + "Attempting to contact MT6402 on port " + Quoted(port) + " at 9600 bit/s",
                                             kStamp + R"(MT6402 revision 01\.12\. RS-232 speed 9600 bit/s\.)",
                                             kStamp + "Sending firmware file " + file + " to MT6402",
                                             kStamp + "Waiting 3 seconds for reset to complete",
                                             kStamp + "Loaded MT6402 firmware revision " + file,
                                             R"(MT6402 responded with revision 01\.13)",
                                             kStamp + "MT6402 verification succeeded",
                                             kStamp + "MT6402 firmware load is complete",
                                             kStamp + R"(Elapsed time: [5-9] seconds)",
                                         }))
        << run.out;
    // Each line once: the machine sends its lines to the dialog and to the main window.
    EXPECT_EQ(CountLines(run.out, kStamp + "Sending firmware file .*"), 1u);
    EXPECT_FALSE(HasLine(run.out, ".*[Rr]etr.*")) << run.out;
    EXPECT_TRUE(std::regex_match(Lines(run.out).back(), std::regex(kStamp + "Elapsed time: .*")));
    // Progress is not a terminal here: one plain line for every tenth, on standard error.
    for (int percent = 10; percent <= 100; percent += 10)
        EXPECT_EQ(CountLines(run.err, "Progress " + std::to_string(percent) + R"(%: \d+/471 blocks, \d+ bytes/s, \d+:\d\d left)"), 1u)
            << percent << "\n" << run.err;
    EXPECT_EQ(Lines(run.err).size(), 10u) << run.err;

    const std::vector<uint8_t> sent = ImageOf(firmwareFile);
    ASSERT_EQ(sent.size(), 30144u);
    EXPECT_NE(sent[0] | sent[1], 0); // the word was filled in
    EXPECT_EQ(ImageOf(receivedFile), sent);

    // The port named is kept; nothing else of this run is.
    const ProgramResult settings = Tool({"settings"});
    EXPECT_TRUE(HasLine(settings.out, "Port = " + Quoted(port))) << settings.out;
    EXPECT_TRUE(HasLine(settings.out, "FirmwareLoadRetryLimit = 10"));
}

TEST_F(LoadRun, RejectionsAndLostAnswersWithinTheLimitsAreRetriedAndCounted)
{
    // Block 5 (0x0900) three rejections, block 9 (0x0A00) seven (a resynchronisation after the
    // sixth), block 12 (0x0AC0) two lost answers (a resynchronisation after each).
    StartSimulator({"--reject-block", "5:3", "--reject-block", "9:7", "--drop-ack", "12:2"});
    const ProgramResult run = Load();
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_TRUE(HasLinesInOrder(run.out, {
                                             kStamp + "Retry 3 successful at address 0x0940",
                                             kStamp + "Retry 7 successful at address 0x0A40, 1 fill bytes",
                                             kStamp + "Retry 2 successful at address 0x0B00, 1 fill bytes",
                                             kStamp + "Total number of retries was 12",
                                             kStamp + "Highest number of retries for any block was 7",
                                             kStamp + "MT6402 firmware load is complete",
                                         }))
        << run.out;
    EXPECT_EQ(ImageOf(receivedFile), ImageOf(firmwareFile));
}

TEST_F(LoadRun, RejectionsPastTheLimitFailTheLoadAtThatBlock)
{
    StartSimulator({"--reject-block", "5:10"});
    const ProgramResult run = Load();
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_TRUE(HasLinesInOrder(run.out, {
                                             kStamp + "Send MT6402 firmware failed at load address 0x0940",
                                             kStamp + "Total number of retries was 10",
                                             kStamp + "Highest number of retries for any block was 10",
                                             kStamp + "Error code 0xE2000044: Retry limit has been exhausted",
                                             kStamp + "Make sure the MT6402 is powered .*",
                                             kStamp + "Elapsed time: .*",
                                         }))
        << run.out;
    EXPECT_FALSE(HasLine(run.out, ".*verification succeeded.*"));
}

TEST_F(LoadRun, AnswersLostPastTheRetryLimitFailTheLoadWithNoResponse)
{
    StartSimulator({"--drop-ack", "3:6"});
    const ProgramResult run = Load({"--retry-limit", "5"});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_TRUE(HasLinesInOrder(run.out, {
                                             kStamp + "Send MT6402 firmware failed at load address 0x08C0",
                                             kStamp + "Total number of retries was 6",
                                             kStamp + "Error code 0xE200004B: No response to firmware packet",
                                         }))
        << run.out;
    // --retry-limit is for this load only.
    EXPECT_TRUE(HasLine(Tool({"settings"}).out, "FirmwareLoadRetryLimit = 10"));
}

TEST_F(LoadRun, ALoaderThatDoesNotEchoDIsReportedWithItsAdvice)
{
    StartSimulator({"--no-echo"});
    const ProgramResult run = Load();
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_TRUE(HasLinesInOrder(run.out, {
                                             kStamp + R"(MT6402 Bootstrap Loader did not echo "D")",
                                             "Remove power and retry firmware load",
                                             kStamp + "Error code 0xE2000043: Bootstrap Loader did not echo a D",
                                         }))
        << run.out;
    EXPECT_FALSE(HasLine(run.out, ".*Sending firmware file.*"));
}

TEST_F(LoadRun, ASilentModuleIsRefusedBeforeAnythingIsSent)
{
    StartSimulator({"--silent"});
    const ProgramResult run = Load({"--timeout", "2"});
    EXPECT_EQ(run.exitCode, 4) << run.out << run.err;
    EXPECT_TRUE(std::regex_match(Lines(run.out).back(), std::regex(kStamp + "MT6402 is not responding"))) << run.out;
    EXPECT_FALSE(HasLine(run.out, ".*Sending firmware.*"));
    EXPECT_FALSE(HasLine(run.out, ".*RS-232 speed.*"));
}

TEST_F(LoadRun, AHangUpDuringTheDownloadFailsTheLoadWithThePortsError)
{
    StartSimulator({"--hangup-after-block", "100"});
    const ProgramResult run = Load();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_TRUE(HasLinesInOrder(run.out, {
                                             kStamp + "Sending firmware file .*",
                                             kStamp + "[A-Za-z]+ failed on \"" + Quoted(port) + "\"",
                                             kStamp + R"(Error code 0x[0-9A-F]{8}: .+)",
                                         }))
        << run.out;
    EXPECT_FALSE(HasLine(run.out, ".*Waiting 3 seconds.*"));
    EXPECT_FALSE(HasLine(run.out, ".*Change RS-232 speed.*")); // a closed port is left alone
    EXPECT_LT(run.elapsed, 20s) << "the hang-up went unnoticed";
}

TEST_F(LoadRun, AModuleThatComesBackWithAnotherRevisionFailsTheVerification)
{
    StartSimulator({"--wrong-revision"});
    const ProgramResult run = Load();
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_TRUE(HasLinesInOrder(run.out, {
                                             kStamp + "Loaded MT6402 firmware revision .*qmcu0113\\.hex",
                                             R"(MT6402 responded with revision 01\.12)",
                                             kStamp + "Error code 0xE2000046: Revision number verification failed",
                                             kStamp + "Make sure the MT6402 is powered .*",
                                         }))
        << run.out;
    EXPECT_FALSE(HasLine(run.out, ".*load is complete.*"));
    // The module did receive the whole image; only its revision is wrong.
    EXPECT_EQ(ImageOf(receivedFile), ImageOf(firmwareFile));
}

TEST_F(LoadRun, AModuleAlreadyInItsLoaderGetsASingleDAndTheLoadSucceeds)
{
    StartSimulator({"--start-in-loader"});
    const ProgramResult run = Load({"--trace"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    // The poll was answered, "V" ten times was not; then one "D", the download's own.
    EXPECT_EQ(CountLines(run.out, kStamp + R"(QueryRevisionState Send "V")"), 10u + 1u) << run.out;
    EXPECT_EQ(CountLines(run.out, kStamp + R"(.*Send "D")"), 1u) << run.out;
    EXPECT_TRUE(HasLine(run.out, kStamp + R"(LoadBeginDownloadState Send "D")"));
    EXPECT_TRUE(HasLine(run.out, kStamp + R"(MT6402 revision \?\?\.\?\?\. RS-232 speed 9600 bit/s\.)"));
    EXPECT_TRUE(HasLine(run.out, R"(MT6402 responded with revision 01\.13)"));
    EXPECT_EQ(ImageOf(receivedFile), ImageOf(firmwareFile));
    EXPECT_TRUE(HasLine(Tool({"settings"}).out, "Trace = 0")); // --trace is for this run only
}

TEST_F(LoadRun, CtrlCAbandonsTheLoadAndClosesThePort)
{
    std::string error;
    ASSERT_TRUE(simulator.Start(MT_SIMULATOR, {"--linger-ms", "100"}, error)) << error;
    port = simulator.SlavePath();
    RunningProgram tool;
    ASSERT_TRUE(tool.Start(MT_CLI_PROGRAM,
                           ToolArguments({"load", "--port", port, "--folder", ToUtf8(firmwareFolder)}),
                           Environment()));
    ASSERT_TRUE(tool.WaitForLine(std::regex(kStamp + "Sending firmware file .*"), 30s));
    ASSERT_TRUE(tool.Signal(SIGINT));
    const ProgramResult run = tool.Wait(30s);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 5) << run.out << run.err;
    EXPECT_TRUE(std::regex_match(Lines(run.out).back(),
                                 std::regex(kStamp + "Firmware load abandoned; serial port " + Quoted(port) + " closed")))
        << run.out;
    EXPECT_FALSE(HasLine(run.out, ".*Waiting 3 seconds.*"));
    // The simulator ends 100 ms after the program let go of the port.
    int simulatorStatus = -1;
    EXPECT_TRUE(simulator.WaitForExit(5000ms, simulatorStatus));
    EXPECT_EQ(simulatorStatus, 0);
    // The settings were still written once on the way out.
    EXPECT_TRUE(HasLine(Tool({"settings"}).out, "Port = " + Quoted(port)));
}

TEST_F(LoadRun, AFileThatCannotBeSentIsRefusedBeforeTheModuleIsDisturbed)
{
    const std::wstring empty = folder.MakeFolder(L"empty");
    std::string corrupt = FirmwareText();
    // A later record wins: a non-zero word that does not make the sum zero.
    corrupt.insert(corrupt.find(":00000001FF"), Hex({0x12, 0x34}, 0x0800));
    const std::wstring corruptFile = folder.WriteFile(L"qmcu0114.hex", corrupt);
    const std::wstring unnamed = folder.WriteFile(L"firmware.hex", FirmwareText());
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message; // a line of standard error
    };
    const Case cases[] = {
        {{"--folder", ToUtf8(empty)}, 1, "A required firmware file is missing"},
        {{"--file", ToUtf8(corruptFile)}, 1, "Error code 0xE2000041: Input hex file is corrupt, check sum is not zero"},
        {{"--file", ToUtf8(folder.Join(L"qmcu0199.hex"))}, 1, "Error code 0x00000002: .+"},
        {{"--file", ToUtf8(unnamed)}, 2, R"(The name of ".*firmware\.hex" carries no revision number .*)"},
        {{"--folder", ToUtf8(empty), "--file", ToUtf8(corruptFile)}, 2, ".*not both\\."},
        {{"--retry-limit", "4"}, 2, R"(--retry-limit takes a whole number from 5 to 25, not "4"\.)"},
        {{"--timeout", "0"}, 2, ".*not \"0\"\\."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[0] + " " + c.arguments[1]);
        std::vector<std::string> arguments = {"load", "--port", ToUtf8(folder.Join(L"no-such-port"))};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ProgramResult run = Tool(arguments, 30s);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
        EXPECT_TRUE(HasLine(run.err, c.message)) << run.err;
        EXPECT_EQ(run.out, ""); // no port was opened: nothing was attempted
    }
}

TEST_F(LoadRun, APortThatCannotBeUsedEndsTheLoadBeforeItBegins)
{
    const std::string missing = ToUtf8(folder.Join(L"no-such-tty"));
    struct Case {
        std::vector<std::string> port;
        std::string out; // a line of standard output, or none
        std::string err; // a line of standard error, or none
    };
    const Case cases[] = {
        // First: the port named next is kept as the Port setting.
        {{}, "", "Serial port name is missing: name one with --port P.*"},
        {{"--port", missing}, kStamp + "Unable to open serial port \"" + Quoted(missing) + R"("\. Error 0x00000002: .+)", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port.empty() ? "no port" : "a missing port");
        std::vector<std::string> arguments = {"load", "--folder", ToUtf8(firmwareFolder)};
        arguments.insert(arguments.end(), c.port.begin(), c.port.end());
        const ProgramResult run = Tool(arguments, 30s);
        EXPECT_EQ(run.exitCode, 3) << run.out << run.err;
        if (!c.out.empty()) {
            EXPECT_TRUE(HasLine(run.out, c.out)) << run.out;
        }
        if (!c.err.empty()) {
            EXPECT_TRUE(HasLine(run.err, c.err)) << run.err;
        }
        EXPECT_FALSE(HasLine(run.out, ".*Sending firmware.*"));
    }
}

} // namespace
