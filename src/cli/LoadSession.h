// One firmware load from the console: the Firmware page's Send Firmware and the loader dialog, on an event loop.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "cli/ConsoleProgress.h"
#include "cli/LoadOptions.h"
#include "cli/LoadProgress.h"
#include "firmware/RevisionedFileName.h"
#include "model/Model.h"
#include "model/SettingsStore.h"
#include "platform/EventLoop.h"

class CContactStateMachine;
class ILoaderStateMachine;

// Two message targets of the loop play the two windows: `frame` is the model's notify window
// (report lines, the serial port's events, the machines' timers, the stop request), `dialog` is
// the loader dialog (the loader machine's lines, the progress values and StatusReset). The model
// and its machines are this session's own.
class CLoadSession {
public:
    CLoadSession(const LoadOptions& options, std::unique_ptr<ISettingsStore> settings);
    ~CLoadSession();
    CLoadSession(const CLoadSession&) = delete;
    CLoadSession& operator=(const CLoadSession&) = delete;

    // The whole load; returns the exit status (see RunLoadCommand).
    int Run();

private:
    // The firmware file of --file or the folder; false with the exit status when there is none
    // to send (the reason printed).
    bool ChooseFile(CRevisionedFileName& file, std::wstring& folder, int& exitCode);
    // The contact machine until the module answers, the time-out or a stop request.
    int Contact();
    // Send Firmware from the speed change to the elapsed time.
    int Load(const CRevisionedFileName& file, const std::wstring& folder);
    // The loader dialog's completion: statistics, verification and the outcome lines.
    bool Complete(uint32_t result);
    // As the main window closes: machines stopped, port closed, settings written once.
    void Finish();

    intptr_t OnFrameMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    intptr_t OnDialogMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // A serial event or a machine timer to the machine that runs, as the main window routes them.
    void DispatchToMachine(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // An activity line on standard output, the progress line out of its way.
    void PrintLine(const std::wstring& text);
    void DrawProgress(bool force);
    int Failed(uint32_t code);

    const LoadOptions options_;
    CEventLoop loop_;
    CEventLoop::CTarget frame_;
    CEventLoop::CTarget dialog_;
    CContactStateMachine* contact_ = nullptr; // owned by the model
    ILoaderStateMachine* loader_ = nullptr;   // owned by the model until released
    CLoadProgress progress_;
    CConsoleProgress console_;

    FIRMWARESTATUS statusForLoad_ = FirmwareStatusNone; // what the contact found (see StatusForLoad)
    bool loadStarted_ = false;  // StartLoad called: StatusReset now means the end
    bool finished_ = false;     // StatusReset arrived
    uint32_t result_ = 0;       // its result
    bool stopRequested_ = false;
    bool drawPosted_ = false;   // a progress redraw waits in the queue
    bool barActive_ = false;    // the load is sending: the progress line belongs on screen
    uint32_t lastDrawMs_ = 0;
    uint32_t lastDrawPercent_ = 0;
    std::wstring echo_;         // the loader line just printed, which the frame receives once more

    int savedTrace_ = 0;
    uint32_t savedRetryLimit_ = 0;

    // Declared last: its machines and port go first, while the targets still exist.
    CModel model_;
};
