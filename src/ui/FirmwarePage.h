// The Firmware page: the firmware folder, installed and available revisions, and the activity log.
#pragma once
#include <cstdint>
#include <string>

#include "firmware/FirmwareFiles.h"
#include "model/Reporting.h"
#include "ui/DialogLayout.h"
#include "ui/PropertyPage.h"
#include "ui/LogControl.h"
#include "ui/WindowTarget.h"

class CModelBase;

// Registered with FirmwareFolder, FirmwareStatus and InstalledRevision exactly while shown. Every
// scan of the folder (UpdateAvailable) shows the available revision; lines the main frame
// forwards while the page is shown go, time-stamped, into the activity log. "Send Firmware to
// MT6402" runs the loader dialog on the port switched to 9600 bit/s, then restores the speed and
// asks the module again. "Copy New Files from Norvanta" is not wired yet and stays disabled.
class CFirmwarePage : public CPropertyPageImpl,
                      public CDisplayStatusClient<CFirmwarePage>,
                      public CPopupErrorClient<CFirmwarePage> {
public:
    explicit CFirmwarePage(CModelBase& model);
    ~CFirmwarePage() override;

    // The page's window as the reporting mix-ins see it (report lines go to its top-level window).
    IMessageTarget* MessageWindow() { return &target_; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDestroy() override;

private:
    // Scans FirmwareFolder, shows the available revision and updates the Send button; with the
    // hint, a folder without a firmware file is reported.
    void UpdateAvailable(bool hint);
    // Enables "Send Firmware to MT6402" by its rule (moving the focus on first if it is about to
    // be disabled while it has it).
    void UpdateSendButton();
    void SetUpLog();
    void WriteLogHeader();
    void CreateToolTips();
    void OnShown();
    void OnShownAndCurrent();
    void StopObserving();
    void OnDefaultFolder();
    void OnBrowseFolder();
    void OnFolderEditLostFocus();
    void OnCheckRevisionNow();
    void OnSendFirmware();
    void ChangeSpeed(uint32_t speed);
    void TestCommunications();
    void MoveFocusFrom(HWND control, bool backward);
    static LRESULT CALLBACK FolderEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR data);

    CModelBase& model_;
    CFirmwareFiles files_;
    HWND browse_ = nullptr;
    HWND checkRevision_ = nullptr;
    HWND default_ = nullptr;
    HWND copyNewFiles_ = nullptr;
    HWND sendFirmware_ = nullptr;
    HWND folderEdit_ = nullptr;
    bool folderEditChanged_ = false; // set by any change of the edit's text, cleared when it gains focus
    HWND toolTip_ = nullptr;
    bool observing_ = false;  // registered with the three model values
    bool registering_ = false; // the first notifications of the registration are being delivered
    bool showPending_ = false; // the scan after showing the page is posted and not yet done
    CWindowTarget target_;
    CDialogLayout layout_;
    CLogControl log_;
};
