// The Port page: choose the module's serial port, test communications, close the port, see what answered.
#include "ui/PortPage.h"
#include "ui/BalloonToolTips.h"

#include <commctrl.h>

#include <vector>

#include "ResourceIds.h"
#include "app/Help.h"
#include "machines/ContactStateMachine.h"
#include "model/Format.h"
#include "model/Model.h"
#include "model/StringTable.h"
#include "platform/UserQuestions.h"
#include "serial/PortList.h"
#include "ui/FrameRules.h"

CPortPage::CPortPage(CModelBase& model) : CPropertyPageImpl(IDD_PORT), model_(model) {}

CPortPage::~CPortPage() { StopObserving(); }

bool CPortPage::OnInitDialog()
{
    target_.Attach(Handle());
    closePort_ = Item(IDC_CLOSE_PORT);
    testCommunications_ = Item(IDC_TEST_COMMUNICATIONS);
    portList_ = Item(IDC_PORT_LIST);
    FillPortList();
    // A stored port that is no longer there is forgotten (and the frame then closes the port).
    if (!SelectPort(model_.Port.Get()))
        model_.Port.Set(L"");
    CreateToolTips();
    return true;
}

void CPortPage::CreateToolTips()
{
    const ToolTipEntry tools[] = {
        {portList_, IDS_TIP_PORT_LIST}, {testCommunications_, IDS_TIP_TEST}, {closePort_, IDS_TIP_CLOSE_PORT}};
    toolTip_ = CreateBalloonToolTips(Handle(), tools);
}

void CPortPage::FillPortList()
{
    std::vector<std::wstring> ports = EnumerateSerialPorts();
    std::wstring selected;
    LRESULT index = SendMessageW(portList_, CB_GETCURSEL, 0, 0);
    if (index != CB_ERR) {
        LRESULT length = SendMessageW(portList_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length != CB_ERR) {
            selected.assign(static_cast<size_t>(length) + 1, L'\0');
            SendMessageW(portList_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(selected.data()));
            selected.resize(static_cast<size_t>(length));
        }
    }
    SendMessageW(portList_, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& port : ports)
        SendMessageW(portList_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(port.c_str()));
    if (!selected.empty())
        SelectPort(selected);
}

bool CPortPage::SelectPort(const std::wstring& name)
{
    // The combo box's own rule: the first item that begins with the text, without regard to case.
    return SendMessageW(portList_, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name.c_str())) !=
           CB_ERR;
}

bool CPortPage::OnCommand(int id, int code, HWND)
{
    switch (id) {
    case IDC_PORT_LIST:
        if (code == CBN_DROPDOWN) {
            FillPortList();
            return true;
        }
        if (code == CBN_SELCHANGE) {
            LRESULT index = SendMessageW(portList_, CB_GETCURSEL, 0, 0);
            if (index == CB_ERR)
                return true;
            LRESULT length = SendMessageW(portList_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
            if (length == CB_ERR)
                return true;
            std::wstring text(static_cast<size_t>(length) + 1, L'\0');
            SendMessageW(portList_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
            text.resize(static_cast<size_t>(length));
            model_.Port.Set(text);
            return true;
        }
        return false;
    case IDC_TEST_COMMUNICATIONS:
        if (code == BN_CLICKED)
            OnTestCommunications();
        return true;
    case IDC_CLOSE_PORT:
        if (code == BN_CLICKED)
            if (IContactStateMachine* contact = model_.ContactMachine())
                contact->ClosePortNow();
        return true;
    default:
        return false;
    }
}

void CPortPage::OnTestCommunications()
{
    if (model_.Port.Get().empty()) {
        ShowBox(IDS_SELECT_PORT_CAPTION, LoadStringResource(IDS_CHOOSE_PORT), MB_FLAG_ICONERROR);
        SendMessageW(portList_, CB_SHOWDROPDOWN, TRUE, 0);
        return;
    }
    if (IContactStateMachine* contact = model_.ContactMachine())
        contact->TestCommunications();
}

void CPortPage::ShowDeviceStatus()
{
    const StringId device{IDS_DEVICE_NAME};
    switch (model_.FirmwareStatus.Get()) {
    case FirmwareStatusLoaderWaiting:
        ShowBox(IDS_DEVICE_STATUS_CAPTION, Format(StringId{IDS_STATUS_LOADER_WAITING}, device, model_.PortSpeed.Get()),
                MB_FLAG_ICONWARNING);
        break;
    case FirmwareStatusRunning:
        ShowBox(IDS_DEVICE_STATUS_CAPTION,
                Format(StringId{IDS_STATUS_RUNNING}, device, RevisionText(model_.InstalledRevision.Get()),
                       model_.PortSpeed.Get()),
                MB_FLAG_ICONINFORMATION);
        break;
    default:
        ShowBox(IDS_DEVICE_STATUS_CAPTION, Format(StringId{IDS_STATUS_NOT_RESPONDING}, device), MB_FLAG_ICONERROR);
        break;
    }
}

int CPortPage::ShowBox(uint32_t captionId, const std::wstring& text, uint32_t icon)
{
    return AskUser(&target_, text, LoadStringResource(captionId), MB_FLAG_OK | icon);
}

void CPortPage::StartObserving()
{
    if (registered_)
        return;
    model_.FirmwareStatus.Advise(&target_);
    model_.Port.Advise(&target_);
    model_.PortOpen.Advise(&target_);
    registered_ = true;
}

void CPortPage::StopObserving()
{
    model_.FirmwareStatus.Unadvise(&target_);
    model_.Port.Unadvise(&target_);
    model_.PortOpen.Unadvise(&target_);
    registered_ = false;
}

void CPortPage::OnDestroy() { StopObserving(); }

bool CPortPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam)
            StartObserving();
        else
            StopObserving();
        return false;
    case WM_MODEL_PORT:
        SelectPort(model_.Port.Get());
        result = 0;
        return true;
    case WM_MODEL_PORT_OPEN:
        EnableWindow(closePort_, model_.PortOpen.Get() != 0);
        result = 0;
        return true;
    case WM_MODEL_FIRMWARE_STATUS:
        if (registered_ && model_.PortOpen.Get() != 0)
            ShowDeviceStatus();
        result = 0;
        return true;
    case WM_HELP:
        ShowHelpTopic(Handle(), L"Port.htm");
        result = TRUE;
        return true;
    default:
        return CPropertyPageImpl::OnMessage(message, wParam, lParam, result);
    }
}
