// The module simulator played through the real CSerialPort: replies, options, hang-up, link and exit.
#include "serial/SerialPort.h"

#include "platform/LastError.h"
#include "platform/TextConversion.h"

#include "PortReading.h"
#include "ScriptedAnswers.h"
#include "SimulatorProcess.h"
#include "WaitingTarget.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

using namespace std::chrono_literals;

namespace {

class SimulatorOnPort : public ::testing::Test {
protected:
    void Start(const std::vector<std::string>& arguments)
    {
        std::string error;
        ASSERT_TRUE(simulator.Start(MT_SIMULATOR, arguments, error)) << error;
        port.SetMessageWindow(&window);
        ASSERT_TRUE(port.Open(FromUtf8(simulator.SlavePath())));
    }

    // Sends a command and collects the reply up to its last character `terminator`; empty when
    // nothing complete has come within `timeout`.
    std::string Ask(const std::string& command, char terminator = ';', std::chrono::milliseconds timeout = 3s)
    {
        port.Purge();
        EXPECT_TRUE(port.WriteText(FromUtf8(command)));
        return ReadReply(port, window, terminator, timeout);
    }

    SimulatorProcess simulator;
    ScriptedAnswers answers{{}, ANSWER_OK};
    WaitingTarget window;
    CSerialPort port;
};

TEST_F(SimulatorOnPort, TheFirmwareAnswersPollsAndTheRevisionQuery)
{
    struct Case {
        std::vector<std::string> options;
        std::string poll;
        std::string revision;
    };
    const Case cases[] = {
        {{}, ";", "V1.12;"},
        {{"--revision", "123"}, ";", "V1.23;"},
        {{"--revision", "5"}, ";", "V0.05;"},
        {{"--revision", "999"}, ";", "V9.99;"},
        {{"--bad-version"}, ";", "V1.2;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.empty() ? std::string("defaults") : c.options[0]);
        Start(c.options);
        EXPECT_EQ(Ask(";"), c.poll);
        EXPECT_EQ(Ask("V"), c.revision);
        port.Close();
        simulator.Stop();
    }
}

TEST_F(SimulatorOnPort, NoisePrecedesEveryReply)
{
    Start({"--noise"});
    for (const char* command : {";", "V"}) {
        std::string reply = Ask(command);
        std::string plain = command == std::string(";") ? ";" : "V1.12;";
        ASSERT_GT(reply.size(), plain.size()) << command;
        EXPECT_EQ(reply.substr(reply.size() - plain.size()), plain);
        EXPECT_EQ(reply.substr(0, reply.size() - plain.size()).find_first_of(";VDABN"), std::string::npos);
    }
}

TEST_F(SimulatorOnPort, ASilentModuleAnswersNothing)
{
    Start({"--silent"});
    EXPECT_EQ(Ask(";", ';', 300ms), "");
    EXPECT_EQ(Ask("V", ';', 300ms), "");
    EXPECT_EQ(window.Count(WM_COMM_EVENT), 0u);
}

TEST_F(SimulatorOnPort, HangingUpEndsTheConversationWithAccessDenied)
{
    Start({"--silent", "--hangup-after-ms", "100"});
    int status = -1;
    ASSERT_TRUE(simulator.WaitForExit(5s, status));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(port.WaitForWaiterExit(5000));
    EXPECT_FALSE(port.WriteText(L";"));
    EXPECT_EQ(GetLastErrorCode(), ERROR_CODE_ACCESS_DENIED);
    EXPECT_EQ(answers.asked.size(), 1u);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SimulatorOnPort, TheLinkLeadsToThePortAndGoesWithTheSimulator)
{
    std::filesystem::path link = std::filesystem::temp_directory_path() / ("mt6402sim-link-" + std::to_string(::getpid()));
    std::filesystem::create_symlink("/nonexistent", link); // replaced in one step
    std::string error;
    ASSERT_TRUE(simulator.Start(MT_SIMULATOR, {"--link", link.string()}, error)) << error;
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), simulator.SlavePath());
    port.SetMessageWindow(&window);
    ASSERT_TRUE(port.Open(FromUtf8(link.string())));
    EXPECT_EQ(Ask("V"), "V1.12;");
    port.Close();
    simulator.Stop();
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    std::filesystem::remove(link);
}

TEST_F(SimulatorOnPort, TheSimulatorEndsOnceTheProgramHasBeenGoneForTheLingerTime)
{
    Start({"--linger-ms", "100"});
    EXPECT_EQ(Ask(";"), ";");
    int status = -1;
    EXPECT_FALSE(simulator.WaitForExit(0ms, status)); // still there while the port is open
    port.Close();
    ASSERT_TRUE(simulator.WaitForExit(5s, status));
    EXPECT_EQ(status, 0);
}

TEST(Simulator, RejectsBadOptions)
{
    for (std::vector<std::string> options : {std::vector<std::string>{"--revision", "1000"},
                                             {"--revision", "x"}, {"--revision"}, {"--hangup-after-ms", "-5"},
                                             {"--link"}, {"--frobnicate"}}) {
        SimulatorProcess simulator;
        std::string error;
        EXPECT_FALSE(simulator.Start(MT_SIMULATOR, options, error)) << options[0];
        int status = -1;
        ASSERT_TRUE(simulator.WaitForExit(5s, status));
        EXPECT_EQ(status, 2) << options[0];
    }
}

} // namespace
