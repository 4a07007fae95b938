// The program's one main window: menu, status bar, title, the tab view, and the routing of serial and timer events.
#pragma once
#include <memory>
#include <string>

#include <windows.h>

#include "app/FrameStatusBar.h"
#include "app/PaneFocus.h"
#include "app/TabView.h"
#include "ui/FileVersionInfo.h"
#include "ui/MessageLoop.h"
#include "ui/WindowTarget.h"

class CModelBase;
class CReleaseInfoDlg;

// The model is a member: it lives exactly as long as the frame object. The frame is the model's
// notify window and observes FirmwareStatus, StatusReset, SerialNumber, Port and PortSpeed from its
// creation until its destruction; settings are loaded while the window is created and saved (with
// the window placement) while it is destroyed.
class CMainFrame : public IMessageLoopFilter {
public:
    // `loop` receives the frame's message filter and looks out for the serial port's answers (may
    // be null); with `quitOnDestroy` the destruction of the window ends the thread's message loop.
    CMainFrame(std::unique_ptr<CModelBase> model, CMessageLoop* loop, bool quitOnDestroy = true);
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // Creates the window (not yet shown). Null when creation failed.
    HWND Create();

    HWND Handle() const { return window_; }
    HWND StatusBar() const { return statusBar_.Handle(); }
    CTabView& TabView() { return tabView_; }
    CModelBase& Model() { return *model_; }
    // The default size (0 until the first show computed it).
    SIZE DefaultSize() const { return defaultSize_; }

    bool PreTranslateMessage(MSG& message) override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool OnCreate();
    void OnDestroy();
    void OnFirstShow();
    void OnCommand(UINT id);
    LRESULT RouteEvent(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnReportText(LPARAM lParam);

    void Observe();
    void StopObserving();
    void UpdateTitle();
    void ShowStatusForFirmware();
    void ToggleSetting(UINT command);
    void SetCheck(UINT command, bool checked);
    void LayoutFrame();

    std::unique_ptr<CModelBase> model_;
    CMessageLoop* loop_;
    bool quitOnDestroy_;
    HWND window_ = nullptr;
    CWindowTarget target_;
    CFrameStatusBar statusBar_;
    CTabView tabView_;
    CPaneFocus paneFocus_;
    std::unique_ptr<CReleaseInfoDlg> releaseNotes_; // the Release Notes window, or none
    HACCEL accelerators_ = nullptr;
    SIZE defaultSize_{};
    bool firstShowDone_ = false;
    IMessageTarget* observer_ = nullptr; // the target registered with the model, or null
    bool filterRegistered_ = false;
    bool ignoreStatusReset_ = false;
    // The title's first part, read once from the executable's version block.
    bool haveVersion_ = false;
    CFileVersionInfo version_;
};
