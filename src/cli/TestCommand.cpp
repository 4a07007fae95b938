// The `test` subcommand of mt6402util: Test Communications from the console.
#include "cli/TestCommand.h"

#include <cstdio>
#include <memory>

#include "cli/CliSettings.h"
#include "cli/ConsoleAnswers.h"
#include "cli/ConsoleText.h"
#include "firmware/FirmwareFolder.h"
#include "machines/ContactStateMachine.h"
#include "model/ErrorText.h"
#include "model/Format.h"
#include "model/Model.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"
#include "platform/EventLoop.h"
#include "platform/LastError.h"
#include "serial/SerialPort.h"
#include "ui/FrameRules.h"

namespace {

constexpr uintptr_t kTimeoutTimer = 1; // beside the contact machine's 23 on the same window
constexpr uint32_t kLongestTimeout = 3600;

// Reads a whole number of seconds from 1 to kLongestTimeout.
bool ParseSeconds(const std::wstring& text, uint32_t& seconds)
{
    if (text.empty() || text.size() > 4)
        return false;
    uint32_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + static_cast<uint32_t>(c - L'0');
    }
    if (value < 1 || value > kLongestTimeout)
        return false;
    seconds = value;
    return true;
}

// One run of the contact machine on a model of its own, with the event loop as its message loop
// and a message target of the loop as the model's notify window (it plays the main frame's part).
class CTestSession {
public:
    CTestSession(const TestOptions& options, std::unique_ptr<ISettingsStore> settings)
        : options_(options),
          model_(loop_, CreateSerialPort(), std::move(settings), [this](CModelBase& model) {
              auto machine = std::make_unique<CContactStateMachine>(model);
              machine_ = machine.get();
              return std::unique_ptr<IContactStateMachine>(std::move(machine));
          })
    {
        model_.SetFirmwareFolderProvider([this] { return GetDefaultFirmwareFolder(model_.NotifyWindow()); });
    }

    int Run()
    {
        if (!loop_.IsValid() || !window_.IsValid() || !machine_)
            return Failed(GetLastErrorCode());
        model_.SetNotifyWindow(&window_);
        model_.LoadSettings();
        const int savedTrace = model_.Trace.Get();
        if (!options_.port.empty())
            model_.Port.Set(options_.port);
        if (options_.trace) {
            model_.Trace.Set(1);
            machine_->SetTraceSink([](const std::wstring& line) { WriteActivityLine(stdout, line); });
        }

        if (!loop_.SetTimer(window_, kTimeoutTimer, options_.timeoutSeconds * 1000))
            return Failed(GetLastErrorCode());
        machine_->TestCommunications();
        if (!machine_->IsComplete())
            loop_.Run();
        loop_.KillTimer(window_, kTimeoutTimer);
        const int exitCode = Outcome();

        // As the main window closes: the port is closed and the settings written once.
        machine_->Cancel();
        model_.ClosePort();
        model_.Trace.Set(savedTrace); // --trace is for this run only
        model_.SaveSettings();
        return exitCode;
    }

private:
    intptr_t OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
    {
        switch (message) {
        case WM_REPORT_TEXT:
            WriteActivityLine(stdout, reinterpret_cast<const wchar_t*>(lParam));
            break;
        case WM_VERBOSE_TEXT:
            if (options_.verbose)
                WriteActivityLine(stdout, reinterpret_cast<const wchar_t*>(lParam));
            break;
        case WM_STATE_TIMER:
            if (wParam == kTimeoutTimer) {
                timedOut_ = true;
                loop_.Quit(0);
                break;
            }
            [[fallthrough]];
        case WM_COMM_EVENT:
            // The main window's rule; this tool shows no page, so an event without a running
            // machine is dropped.
            if (RouteEvent(!machine_->IsComplete(), false) == EventRoute::ContactMachine) {
                bool handled = false;
                if (message == WM_COMM_EVENT)
                    machine_->OnReceive(message, wParam, lParam, handled);
                else
                    machine_->OnTimer(message, wParam, lParam, handled);
                if (machine_->IsComplete())
                    loop_.Quit(0);
            }
            break;
        default:
            break;
        }
        return 0;
    }

    void PrintStatus()
    {
        WriteActivityLine(stdout, FirmwareStatusText(model_.FirmwareStatus.Get(), model_.SerialPort().IsOpen(),
                                                     model_.InstalledRevision.Get(), model_.PortSpeed.Get()));
    }

    int Outcome()
    {
        if (model_.FirmwareStatus.Get() == FirmwareStatusRunning) {
            PrintStatus();
            return CLI_EXIT_OK;
        }
        if (timedOut_) {
            PrintStatus();
            return CLI_EXIT_FAILED;
        }
        const uint32_t result = machine_->Result();
        if (model_.PortOpen.Get() == 0) {
            // The machine has printed why the port did not open; only a missing name needs saying.
            if (result == MSG_PORT_NAME_MISSING)
                WriteLine(stderr, Format(StringId{IDS_CLI_PORT_MISSING}, ErrorText(result)));
            return CLI_EXIT_PORT_UNAVAILABLE;
        }
        if (IsFailure(result))
            WriteActivityLine(stdout, Format(StringId{IDS_ERROR_CODE}, result, ErrorText(result)));
        PrintStatus();
        return CLI_EXIT_FAILED;
    }

    int Failed(uint32_t code)
    {
        WriteLine(stderr, Format(StringId{IDS_ERROR_CODE}, code, ErrorText(code)));
        return CLI_EXIT_FAILED;
    }

    const TestOptions options_;
    CEventLoop loop_;
    CEventLoop::CTarget window_{loop_, [this](uint32_t message, uintptr_t wParam, intptr_t lParam) {
                                    return OnMessage(message, wParam, lParam);
                                }};
    CContactStateMachine* machine_ = nullptr; // owned by the model
    bool timedOut_ = false;
    CModel model_;
};

} // namespace

bool ParseTestOptions(const std::vector<std::wstring>& args, TestOptions& options, std::wstring& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& word = args[i];
        if (word == L"--help" || word == L"-h") {
            options.help = true;
        } else if (word == L"--verbose" || word == L"-v") {
            options.verbose = true;
        } else if (word == L"--trace") {
            options.trace = true;
        } else if (word == L"--port" || word.starts_with(L"--port=") || word == L"--timeout" ||
                   word.starts_with(L"--timeout=")) {
            const size_t equals = word.find(L'=');
            const std::wstring option = word.substr(0, equals);
            std::wstring value;
            if (equals != std::wstring::npos) {
                value = word.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            }
            if (value.empty()) {
                error = Format(StringId{IDS_CLI_MISSING_VALUE}, option);
                return false;
            }
            if (option == L"--port") {
                options.port = value;
            } else if (!ParseSeconds(value, options.timeoutSeconds)) {
                error = Format(StringId{IDS_CLI_BAD_TIMEOUT}, value);
                return false;
            }
        } else {
            error = Format(StringId{IDS_CLI_UNKNOWN_OPTION}, word, L"test");
            return false;
        }
    }
    return true;
}

int RunTestCommand(const CliContext& context, const std::vector<std::wstring>& args)
{
    TestOptions options;
    std::wstring error;
    if (!ParseTestOptions(args, options, error)) {
        WriteLine(stderr, error);
        WriteLine(stderr, LoadStringResource(IDS_CLI_TEST_USAGE));
        return CLI_EXIT_USAGE;
    }
    if (options.help) {
        WriteLine(stdout, LoadStringResource(IDS_CLI_TEST_USAGE));
        return CLI_EXIT_OK;
    }
    CDefaultAnswers answers;
    // Without a settings store the run goes on with the defaults, as the Windows program does.
    CTestSession session(options, OpenCliSettings(context));
    return session.Run();
}
