// The "Sending Firmware" dialog: a firmware load runs in it, with its log, progress bar and outcome.
#pragma once
#include <cstdint>
#include <string>

#include <windows.h>

#include "model/Reporting.h"
#include "ui/DialogImpl.h"
#include "ui/DialogLayout.h"
#include "ui/LogControl.h"
#include "ui/WaitCursor.h"
#include "ui/WindowTarget.h"

class CModelBase;
class ILoaderStateMachine;

// Modal, for one load. When first shown it takes a new loader machine from the model, observes
// ProgressMaximum, ProgressPosition and StatusReset and starts the load of the model's FirmwareFile;
// the machine's lines go into the log as they come. At the end it reports the retry statistics and
// the revision check and ends with IDOK after a verified load (with Trace on, once "Close" is
// pressed); after a failure it shows the code and stays open. Closing during the load asks first;
// "Yes" ends with IDCANCEL and the load stops where it was. The machine is released, and the
// observers removed, when the window hides or is destroyed. The model must outlive the dialog.
class CLoaderDlg : public CDialogImpl, public CDisplayStatusClient<CLoaderDlg>, public CWaitCursorE {
public:
    explicit CLoaderDlg(CModelBase& model);
    ~CLoaderDlg() override;

    // The load's outcome so far: its result, or the revision check's after a complete load.
    uint32_t LoadResult() const { return loadResult_; }

    // For the reporting mix-in: the dialog's window, and its own log (every line goes there first).
    IMessageTarget* MessageWindow() { return &target_; }
    void AppendToOwnLog(const std::wstring& text);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDestroy() override;

private:
    void AddSizeGrip();
    void Start();
    void Complete(uint32_t result);
    void OnClose();
    void End(INT_PTR result);
    void OnHidden();
    void StopObserving();
    void ReleaseMachine();
    void ShowFailure(uint32_t code);
    void ShowProgress(bool first);

    CModelBase& model_;
    CWindowTarget target_;
    HWND cancel_ = nullptr;
    HWND progress_ = nullptr;
    uint32_t loadResult_ = 0;
    bool observing_ = false;
    ILoaderStateMachine* machine_ = nullptr; // owned by the model; released by the dialog
    bool started_ = false;      // the first show has started the load
    bool loadRunning_ = false;  // StartLoad called and StatusReset not yet arrived: the next one is the end
    bool ending_ = false;       // EndDialog called
    int64_t shownPosition_ = -1; // the position the bar shows; -1 before the load's first
    CLogControl log_;
    CDialogLayout layout_;
};

// The loader dialog of the MT6402.
class CMcuLoaderDlg final : public CLoaderDlg {
public:
    using CLoaderDlg::CLoaderDlg;
};
