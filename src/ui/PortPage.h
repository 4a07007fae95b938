// The Port page: choose the module's serial port, test communications, close the port, see what answered.
#pragma once
#include <string>

#include "ui/PropertyPage.h"
#include "ui/WindowTarget.h"

class CModelBase;

// Registered with FirmwareStatus, Port and PortOpen exactly while shown. The port list is read from
// the serial device map at initialisation and whenever the drop-down list opens; only a choice
// from the list changes Port.
class CPortPage : public CPropertyPageImpl {
public:
    explicit CPortPage(CModelBase& model);
    ~CPortPage() override;

    // The box that tells what answered on the port, chosen by FirmwareStatus.
    void ShowDeviceStatus();

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDestroy() override;

private:
    void FillPortList();
    bool SelectPort(const std::wstring& name);
    void OnTestCommunications();
    void StartObserving();
    void StopObserving();
    void CreateToolTips();
    int ShowBox(uint32_t captionId, const std::wstring& text, uint32_t icon);

    HWND closePort_ = nullptr;
    HWND testCommunications_ = nullptr;
    HWND portList_ = nullptr;
    bool registered_ = false; // set after the three registrations while shown
    CModelBase& model_;
    HWND toolTip_ = nullptr;
    CWindowTarget target_;
};
