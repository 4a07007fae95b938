// The Firmware page: the firmware folder, installed and available revisions, and the activity log.
#include "ui/FirmwarePage.h"
#include "ui/BalloonToolTips.h"

#include <commctrl.h>
#include <richedit.h>

#include "ResourceIds.h"
#include "app/Help.h"
#include "machines/ContactOutcome.h"
#include "machines/StateMachine.h"
#include "model/ActivityLog.h"
#include "model/Model.h"
#include "model/OsVersion.h"
#include "model/StringTable.h"
#include "ui/FileVersionInfo.h"
#include "ui/FirmwarePageRules.h"
#include "ui/FolderBrowser.h"
#include "ui/FrameRules.h"
#include "ui/LoaderDlg.h"

namespace {

constexpr UINT_PTR kFolderEditSubclassId = 1;
// Posted by the page to itself when it has been shown (outside the model's notification numbers).
constexpr UINT kShownMessage = WM_APP + 0x100;
constexpr int kFolderEditLimit = 260;
constexpr LPARAM kLogTextLimit = 0x200000;
constexpr int kToolTipWidth = 300;

// The bootstrap loader talks at this speed.
constexpr uint32_t kLoaderSpeed = 9600;

bool IsFolderEditNavigationKey(WPARAM key) { return key == VK_TAB || key == VK_RETURN; }

} // namespace

CFirmwarePage::CFirmwarePage(CModelBase& model) : CPropertyPageImpl(IDD_FIRMWARE), model_(model), files_(&model) {}

CFirmwarePage::~CFirmwarePage() { StopObserving(); }

bool CFirmwarePage::OnInitDialog()
{
    target_.Attach(Handle());
    browse_ = Item(IDC_BROWSE_FOLDER);
    checkRevision_ = Item(IDC_CHECK_REVISION);
    default_ = Item(IDC_DEFAULT_FOLDER);
    copyNewFiles_ = Item(IDC_COPY_NEW_FILES);
    sendFirmware_ = Item(IDC_SEND_FIRMWARE);
    folderEdit_ = Item(IDC_FOLDER_EDIT);

    SetUpLog();
    if (folderEdit_) {
        SendMessageW(folderEdit_, EM_LIMITTEXT, kFolderEditLimit, 0);
        SetWindowSubclass(folderEdit_, FolderEditProc, kFolderEditSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
    // Copying from the file server is wired by a later piece of work.
    EnableWindow(copyNewFiles_, FALSE);
    UpdateSendButton();
    CreateToolTips();
    WriteLogHeader();
    layout_.Setup(Handle(), {{IDC_FOLDER_GROUP, LayoutGrowX},
                             {IDC_FOLDER_EDIT, LayoutGrowX},
                             {IDC_CHECK_GROUP, LayoutGrowX},
                             {IDC_REVISION_GROUP, LayoutGrowX},
                             {IDC_DEFAULT_FOLDER, LayoutMoveX},
                             {IDC_BROWSE_FOLDER, LayoutMoveX},
                             {IDC_COPY_NEW_FILES, LayoutMoveX},
                             {IDC_SEND_FIRMWARE, LayoutMoveX},
                             {IDC_LOG_GROUP, LayoutGrowX | LayoutGrowY},
                             {IDC_LOG, LayoutGrowX | LayoutGrowY}});
    return true;
}

void CFirmwarePage::SetUpLog()
{
    if (log_.Attach(Item(IDC_LOG)))
        SendMessageW(log_.Handle(), EM_EXLIMITTEXT, 0, kLogTextLimit);
}

void CFirmwarePage::WriteLogHeader()
{
    if (!log_.Handle())
        return;
    // The same name-and-revision text that begins the main window's title.
    CFileVersionInfo version;
    if (version.ReadOwnExecutable())
        AppendLogLine(log_.View(), ProgramRevisionLine(version.Get(CFileVersionInfo::FileDescription),
                                                version.FileVersionParts()));
    AppendLogLine(log_.View(), OsVersionText());
}

void CFirmwarePage::CreateToolTips()
{
    const ToolTipEntry tools[] = {{default_, IDS_TIP_DEFAULT_FOLDER},
                                  {browse_, IDS_TIP_BROWSE_FOLDER},
                                  {copyNewFiles_, IDS_TIP_COPY_NEW_FILES},
                                  {checkRevision_, IDS_TIP_CHECK_REVISION},
                                  {sendFirmware_, IDS_TIP_SEND_FIRMWARE}};
    toolTip_ = CreateBalloonToolTips(Handle(), tools);
}

void CFirmwarePage::UpdateAvailable(bool hint)
{
    files_.Scan(model_.FirmwareFolder.Get());
    SetDlgItemTextW(Handle(), IDC_AVAILABLE_REVISION, AvailableRevisionText(files_.GetFirmwareFile()).c_str());
    UpdateSendButton();
    if (hint && !files_.HasFirmwareFile()) {
        const StringId device{IDS_DEVICE_NAME};
        DisplayStatus(StringId{IDS_MISSING_FIRMWARE_FILE}, device, device);
    }
}

void CFirmwarePage::UpdateSendButton()
{
    bool enable = CanSendFirmware(files_.HasFirmwareFile(), model_.IsExpectedDevice());
    if (!enable && sendFirmware_ && GetFocus() == sendFirmware_)
        MoveFocusFrom(sendFirmware_, false);
    EnableWindow(sendFirmware_, enable);
}

void CFirmwarePage::MoveFocusFrom(HWND control, bool backward)
{
    HWND next = GetNextDlgTabItem(Handle(), control, backward);
    if (next && next != control)
        SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
}

bool CFirmwarePage::OnCommand(int id, int code, HWND)
{
    switch (id) {
    case IDC_DEFAULT_FOLDER:
        if (code == BN_CLICKED)
            OnDefaultFolder();
        return true;
    case IDC_BROWSE_FOLDER:
        if (code == BN_CLICKED)
            OnBrowseFolder();
        return true;
    case IDC_CHECK_REVISION:
        if (code == BN_CLICKED)
            OnCheckRevisionNow();
        return true;
    case IDC_SEND_FIRMWARE:
        if (code == BN_CLICKED)
            OnSendFirmware();
        return true;
    case IDC_FOLDER_EDIT:
        switch (code) {
        case EN_CHANGE:
            folderEditChanged_ = true;
            break;
        case EN_SETFOCUS:
            folderEditChanged_ = false;
            break;
        case EN_KILLFOCUS:
            OnFolderEditLostFocus();
            break;
        default:
            break;
        }
        return true;
    default:
        return false;
    }
}

void CFirmwarePage::OnDefaultFolder()
{
    // The model's default folder is GetDefaultFirmwareFolder, which creates the folder on the way.
    std::wstring folder = model_.DefaultFirmwareFolder();
    if (!folder.empty() && IsOtherFolder(folder, model_.FirmwareFolder.Get()))
        model_.FirmwareFolder.Set(folder);
}

void CFirmwarePage::OnBrowseFolder()
{
    std::wstring chosen;
    if (!BrowseForFolder(Handle(), BrowseFolderTitle(), model_.FirmwareFolder.Get(), chosen))
        return;
    if (IsOtherFolder(chosen, model_.FirmwareFolder.Get()))
        model_.FirmwareFolder.Set(chosen);
}

void CFirmwarePage::OnFolderEditLostFocus()
{
    if (!folderEditChanged_)
        return;
    int length = GetWindowTextLengthW(folderEdit_);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(folderEdit_, text.data(), length + 1)));
    if (std::optional<std::wstring> folder = FolderFromEdit(text, model_.FirmwareFolder.Get()))
        model_.FirmwareFolder.Set(*folder);
}

void CFirmwarePage::OnCheckRevisionNow()
{
    UpdateAvailable(true);
    TestCommunications();
}

void CFirmwarePage::OnSendFirmware()
{
    const uint32_t start = model_.Timers().TickCount();
    uint32_t savedSpeed = model_.PortSpeed.Get();
    const StringId device{IDS_DEVICE_NAME};
    IContactStateMachine* contact = model_.ContactMachine();
    const FIRMWARESTATUS status =
        StatusForLoad(model_.FirmwareStatus.Get(), model_.PortOpen.Get() != 0, contact && contact->IsComplete(),
                      contact ? contact->GetResult() : 0);
    if (!files_.HasFirmwareFile()) {
        PopupError(StringId{IDS_ERROR_CAPTION}, StringId{IDS_FIRMWARE_FILE_MISSING});
    } else if (status == FirmwareStatusNone) {
        PopupError(StringId{IDS_ERROR_CAPTION}, StringId{IDS_STATUS_NOT_RESPONDING}, device);
    } else {
        DisplayVerbose(StringId{IDS_SENDING_FIRMWARE_FROM}, model_.FirmwareFolder.Get());
        if (!model_.IsExpectedDevice()) {
            AppendLogLine(log_.View(), Format(StringId{IDS_UNEXPECTED_DEVICE}, static_cast<uint32_t>(model_.Device.Get())));
        } else {
            ChangeSpeed(kLoaderSpeed);
            model_.FirmwareFile.Set(files_.GetFirmwareFile());
            CMcuLoaderDlg loader(model_);
            // A waiting bootstrap loader, once replaced by firmware, talks at the speed the port has now.
            if (loader.DoModal(Handle()) == IDOK && status == FirmwareStatusLoaderWaiting)
                savedSpeed = model_.PortSpeed.Get();
        }
    }
    if (savedSpeed != 0)
        ChangeSpeed(savedSpeed);
    TestCommunications();
    UpdateSendButton();
    DisplayStatus(StringId{IDS_ELAPSED_TIME}, ElapsedSeconds(start, model_.Timers().TickCount()));
    if (IMessageTarget* top = target_.TopLevel())
        top->Send(WM_REPORT_TEXT, 0, static_cast<intptr_t>(IDS_READY));
}

// Sets the open port to `speed` and says so in the log; nothing when it already runs at it.
void CFirmwarePage::ChangeSpeed(uint32_t speed)
{
    if (model_.PortSpeed.Get() == speed)
        return;
    AppendLogLine(log_.View(), Format(StringId{IDS_CHANGE_SPEED}, speed));
    model_.PortSpeed.Set(speed);
}

void CFirmwarePage::TestCommunications()
{
    if (IContactStateMachine* contact = model_.ContactMachine())
        contact->TestCommunications();
}

void CFirmwarePage::OnShown()
{
    if (observing_)
        return;
    // The first notifications only fill the controls; the folder is scanned once afterwards.
    registering_ = true;
    model_.FirmwareFolder.Advise(&target_);
    model_.FirmwareStatus.Advise(&target_);
    model_.InstalledRevision.Advise(&target_);
    registering_ = false;
    observing_ = true;
    // The sheet makes the page its current one only after showing it, and the main frame forwards
    // report lines only to the current page: the scan and the revision query, which report, wait
    // until then.
    if (!showPending_)
        showPending_ = PostMessageW(Handle(), kShownMessage, 0, 0) != FALSE;
}

void CFirmwarePage::OnShownAndCurrent()
{
    showPending_ = false;
    if (!observing_)
        return;
    UpdateAvailable(model_.FrameReady.Get() != 0);
    if (model_.PortOpen.Get() != 0)
        TestCommunications();
}

void CFirmwarePage::StopObserving()
{
    model_.FirmwareFolder.Unadvise(&target_);
    model_.FirmwareStatus.Unadvise(&target_);
    model_.InstalledRevision.Unadvise(&target_);
    observing_ = false;
}

void CFirmwarePage::OnDestroy() { StopObserving(); }

bool CFirmwarePage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam)
            OnShown();
        else
            StopObserving();
        return false;
    case kShownMessage:
        OnShownAndCurrent();
        result = 0;
        return true;
    case WM_SIZE:
        layout_.Arrange(LOWORD(lParam), HIWORD(lParam));
        return false;
    case WM_MODEL_FIRMWARE_FOLDER:
        SetWindowTextW(folderEdit_, model_.FirmwareFolder.Get().c_str());
        if (!registering_)
            UpdateAvailable(true);
        result = 0;
        return true;
    case WM_MODEL_FIRMWARE_STATUS:
        UpdateSendButton();
        result = 0;
        return true;
    case WM_MODEL_INSTALLED_REVISION:
        SetDlgItemTextW(Handle(), IDC_INSTALLED_REVISION, RevisionText(model_.InstalledRevision.Get()).c_str());
        result = 0;
        return true;
    case WM_REPORT_TEXT:
        // The error boxes' lines: to the main window, which shows them and puts them in this log.
        if (IMessageTarget* top = target_.TopLevel(); top && top != &target_)
            top->Send(message, wParam, lParam);
        result = 0;
        return true;
    case WM_REPORT_TO_PAGE:
        if (log_.Handle() && lParam) {
            // A value below 0x10000 in place of a text is a string-table id.
            if (IS_INTRESOURCE(lParam))
                AppendLogLine(log_.View(), LoadStringResource(static_cast<uint32_t>(lParam)));
            else
                AppendLogLine(log_.View(), reinterpret_cast<const wchar_t*>(lParam));
        }
        result = 0;
        return true;
    case WM_HELP:
        ShowHelpTopic(Handle(), L"Firmware.htm");
        result = TRUE;
        return true;
    default:
        return CPropertyPageImpl::OnMessage(message, wParam, lParam, result);
    }
}

// Tab and Enter in the folder edit move the focus on (Shift+Tab back), which applies a changed
// folder; the characters they would type are swallowed so that the edit does not beep.
LRESULT CALLBACK CFirmwarePage::FolderEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR data)
{
    auto* self = reinterpret_cast<CFirmwarePage*>(data);
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code = DefSubclassProc(edit, message, wParam, lParam);
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        // VK_TAB and VK_RETURN are also the codes of the characters they type.
        if (pending && (pending->message == WM_KEYDOWN || pending->message == WM_CHAR) &&
            IsFolderEditNavigationKey(pending->wParam))
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
        if (IsFolderEditNavigationKey(wParam)) {
            bool backward = wParam == VK_TAB && (GetKeyState(VK_SHIFT) & 0x8000) != 0;
            self->MoveFocusFrom(edit, backward);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\r' || wParam == L'\t' || wParam == L'\n')
            return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, FolderEditProc, kFolderEditSubclassId);
        break;
    default:
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}
