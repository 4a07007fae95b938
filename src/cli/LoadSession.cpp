// One firmware load from the console.
#include "cli/LoadSession.h"

#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/ConsoleText.h"
#include "cli/StopRequest.h"
#include "firmware/FirmwareFiles.h"
#include "firmware/FirmwareFolder.h"
#include "firmware/FirmwareImage.h"
#include "machines/ContactOutcome.h"
#include "machines/ContactStateMachine.h"
#include "machines/McuLoaderStateMachine.h"
#include "machines/StateMachine.h"
#include "model/ErrorText.h"
#include "model/Format.h"
#include "model/StatusCodes.h"
#include "model/StringTable.h"
#include "platform/LastError.h"
#include "serial/SerialPort.h"
#include "ui/FirmwarePageRules.h"
#include "ui/FrameRules.h"
#include "ui/LoaderDlgRules.h"

namespace {

constexpr uintptr_t kContactTimeoutTimer = 1; // beside the machines' 6 and 23 on the same target
constexpr uint32_t WM_STOP_REQUEST = 0x8100;  // Ctrl+C, posted by CStopRequests
constexpr uint32_t WM_DRAW_PROGRESS = 0x8101; // posted, so drawing waits until the next block is out
constexpr uint32_t kLoaderSpeed = 9600;
constexpr uint32_t kBarWidth = 30;
constexpr uint32_t kRedrawMs = 100;

const wchar_t* Text(intptr_t lParam)
{
    const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
    return text ? text : L"";
}

// The folder part of a path ("." when it has none).
std::wstring FolderOf(const std::wstring& path)
{
    const std::wstring_view name = CRevisionedFileName::FileNameOf(path);
    if (name.size() == path.size())
        return L".";
    return path.substr(0, path.size() - name.size());
}

} // namespace

CLoadSession::CLoadSession(const LoadOptions& options, std::unique_ptr<ISettingsStore> settings)
    : options_(options),
      frame_(loop_, [this](uint32_t message, uintptr_t wParam, intptr_t lParam) {
          return OnFrameMessage(message, wParam, lParam);
      }),
      dialog_(loop_, [this](uint32_t message, uintptr_t wParam, intptr_t lParam) {
          return OnDialogMessage(message, wParam, lParam);
      }),
      progress_(CFirmwareImage::kHighAddress - CFirmwareImage::kLowAddress, CMcuLoaderStateMachine::ProgressUnit,
                static_cast<uint32_t>(kDownloadBlockDataSize)),
      console_(stderr, IsTerminalStream(stderr)),
      model_(loop_, CreateSerialPort(), std::move(settings), [this](CModelBase& model) {
          auto machine = std::make_unique<CContactStateMachine>(model);
          contact_ = machine.get();
          return std::unique_ptr<IContactStateMachine>(std::move(machine));
      })
{
    model_.SetFirmwareFolderProvider([this] { return GetDefaultFirmwareFolder(model_.NotifyWindow()); });
    model_.SetLoaderMachineFactory(DefaultLoaderMachineFactory());
}

CLoadSession::~CLoadSession() = default;

int CLoadSession::Run()
{
    if (!loop_.IsValid() || !frame_.IsValid() || !dialog_.IsValid() || !contact_)
        return Failed(GetLastErrorCode());
    // Ctrl+C from here on stops the load between two events instead of in the middle of one.
    CStopRequests stopRequests(frame_, WM_STOP_REQUEST);
    model_.SetNotifyWindow(&frame_);
    model_.LoadSettings();
    savedTrace_ = model_.Trace.Get();
    savedRetryLimit_ = model_.FirmwareLoadRetryLimit.Get();
    if (!options_.port.empty())
        model_.Port.Set(options_.port);
    if (options_.retryLimit != 0)
        model_.FirmwareLoadRetryLimit.Set(options_.retryLimit);
    if (options_.trace) {
        model_.Trace.Set(1);
        contact_->SetTraceSink([this](const std::wstring& line) { PrintLine(line); });
    }

    CRevisionedFileName file;
    std::wstring folder;
    int exitCode = CLI_EXIT_OK;
    if (ChooseFile(file, folder, exitCode)) {
        exitCode = Contact();
        if (exitCode == CLI_EXIT_OK)
            exitCode = Load(file, folder);
    }
    const std::wstring port = model_.Port.Get();
    Finish();
    if (exitCode == CLI_EXIT_ABANDONED)
        PrintLine(Format(StringId{IDS_CLI_LOAD_ABANDONED}, port));
    return exitCode;
}

bool CLoadSession::ChooseFile(CRevisionedFileName& file, std::wstring& folder, int& exitCode)
{
    if (!options_.file.empty()) {
        file = CRevisionedFileName(options_.file);
        folder = FolderOf(options_.file);
        if (file.GetRevision() == 0) {
            // Verification compares the module's revision with the one in the name.
            WriteLine(stderr, Format(StringId{IDS_CLI_FILE_NO_REVISION}, options_.file));
            exitCode = CLI_EXIT_USAGE;
            return false;
        }
    } else {
        folder = options_.folder.empty() ? model_.FirmwareFolder.Get() : options_.folder;
        CFirmwareFiles files(&model_);
        files.Scan(folder);
        if (!files.HasFirmwareFile()) {
            WriteLine(stderr, LoadStringResource(IDS_FIRMWARE_FILE_MISSING));
            WriteLine(stderr, Format(StringId{IDS_CLI_FOLDER_FILE_MISSING}, StringId{IDS_ERROR_CAPTION}, folder,
                                     StringId{IDS_DEVICE_NAME}));
            exitCode = CLI_EXIT_FAILED;
            return false;
        }
        file = files.GetFirmwareFile();
    }
    // The machine reads the file again when it starts; a file it would refuse is refused here,
    // before the module is disturbed.
    CFirmwareImage image;
    uint32_t code = STATUS_OK;
    if (image.LoadHexFile(file.GetPath())) {
        code = image.CheckReconciliationWord();
    } else {
        code = GetLastErrorCode();
        if (code == STATUS_OK)
            code = ERROR_CODE_INVALID_DATA;
    }
    if (IsFailure(code)) {
        WriteLine(stderr, Format(StringId{IDS_CLI_LOAD_BAD_FILE}, file.GetPath()));
        WriteLine(stderr, Format(StringId{IDS_ERROR_CODE}, code, ErrorText(code)));
        exitCode = CLI_EXIT_FAILED;
        return false;
    }
    return true;
}

int CLoadSession::Contact()
{
    if (!loop_.SetTimer(frame_, kContactTimeoutTimer, options_.timeoutSeconds * 1000))
        return Failed(GetLastErrorCode());
    contact_->TestCommunications();
    if (!contact_->IsComplete() && !stopRequested_)
        loop_.Run();
    loop_.KillTimer(frame_, kContactTimeoutTimer);
    if (stopRequested_)
        return CLI_EXIT_ABANDONED;
    const uint32_t result = contact_->Result();
    // A bootstrap loader still waiting from an earlier load counts as answering; as FirmwareStatus
    // is not 3 the load then begins with a single "D".
    statusForLoad_ =
        StatusForLoad(model_.FirmwareStatus.Get(), model_.PortOpen.Get() != 0, contact_->IsComplete(), result);
    if (statusForLoad_ != FirmwareStatusNone)
        return CLI_EXIT_OK;
    if (model_.PortOpen.Get() == 0) {
        // The machine has printed why the port did not open; only a missing name needs saying.
        if (result == MSG_PORT_NAME_MISSING)
            WriteLine(stderr, Format(StringId{IDS_CLI_PORT_MISSING}, ErrorText(result)));
        return CLI_EXIT_PORT_UNAVAILABLE;
    }
    PrintLine(Format(StringId{IDS_STATUS_NOT_RESPONDING}, StringId{IDS_DEVICE_NAME}));
    return CLI_EXIT_NOT_RESPONDING;
}

int CLoadSession::Load(const CRevisionedFileName& file, const std::wstring& folder)
{
    const uint32_t start = loop_.TickCount();
    uint32_t savedSpeed = model_.SerialPort().Speed();
    if (options_.verbose)
        PrintLine(Format(StringId{IDS_SENDING_FIRMWARE_FROM}, folder));
    if (model_.SerialPort().Speed() != kLoaderSpeed) {
        PrintLine(Format(StringId{IDS_CHANGE_SPEED}, kLoaderSpeed));
        model_.PortSpeed.Set(kLoaderSpeed);
    }
    model_.FirmwareFile.Set(file);

    // The loader dialog's part.
    PrintLine(LoaderStatusLine(model_.InstalledRevision.Get(), model_.PortSpeed.Get()));
    bool verified = false;
    loader_ = model_.CreateLoaderMachine();
    if (!loader_) {
        const uint32_t code = GetLastErrorCode();
        PrintLine(Format(StringId{IDS_ERROR_CODE}, code, ErrorText(code)));
    } else {
        model_.ProgressMaximum.Advise(&dialog_);
        model_.ProgressPosition.Advise(&dialog_);
        model_.StatusReset.Advise(&dialog_);
        loadStarted_ = true;
        barActive_ = true;
        loader_->StartLoad(&dialog_);
        if (!finished_ && !stopRequested_)
            loop_.Run();
        barActive_ = false;
        console_.Clear();
        model_.StatusReset.Unadvise(&dialog_);
        model_.ProgressPosition.Unadvise(&dialog_);
        model_.ProgressMaximum.Unadvise(&dialog_);
        if (!finished_)
            return CLI_EXIT_ABANDONED; // the machine is released and the port closed on the way out
        verified = Complete(result_);
        loader_->Release();
        loader_ = nullptr;
    }

    // Back to the speed the port had, unless a waiting bootstrap loader was just replaced by
    // firmware, which talks at the speed it now has.
    if (verified && statusForLoad_ == FirmwareStatusLoaderWaiting)
        savedSpeed = model_.SerialPort().Speed();
    if (savedSpeed != 0 && model_.PortOpen.Get() != 0 && savedSpeed != model_.SerialPort().Speed()) {
        PrintLine(Format(StringId{IDS_CHANGE_SPEED}, savedSpeed));
        model_.PortSpeed.Set(savedSpeed);
    }
    PrintLine(Format(StringId{IDS_ELAPSED_TIME}, ElapsedSeconds(start, loop_.TickCount())));
    return verified ? CLI_EXIT_OK : CLI_EXIT_FAILED;
}

bool CLoadSession::Complete(uint32_t result)
{
    // Every line of the dialog's log is printed; none of these reaches the frame.
    const auto print = [this](LoaderLine, const std::wstring& text) { PrintLine(text); };
    return !IsFailure(CompleteLoad(*loader_, result, print));
}

void CLoadSession::Finish()
{
    barActive_ = false;
    console_.Clear();
    if (loader_) {
        loader_->Release(); // as the dialog does when it closes; a running load stops where it was
        loader_ = nullptr;
    }
    model_.ClosePort();
    model_.Trace.Set(savedTrace_);                        // --trace is for this run only
    model_.FirmwareLoadRetryLimit.Set(savedRetryLimit_); // and so is --retry-limit
    model_.SaveSettings();
}

intptr_t CLoadSession::OnFrameMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case WM_REPORT_TEXT:
    case WM_VERBOSE_TEXT: {
        const std::wstring text = Text(lParam);
        // The loader machine sends each of its lines to the dialog first, then here.
        if (!echo_.empty() && text == echo_) {
            echo_.clear();
            break;
        }
        echo_.clear();
        if (message == WM_REPORT_TEXT || options_.verbose)
            PrintLine(text);
        break;
    }
    case WM_STOP_REQUEST:
        stopRequested_ = true;
        loop_.Quit(0);
        break;
    case WM_STATE_TIMER:
        if (wParam == kContactTimeoutTimer) {
            loop_.KillTimer(frame_, kContactTimeoutTimer);
            loop_.Quit(0);
            break;
        }
        DispatchToMachine(message, wParam, lParam);
        break;
    case WM_COMM_EVENT:
        DispatchToMachine(message, wParam, lParam);
        break;
    default:
        break;
    }
    return 0;
}

void CLoadSession::DispatchToMachine(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    const bool contactRunning = !contact_->IsComplete();
    const bool loaderRunning = loader_ && !loader_->IsComplete();
    IStateMachine* machine = nullptr;
    switch (::RouteEvent(contactRunning, loaderRunning)) {
    case EventRoute::ContactMachine:
        machine = contact_;
        break;
    case EventRoute::LoaderMachine:
        machine = loader_;
        break;
    case EventRoute::Page:
        return; // no page here: an event without a running machine is dropped
    }
    bool handled = false;
    if (message == WM_COMM_EVENT)
        machine->OnReceive(message, wParam, lParam, handled);
    else
        machine->OnTimer(message, wParam, lParam, handled);
    if (machine == contact_ && contact_->IsComplete() && !loadStarted_)
        loop_.Quit(0);
}

intptr_t CLoadSession::OnDialogMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case WM_LOADER_LINE:
        echo_ = Text(lParam);
        PrintLine(echo_);
        break;
    case WM_MODEL_PROGRESS_MAXIMUM:
        progress_.SetMaximum(model_.ProgressMaximum.Get());
        break;
    case WM_MODEL_PROGRESS_POSITION:
        progress_.SetPosition(model_.ProgressPosition.Get(), loop_.TickCount());
        // Drawn once the machine has sent the block it is building: a posted message waits.
        if (barActive_ && !drawPosted_)
            drawPosted_ = dialog_.Post(WM_DRAW_PROGRESS, 0, 0);
        break;
    case WM_DRAW_PROGRESS:
        drawPosted_ = false;
        DrawProgress(false);
        break;
    case WM_STATUS_RESET:
        // Advise sends the current state at once; only the end of the started load counts.
        if (loadStarted_ && !finished_) {
            finished_ = true;
            result_ = static_cast<uint32_t>(wParam);
            loop_.Quit(0);
        }
        break;
    default:
        break;
    }
    return 0;
}

void CLoadSession::PrintLine(const std::wstring& text)
{
    const bool wasShown = console_.IsShown();
    console_.Clear();
    WriteActivityLine(stdout, text);
    if (wasShown && barActive_)
        DrawProgress(true);
}

void CLoadSession::DrawProgress(bool force)
{
    if (!barActive_)
        return;
    const uint32_t now = loop_.TickCount();
    if (!console_.IsTerminal()) {
        std::wstring line;
        if (progress_.TakePlainLine(now, line))
            WriteLine(stderr, line);
        return;
    }
    const uint32_t percent = progress_.Percent();
    if (!force && now - lastDrawMs_ < kRedrawMs && percent == lastDrawPercent_)
        return;
    lastDrawMs_ = now;
    lastDrawPercent_ = percent;
    console_.Show(progress_.BarLine(now, kBarWidth));
}

int CLoadSession::Failed(uint32_t code)
{
    WriteLine(stderr, Format(StringId{IDS_ERROR_CODE}, code, ErrorText(code)));
    return CLI_EXIT_FAILED;
}
