// The Edit Macros dialog: the labels and texts of the sixteen macro buttons of the Command Tester page.
#include "ui/EditCommandMacrosDlg.h"

#include <string>

#include "ResourceIds.h"
#include "app/Help.h"
#include "model/Model.h"
#include "ui/CommandTesterRules.h"

namespace {

constexpr int kSaveResult = 1;
constexpr int kCancelResult = 2;

std::wstring ItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    if (!item)
        return {};
    int length = GetWindowTextLengthW(item);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(item, text.data(), length + 1)));
    return text;
}

} // namespace

CEditCommandMacrosDlg::CEditCommandMacrosDlg(CModelBase& model) : CDialogImpl(IDD_EDIT_MACROS), model_(model) {}

CEditCommandMacrosDlg::~CEditCommandMacrosDlg() { StopObserving(); }

bool CEditCommandMacrosDlg::OnInitDialog()
{
    target_.Attach(Handle());
    layout_.Setup(Handle(), MacroEditorLayoutRules());
    CentreWindow();
    return true;
}

void CEditCommandMacrosDlg::StartObserving()
{
    model_.CommandCaption.Advise(&target_);
    model_.CommandText.Advise(&target_);
}

void CEditCommandMacrosDlg::StopObserving()
{
    model_.CommandCaption.Unadvise(&target_);
    model_.CommandText.Unadvise(&target_);
}

void CEditCommandMacrosDlg::Save()
{
    // Stop observing first, so the dialog's own notifications do not rewrite its edits.
    StopObserving();
    MacroEdits edits;
    for (size_t i = 0; i < kMacroCount; ++i) {
        const int n = static_cast<int>(i) + 1;
        edits.labels[i] = ItemText(Handle(), IDC_MACRO_LABEL_BASE + n);
        edits.texts[i] = ItemText(Handle(), IDC_MACRO_TEXT_BASE + n);
    }
    StoreMacroEdits(model_, edits);
}

bool CEditCommandMacrosDlg::OnCommand(int id, int code, HWND)
{
    switch (id) {
    case IDOK:
        Save();
        EndDialog(kSaveResult);
        return true;
    case IDCANCEL:
        EndDialog(kCancelResult);
        return true;
    case IDC_MACRO_HELP:
        if (code == BN_CLICKED)
            ShowHelpTopic(Handle(), L"CommandTester.htm#MacroEditor");
        return true;
    default:
        return false;
    }
}

void CEditCommandMacrosDlg::OnDestroy() { StopObserving(); }

bool CEditCommandMacrosDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam && !shown_) {
            shown_ = true;
            StartObserving();
        }
        return false;
    case WM_SIZE:
        layout_.Arrange(LOWORD(lParam), HIWORD(lParam));
        return false;
    case WM_GETMINMAXINFO:
        if (!layout_.LimitMinimumSize(lParam))
            return false;
        result = 0;
        return true;
    case WM_MODEL_COMMAND_CAPTION:
        if (wParam < kMacroCount)
            SetDlgItemTextW(Handle(), IDC_MACRO_LABEL_BASE + 1 + static_cast<int>(wParam),
                            model_.CommandCaption.Get(wParam).c_str());
        result = 0;
        return true;
    case WM_MODEL_COMMAND_TEXT:
        if (wParam < kMacroCount)
            SetDlgItemTextW(Handle(), IDC_MACRO_TEXT_BASE + 1 + static_cast<int>(wParam),
                            model_.CommandText.Get(wParam).c_str());
        result = 0;
        return true;
    case WM_HELP:
        ShowHelpTopic(Handle(), L"CommandTester.htm#MacroEditor");
        result = TRUE;
        return true;
    default:
        return CDialogImpl::OnMessage(message, wParam, lParam, result);
    }
}
