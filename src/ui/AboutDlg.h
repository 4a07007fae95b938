// The About dialog: the program's description, revision and legal notice, and the way to its licence.
#pragma once
#include <windows.h>

#include "ui/DialogImpl.h"

// Modal over the main frame, fixed size. Its text comes from the executable's own version block
// (string 133 with the file description, the four file-version parts and the legal notice); without
// a version block the template's text stays. "View License Agreement" runs the License Agreement
// dialog modally over it; "Close" and Esc end it.
class CAboutDlg : public CDialogImpl {
public:
    CAboutDlg();

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
};
