// The Command Tester page: type commands or press macro buttons, send them to the module, see its replies.
#include "ui/CommandTesterPage.h"
#include "ui/BalloonToolTips.h"

#include <commctrl.h>

#include "ResourceIds.h"
#include "app/Help.h"
#include "model/Model.h"
#include "model/StringTable.h"
#include "ui/EditCommandMacrosDlg.h"

namespace {

constexpr UINT_PTR kCommandBoxSubclassId = 1028;
constexpr wchar_t kFixedFontFace[] = L"Courier New";
constexpr int kFixedFontPoints = 10;
// The output keeps a long session; the control's own limit would silently drop text after 32 K characters.
constexpr LPARAM kOutputTextLimit = 0x1000000;

CHARFORMAT2W ColourFormat(uint32_t colour)
{
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.dwEffects = 0; // not CFE_AUTOCOLOR: the colour below applies
    format.crTextColor = static_cast<COLORREF>(colour);
    return format;
}

} // namespace

CCommandTesterPage::CCommandTesterPage(CModelBase& model) : CPropertyPageImpl(IDD_COMMAND_TESTER), model_(model) {}

CCommandTesterPage::~CCommandTesterPage() { StopObserving(); }

bool CCommandTesterPage::OnInitDialog()
{
    target_.Attach(Handle());
    commandBox_ = Item(IDC_COMMAND_BOX);
    HWND output = Item(IDC_OUTPUT);

    font_ = CGdiFont::CreateFixedFont(kFixedFontFace, kFixedFontPoints);
    if (commandBox_) {
        SendMessageW(commandBox_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        SetWindowSubclass(commandBox_, CommandBoxProc, kCommandBoxSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
    if (output) {
        output_.Subclass(output);
        SendMessageW(output, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        SendMessageW(output, EM_AUTOURLDETECT, FALSE, 0);
        SendMessageW(output, EM_EXLIMITTEXT, 0, kOutputTextLimit);
    }
    sentFormat_ = ColourFormat(kSentTextColour);
    receivedFormat_ = ColourFormat(kReceivedTextColour);
    CreateToolTips();
    layout_.Setup(Handle(), CommandTesterLayoutRules());
    return true;
}

void CCommandTesterPage::CreateToolTips()
{
    ToolTipEntry tools[2 + IDC_MACRO_LAST - IDC_MACRO_FIRST + 1];
    size_t count = 0;
    tools[count++] = {Item(IDC_EDIT_MACROS), IDS_TIP_EDIT_MACROS};
    tools[count++] = {Item(IDC_CLEAR_OUTPUT), IDS_TIP_CLEAR};
    for (int id = IDC_MACRO_FIRST; id <= IDC_MACRO_LAST; ++id)
        tools[count++] = {Item(id), IDS_TIP_MACRO};
    toolTip_ = CreateBalloonToolTips(Handle(), std::span<const ToolTipEntry>(tools, count));
}

std::wstring CCommandTesterPage::CommandBoxText() const
{
    if (!commandBox_)
        return {};
    int length = GetWindowTextLengthW(commandBox_);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(commandBox_, text.data(), length + 1)));
    return text;
}

void CCommandTesterPage::Send(const std::wstring& text, HWND focusTarget)
{
    if (!CanSend(text, model_.FirmwareStatus.Get()))
        return;
    focusTarget_ = focusTarget;
    // Emptying the box notifies a change; an empty box sends nothing, so this does not come back here.
    if (commandBox_)
        SetWindowTextW(commandBox_, L"");
    TransmitCommand(text, model_.SerialPort(), *this);
    if (focusTarget_ && IsWindow(focusTarget_))
        SetFocus(focusTarget_);
}

void CCommandTesterPage::Append(std::wstring_view text, OutputKind kind)
{
    HWND output = output_.Handle();
    if (!output || text.empty())
        return;
    ScrollState before;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (GetScrollInfo(output, SB_VERT, &info))
        before = {info.nMax, static_cast<int>(info.nPage), info.nPos};
    POINT scroll{};
    SendMessageW(output, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));

    // The length may count a line break twice; the control clamps the caret to the end.
    LPARAM end = GetWindowTextLengthW(output);
    SendMessageW(output, EM_SETSEL, end, end);
    CHARFORMAT2W& format = kind == OutputKind::Sent ? sentFormat_ : receivedFormat_;
    SendMessageW(output, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    std::wstring copy(text);
    SendMessageW(output, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(copy.c_str()));
    end = GetWindowTextLengthW(output);
    SendMessageW(output, EM_SETSEL, end, end);

    if (FollowsNewText(before))
        SendMessageW(output, WM_VSCROLL, SB_BOTTOM, 0);
    else // moving the caret may have scrolled the view; put it back where the user left it
        SendMessageW(output, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
}

void CCommandTesterPage::ClearOutput()
{
    HWND output = output_.Handle();
    if (!output)
        return;
    SendMessageW(output, EM_SETSEL, 0, -1);
    SendMessageW(output, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

void CCommandTesterPage::RunMacroEditor()
{
    CEditCommandMacrosDlg editor(model_);
    editor.DoModal(Handle());
}

bool CCommandTesterPage::OnCommand(int id, int code, HWND control)
{
    if (id >= IDC_MACRO_FIRST && id <= IDC_MACRO_LAST) {
        if (code == BN_CLICKED) {
            // A typed prefix and the macro text go out as one command.
            size_t index = static_cast<size_t>(id - IDC_MACRO_FIRST);
            Send(CommandBoxText() + model_.CommandText.Get(index), control ? control : Item(id));
        }
        return true;
    }
    switch (id) {
    case IDC_COMMAND_BOX:
        if (code == EN_CHANGE) {
            std::wstring text = CommandBoxText();
            if (SendsByItself(text))
                Send(text, commandBox_);
        }
        return true;
    case IDC_EDIT_MACROS:
        if (code == BN_CLICKED)
            RunMacroEditor();
        return true;
    case IDC_CLEAR_OUTPUT:
        if (code == BN_CLICKED)
            ClearOutput();
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK CCommandTesterPage::CommandBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                    DWORD_PTR data)
{
    auto* self = reinterpret_cast<CCommandTesterPage*>(data);
    switch (message) {
    case WM_CHAR:
        if (wParam == VK_RETURN) {
            self->Send(self->CommandBoxText(), window);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, CommandBoxProc, kCommandBoxSubclassId);
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void CCommandTesterPage::EnableControls(bool enable)
{
    for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        EnableWindow(child, enable ? TRUE : FALSE);
}

void CCommandTesterPage::StartObserving()
{
    if (observing_)
        return;
    observing_ = true;
    model_.CommandCaption.Advise(&target_);
    model_.FirmwareStatus.Advise(&target_);
}

void CCommandTesterPage::StopObserving()
{
    model_.CommandCaption.Unadvise(&target_);
    model_.FirmwareStatus.Unadvise(&target_);
    observing_ = false;
}

void CCommandTesterPage::OnDestroy()
{
    StopObserving();
    if (commandBox_)
        RemoveWindowSubclass(commandBox_, CommandBoxProc, kCommandBoxSubclassId);
    // The tooltip window is owned by the frame, not by the page; it goes with the page.
    if (toolTip_)
        DestroyWindow(toolTip_);
    toolTip_ = nullptr;
}

bool CCommandTesterPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam) {
            StartObserving();
            if (model_.FrameReady.Get() != 0 && model_.FirmwareStatus.Get() != 0)
                EnableControls(true);
        } else {
            StopObserving();
        }
        return false;
    case WM_SIZE:
        layout_.Arrange(LOWORD(lParam), HIWORD(lParam));
        return false;
    case WM_MODEL_FIRMWARE_STATUS:
        EnableControls(model_.FirmwareStatus.Get() != 0);
        result = 0;
        return true;
    case WM_MODEL_COMMAND_CAPTION:
        if (wParam < kMacroCount)
            SetWindowTextW(Item(IDC_MACRO_FIRST + static_cast<int>(wParam)), model_.CommandCaption.Get(wParam).c_str());
        result = 0;
        return true;
    case WM_COMM_EVENT:
        ShowReceivedBytes(model_.SerialPort(), *this);
        result = 0;
        return true;
    case WM_HELP:
        ShowHelpTopic(Handle(), L"CommandTester.htm");
        result = TRUE;
        return true;
    default:
        return CPropertyPageImpl::OnMessage(message, wParam, lParam, result);
    }
}
