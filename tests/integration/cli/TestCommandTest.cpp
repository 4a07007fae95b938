// End-to-end runs of `mt6402util test` and `settings` against the module simulator on a pseudo-terminal.
#include "ProgramRun.h"
#include "SimulatorProcess.h"
#include "TempFolder.h"

#include "platform/TextConversion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

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

bool HasLine(const std::string& text, const std::string& pattern)
{
    const std::regex re(pattern);
    for (const std::string& line : Lines(text))
        if (std::regex_match(line, re))
            return true;
    return false;
}

size_t CountLines(const std::string& text, const std::string& pattern)
{
    const std::regex re(pattern);
    size_t n = 0;
    for (const std::string& line : Lines(text))
        n += std::regex_match(line, re);
    return n;
}

std::string Quoted(const std::string& text) { return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\/])"), R"(\$&)"); }

// The tool with private settings and data folders, so a run never touches a real user's files.
class CliRun : public testing::Test {
protected:
    ProgramResult Tool(std::vector<std::string> arguments, std::chrono::milliseconds timeout = std::chrono::seconds(60))
    {
        arguments.insert(arguments.begin(), {"--settings", settingsFile});
        return RunProgram(MT_CLI_PROGRAM, arguments,
                          {"XDG_CONFIG_HOME=" + ToUtf8(folder.Join(L"config")),
                           "XDG_DATA_HOME=" + ToUtf8(folder.Join(L"data"))},
                          timeout);
    }

    std::string StartSimulator(const std::vector<std::string>& options)
    {
        std::string error;
        EXPECT_TRUE(simulator.Start(MT_SIMULATOR, options, error)) << error;
        return simulator.SlavePath();
    }

    TempFolder folder;
    std::string settingsFile = ToUtf8(folder.Join(L"settings.conf"));
    SimulatorProcess simulator;
};

TEST_F(CliRun, TheRevisionOfARunningModuleIsShownAndThePortKept)
{
    struct Case {
        std::vector<std::string> simulatorOptions;
        std::string revision;
    };
    const Case cases[] = {{{}, "01.12"}, {{"--revision", "5"}, "00.05"}, {{"--revision", "999"}, " N/A "}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.revision);
        const std::string port = StartSimulator(c.simulatorOptions);
        const ProgramResult run = Tool({"test", "--port", port});
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(std::regex_match(lines.back(), std::regex(kStamp + "MT6402 revision " + Quoted(c.revision) +
                                                              R"(\. RS-232 speed 9600 bit/s\.)")))
            << lines.back();
        EXPECT_TRUE(HasLine(run.out, kStamp + "Attempting to contact MT6402 on port " + Quoted(port) +
                                         " at 9600 bit/s"));
        // Status lines belong to the verbose log.
        EXPECT_FALSE(HasLine(run.out, kStamp + "Opening Serial Port .*"));
        EXPECT_EQ(run.err, "");

        const ProgramResult settings = Tool({"settings"});
        EXPECT_TRUE(HasLine(settings.out, "Port = " + Quoted(port))) << settings.out;
        simulator.Stop();
    }
}

TEST_F(CliRun, VerboseAndTraceAddTheirLinesForThisRunOnly)
{
    const std::string port = StartSimulator({});
    const ProgramResult run = Tool({"test", "--port", port, "--verbose", "--trace"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string expected[] = {
        "Opening Serial Port " + Quoted(port),
        "Serial Port " + Quoted(port) + " is open",
        "Attempting to contact MT6402 on port " + Quoted(port) + " at 9600 bit/s",
        R"(EstablishContactState Send ";")",
        R"(EstablishContactState Response ";" +\d+ ms)",
        R"(QueryRevisionState Send "V")",
        R"(QueryRevisionState Response "V1\.12;" +\d+ ms)",
        R"(MT6402 revision 01\.12\. RS-232 speed 9600 bit/s\.)",
    };
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), std::size(expected)) << run.out;
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(kStamp + expected[i]))) << lines[i];

    // --trace is not a setting: the saved Trace stays off.
    EXPECT_TRUE(HasLine(Tool({"settings"}).out, "Trace = 0"));
}

TEST_F(CliRun, ASilentModuleIsPolledUntilTheTimeOutAndReportedAsNotResponding)
{
    const std::string port = StartSimulator({"--silent"});
    const ProgramResult run = Tool({"test", "--port", port, "--timeout", "2", "--trace"}, std::chrono::seconds(20));
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(std::regex_match(lines.back(), std::regex(kStamp + "MT6402 is not responding"))) << run.out;
    // 100 ms four times, 150 four times, 225 four times ... within two seconds: a dozen polls or so.
    EXPECT_GE(CountLines(run.out, kStamp + R"(EstablishContactState Send ";")"), 8u) << run.out;
    EXPECT_EQ(CountLines(run.out, kStamp + R"(QueryRevisionState Send "V")"), 0u);
}

TEST_F(CliRun, AModuleThatNeverGivesAValidRevisionEndsWithTheQueryError)
{
    // A reply in the wrong form, or with bytes before its "V", is not a revision reply.
    for (const char* option : {"--bad-version", "--noise"}) {
        SCOPED_TRACE(option);
        const std::string port = StartSimulator({option});
        const ProgramResult run = Tool({"test", "--port", port, "--timeout", "30", "--trace"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(CountLines(run.out, kStamp + R"(QueryRevisionState Send "V")"), 10u) << run.out;
        EXPECT_TRUE(HasLine(run.out, kStamp + R"(Error code 0xE200000D: No response to firmware revision query)"))
            << run.out;
        EXPECT_TRUE(std::regex_match(Lines(run.out).back(), std::regex(kStamp + "MT6402 is not responding")));
        simulator.Stop();
    }
}

TEST_F(CliRun, AHangUpIsReportedAndThePortClosed)
{
    const std::string port = StartSimulator({"--silent", "--hangup-after-ms", "300"});
    const ProgramResult run = Tool({"test", "--port", port, "--timeout", "30"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    // The port's own report names the failed call and the port, the conversation ends with it.
    EXPECT_TRUE(HasLine(run.out, kStamp + "[A-Za-z]+ failed on \"" + Quoted(port) + "\"")) << run.out;
    EXPECT_TRUE(std::regex_match(Lines(run.out).back(), std::regex(kStamp + "Serial Port is closed")));
    EXPECT_LT(run.elapsed, std::chrono::seconds(30)) << "the hang-up went unnoticed until the time-out";
}

TEST_F(CliRun, APortThatCannotBeOpenedEndsAtOnceWithTheMachinesLine)
{
    const std::string port = ToUtf8(folder.Join(L"no-such-tty"));
    const ProgramResult run = Tool({"test", "--port", port, "--timeout", "30"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(HasLine(run.out, kStamp + "Unable to open serial port \"" + Quoted(port) +
                                     R"("\. Error 0x00000002: .+)"))
        << run.out;
    EXPECT_EQ(Lines(run.out).size(), 1u) << run.out;
    EXPECT_LT(run.elapsed, std::chrono::seconds(30));
}

TEST_F(CliRun, WithoutAPortTheToolSaysHowToNameOne)
{
    const ProgramResult run = Tool({"test"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("Serial port name is missing: name one with --port P"), std::string::npos) << run.err;
}

TEST_F(CliRun, BadWordsAreUsageErrorsThatChangeNothing)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"frobnicate"}, R"(Unknown command "frobnicate"\. See mt6402util --help\.)"},
        {{"test", "--timeout", "0"}, R"(The time-out must be a whole number of seconds from 1 to 3600, not "0"\.)"},
        {{"test", "--timeout", "10s"}, R"(The time-out must be .*, not "10s"\.)"},
        {{"test", "--port"}, R"(Option --port needs a value\.)"},
        {{"test", "--speed", "9600"}, R"(Unknown option "--speed" for test\.)"},
        {{"settings", "set", "FirmwareLoadRetryLimit", "26"},
         R"(FirmwareLoadRetryLimit takes a whole number from 5 to 25, not "26"\.)"},
        {{"settings", "set", "Trace", "-1"}, R"(Trace takes a whole number from 0 to 1, not "-1"\.)"},
        {{"settings", "set", "ActivePage", "99999999999"}, R"(ActivePage takes a whole number from 0 to 2, .*)"},
        {{"settings", "set", "FileServer", "host:70000"}, R"(FileServer takes a host name or address, .*, not "host:70000"\.)"},
        {{"settings", "set", "CommandText17", "x"}, R"(Unknown setting "CommandText17"\. The settings are: .*)"},
        {{"settings", "set", "Port"}, R"(Usage: mt6402util settings)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[0] + " " + c.arguments.back());
        const ProgramResult run = Tool(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(HasLine(run.err, c.message)) << run.err;
        EXPECT_EQ(run.out, "");
    }
    // Nothing was written: the settings file was never created.
    EXPECT_FALSE(std::filesystem::exists(settingsFile));
    EXPECT_TRUE(HasLine(Tool({"settings"}).out, "FirmwareLoadRetryLimit = 10"));
}

TEST_F(CliRun, SettingsSetWritesOnlyThatSettingAndTheRestKeepTheirDefaults)
{
    struct Case {
        std::string name;
        std::string value;
        std::string shown;
    };
    const Case cases[] = {
        {"firmwareloadretrylimit", "25", "FirmwareLoadRetryLimit = 25"},
        {"CommandCaption3", "Power on", "CommandCaption3 = Power on"},
        {"VerboseLogging", "1", "VerboseLogging = 1"},
        {"LoaderFlags", "4294967295", "LoaderFlags = 4294967295"},
        {"fileserver", "127.0.0.1:2121", "FileServer = 127.0.0.1:2121"},
    };
    for (const Case& c : cases) {
        const ProgramResult run = Tool({"settings", "set", c.name, c.value});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, c.shown + "\n");
    }
    const ProgramResult shown = Tool({"settings"});
    EXPECT_EQ(shown.exitCode, 0);
    for (const Case& c : cases)
        EXPECT_TRUE(HasLine(shown.out, Quoted(c.shown))) << c.shown;
    EXPECT_TRUE(HasLine(shown.out, "CommandCaption1 = Macro 1"));
    EXPECT_TRUE(HasLine(shown.out, "Trace = 0"));
    EXPECT_EQ(CountLines(shown.out, ".* = .*"), 41u); // 9 single settings and two arrays of 16
}

TEST_F(CliRun, HelpListsEveryCommand)
{
    const ProgramResult run = Tool({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* command : {"ports", "test", "settings", "check", "files"})
        EXPECT_TRUE(HasLine(run.out, std::string("  ") + command + " .*")) << command;
}

TEST_F(CliRun, FilesShowsTheHighestRevisionAndTheNotesOfTheSettingsFolder)
{
    const std::wstring firmware = folder.MakeFolder(L"firmware");
    for (const wchar_t* name : {L"qmcu0110.hex", L"qmcu0112.hex", L"qmcu0113B.hex", L"MT6402FWNotes.RTF", L"notes.txt"})
        folder.WriteFile(std::wstring(L"firmware/") + name, ":00000001FF\n");
    ASSERT_EQ(Tool({"settings", "set", "FirmwareFolder", ToUtf8(firmware)}).exitCode, 0);

    const ProgramResult run = Tool({"files"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(HasLine(run.out, "Firmware folder: " + Quoted(ToUtf8(firmware))));
    EXPECT_TRUE(HasLine(run.out, Quoted("Firmware file:   qmcu0112.hex (revision 01.12)")));
    EXPECT_TRUE(HasLine(run.out, Quoted("Release notes:   MT6402FWNotes.RTF")));
}

TEST_F(CliRun, FilesInAFolderWithoutFirmwareSaysWhatIsMissing)
{
    const std::wstring empty = folder.MakeFolder(L"empty");
    folder.WriteFile(L"empty/qmcu0200B.hex", ":00000001FF\n");
    const ProgramResult run = Tool({"files", "--folder", ToUtf8(empty)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(HasLine(run.out, Quoted("Firmware file:   Missing")));
    EXPECT_TRUE(HasLine(run.out, Quoted("Release notes:   none")));
    EXPECT_TRUE(HasLine(run.err, "Firmware folder does not contain required MT6402 firmware file.*"));
    EXPECT_EQ(Tool({"files", "--folder"}).exitCode, 2);
}

} // namespace
