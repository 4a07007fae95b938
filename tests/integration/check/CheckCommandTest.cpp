// End-to-end runs of `mt6402util check`: the lines it prints and its exit code for good and bad files.
#include "HexText.h"
#include "TempFolder.h"

#include "platform/TextConversion.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <ostream>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the program with `args` after "check", its output and errors captured in files of `folder`.
RunResult RunCheck(const TempFolder& folder, const std::vector<std::string>& args)
{
    const std::string outPath = ToUtf8(folder.Join(L"stdout.txt"));
    const std::string errPath = ToUtf8(folder.Join(L"stderr.txt"));
    std::vector<std::string> words = {MT_CLI_PROGRAM, "check"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, MT_CLI_PROGRAM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    RunResult result;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << MT_CLI_PROGRAM << ": error " << spawned;
        return result;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.out = ReadWholeFile(outPath);
    result.err = ReadWholeFile(errPath);
    return result;
}

std::string Lines(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// The image covers 0x0800 up to 0x7DC0: 15072 big-endian words, 0xFFFF where the file gives
// nothing. With the reconciliation word W and one more word X written, the other 15070 words sum
// to -15070 (0xC522 modulo 65536), so the image sums to W + X + 0xC522.
std::string Image(uint16_t word, uint16_t next)
{
    return HexData(0x0800, {uint8_t(word >> 8), uint8_t(word), uint8_t(next >> 8), uint8_t(next)});
}

const std::string kWindowLine = "Image window: 0x0800-0x7DBF (30144 bytes)";

struct SendableCase {
    const char* name;
    std::string text;
    std::vector<std::string> lines; // after the "File:" line
    friend void PrintTo(const SendableCase& c, std::ostream* os) { *os << c.name; }
};

class CheckSendable : public ::testing::TestWithParam<SendableCase> {};

TEST_P(CheckSendable, PrintsWhatTheFileHoldsAndSucceeds)
{
    const SendableCase& c = GetParam();
    TempFolder folder;
    const std::string path = ToUtf8(folder.WriteFile(FromUtf8(c.name), c.text));
    RunResult run = RunCheck(folder, {path});
    std::string expected = "File: " + path + "\n";
    for (const std::string& line : c.lines)
        expected += line + "\n";
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CheckSendable,
    ::testing::Values(
        // A zero word is a request to compute it: 0x1234 + 0xC522 = 0xD756, filled in as 0x28AA.
        // Data moved above 64 KiB by an extended linear address record count in the range but
        // stay outside the image.
        SendableCase{"qmcu0112.hex",
                     Image(0x0000, 0x1234) + HexLinearBase(0x0001) + HexData(0x0000, std::vector<uint8_t>(16, 0xA5)) +
                         HexRecord(0x05, 0, {0, 0, 0x08, 0}) + kHexEnd,
                     {"Data addresses: 0x0800-0x1000F", "Records: 5 (data records: 2)", kWindowLine,
                      "Reconciliation: word 0x28AA would be filled in", "Revision in file name: 01.12",
                      "Firmware file name: yes"}},
        // A stored word that already makes the sum zero: 0x3ADF + 0xFFFF + 0xC522 = 0 modulo 65536.
        // The final "B" keeps the name from being a firmware file name; its revision still reads.
        SendableCase{"qmcu0113B.hex",
                     Image(0x3ADF, 0xFFFF) + kHexEnd,
                     {"Data addresses: 0x0800-0x0803", "Records: 2 (data records: 1)", kWindowLine,
                      "Reconciliation: OK (word 0x3ADF)", "Revision in file name: 01.13",
                      "Firmware file name: no (a firmware file is named qmcu....hex, not ending in B)"}},
        // A record just below 4 GiB ends past 32 bits; lower-case digits and LF line ends read alike.
        SendableCase{"QMCU_0200.HEX",
                     Image(0x3ADF, 0xFFFF) + HexLinearBase(0xFFFF) +
                         ":10fff800000102030405060708090a0b0c0d0e0f81\n" + kHexEnd,
                     {"Data addresses: 0x0800-0x100000007", "Records: 4 (data records: 2)", kWindowLine,
                      "Reconciliation: OK (word 0x3ADF)", "Revision in file name: 02.00",
                      "Firmware file name: yes"}},
        // Later records overwrite earlier ones: the word read is the last one written; every record counts.
        SendableCase{"firmware.hex",
                     HexData(0x0800, {0x3A, 0xDF}) + HexData(0x0800, {0xFF, 0xFF}) + HexData(0x0800, {0x3A, 0xDF}) +
                         kHexEnd,
                     {"Data addresses: 0x0800-0x0801", "Records: 4 (data records: 3)", kWindowLine,
                      "Reconciliation: OK (word 0x3ADF)", "Revision in file name: 00.00",
                      "Firmware file name: no (a firmware file is named qmcu....hex, not ending in B)"}}),
    [](const ::testing::TestParamInfo<SendableCase>& info) { return "Case" + std::to_string(info.index); });

struct RefusedCase {
    const char* name;
    std::string text;
    std::string out; // lines on standard output, "File:" line excluded ("" when none at all)
    std::string err;
    friend void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }
};

class CheckRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(CheckRefused, ReportsTheErrorCodeAndFails)
{
    const RefusedCase& c = GetParam();
    TempFolder folder;
    const std::string path = ToUtf8(folder.WriteFile(FromUtf8(c.name), c.text));
    RunResult run = RunCheck(folder, {path});
    EXPECT_EQ(run.out, c.out.empty() ? "" : "File: " + path + "\n" + c.out);
    EXPECT_EQ(run.err, c.err + "\n");
    EXPECT_EQ(run.exitCode, 1);
}

std::string WithChecksum(std::string record, const char* checksum)
{
    record.replace(record.size() - 4, 2, checksum);
    return record;
}

INSTANTIATE_TEST_SUITE_P(
    Files, CheckRefused,
    ::testing::Values(
        RefusedCase{"checksum.hex", Image(0x3ADF, 0xFFFF) + WithChecksum(HexData(0x0900, {1, 2, 3}), "00") + kHexEnd,
                    "", "Error code 0xE2000022: intel hex line checksum error"},
        RefusedCase{"noeof.hex", Image(0x3ADF, 0xFFFF) + HexData(0x0900, {1, 2, 3}), "",
                    "Error code 0xE2000023: Missing intel hex end-of-file record"},
        RefusedCase{"empty.hex", "", "",
                    "Error code 0x000003EE: The volume for a file has been externally altered so that the opened "
                    "file is no longer valid."},
        // A zero word over an image that already sums to zero: 0x3ADE + 0xC522 = 0.
        RefusedCase{"qmcu0112.hex", Image(0x0000, 0x3ADE) + kHexEnd,
                    Lines({"Data addresses: 0x0800-0x0803", "Records: 2 (data records: 1)", kWindowLine,
                           "Reconciliation: The computed checksum reconciliation word is zero",
                           "Revision in file name: 01.12", "Firmware file name: yes"}),
                    "Error code 0xA2000047: The computed checksum reconciliation word is zero"},
        // A set word that leaves the sum at 1.
        RefusedCase{"qmcu0112.hex", Image(0x3AE0, 0xFFFF) + kHexEnd,
                    Lines({"Data addresses: 0x0800-0x0803", "Records: 2 (data records: 1)", kWindowLine,
                           "Reconciliation: Input hex file is corrupt, check sum is not zero",
                           "Revision in file name: 01.12", "Firmware file name: yes"}),
                    "Error code 0xE2000041: Input hex file is corrupt, check sum is not zero"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return "Case" + std::to_string(info.index); });

TEST(CheckCommand, MissingFileGivesTheSystemError)
{
    TempFolder folder;
    RunResult run = RunCheck(folder, {ToUtf8(folder.Join(L"qmcu0112.hex"))});
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Error code 0x00000002: The system cannot find the file specified.\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST(CheckCommand, WrongArgumentsShowTheUsage)
{
    TempFolder folder;
    const std::string path = ToUtf8(folder.WriteFile(L"qmcu0112.hex", kHexEnd));
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {path, path}, {""}}) {
        RunResult run = RunCheck(folder, args);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("Usage: mt6402util check FILE\n", 0), 0u) << run.err;
        EXPECT_EQ(run.exitCode, 2);
    }
    RunResult help = RunCheck(folder, {"--help"});
    EXPECT_EQ(help.out.rfind("Usage: mt6402util check FILE\n", 0), 0u) << help.out;
    EXPECT_EQ(help.exitCode, 0);
}

} // namespace
