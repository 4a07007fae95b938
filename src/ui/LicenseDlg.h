// The License Agreement dialog: the program's end-user licence, carried in the program as an RTF resource.
#pragma once
#include "ui/DocumentDlg.h"

// Modal over the About dialog, resizable. The document is the resource of type 256 and id 213
// (RTF in code page 1252, ending in a zero byte), rendered read-only; without the resource the
// document stays empty and the dialog still opens. "Close" and Esc end it.
class CLicenseDlg : public CDocumentDlg {
public:
    CLicenseDlg();

protected:
    bool OnInitDialog() override;

private:
    void ShowLicenseText();
};
