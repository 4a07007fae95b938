// A resizable dialog that shows a read-only rich-text document above its Close button.
#pragma once
#include <windows.h>

#include "ResourceIds.h"
#include "ui/DialogImpl.h"
#include "ui/DialogLayout.h"
#include "ui/RichEditCtrlContext.h"

// The base of the License Agreement and Release Notes windows: the document is rich edit 1029 with
// the edit context menu, the Close button is 2. When the dialog is resized the document grows with
// it and the button keeps its place at the lower right corner; the dialog never gets smaller than
// its template. "Close", Esc and Enter end it.
class CDocumentDlg : public CDialogImpl {
public:
    HWND Document() const { return Item(IDC_DOCUMENT); }

protected:
    explicit CDocumentDlg(UINT templateId) : CDialogImpl(templateId) {}

    // Wraps the document's control and switches its automatic link detection off (a document's
    // addresses are text, not links); false when the template has no such control.
    bool AttachDocument();
    // From now on the controls follow the dialog's size.
    void SetUpResizing();
    // Gives the document the keyboard focus with the caret at its start (the dialog manager's own
    // choice of focus would select the whole text and scroll to its end). The result is for
    // OnInitDialog: false, the focus is set.
    bool FocusDocumentStart();

    // "Close", Esc and Enter end the dialog (a modeless one is destroyed).
    bool OnCommand(int id, int code, HWND control) override;
    void OnSize(int width, int height) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    CRichEditCtrlContext document_;
    CDialogLayout layout_;
};
