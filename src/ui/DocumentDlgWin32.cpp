// A resizable dialog that shows a read-only rich-text document above its Close button.
#include "ui/DocumentDlg.h"

#include <richedit.h>

bool CDocumentDlg::AttachDocument()
{
    if (!document_.Subclass(Document()))
        return false;
    SendMessageW(Document(), EM_AUTOURLDETECT, FALSE, 0);
    // The text keeps off the control's border by a few dialog units on either side.
    RECT margins{4, 0, 4, 0};
    MapDialogRect(Handle(), &margins);
    SendMessageW(Document(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margins.left, margins.right));
    return true;
}

void CDocumentDlg::SetUpResizing()
{
    layout_.Setup(Handle(), {{IDC_DOCUMENT, LayoutGrowX | LayoutGrowY}, {IDCANCEL, LayoutMoveX | LayoutMoveY}});
}

bool CDocumentDlg::FocusDocumentStart()
{
    SetFocus(Document());
    SendMessageW(Document(), EM_SETSEL, 0, 0);
    SendMessageW(Document(), EM_SCROLLCARET, 0, 0);
    return false;
}

bool CDocumentDlg::OnCommand(int id, int, HWND)
{
    if (id != IDOK && id != IDCANCEL)
        return false;
    EndDialog(id);
    return true;
}

void CDocumentDlg::OnSize(int width, int height) { layout_.Arrange(width, height); }

bool CDocumentDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_GETMINMAXINFO:
        if (!layout_.LimitMinimumSize(lParam))
            return false;
        result = 0;
        return true;
    default:
        return CDialogImpl::OnMessage(message, wParam, lParam, result);
    }
}
