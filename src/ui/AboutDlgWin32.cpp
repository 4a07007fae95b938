// The About dialog: the program's description, revision and legal notice, and the way to its licence.
#include "ui/AboutDlg.h"

#include "ResourceIds.h"
#include "model/Format.h"
#include "model/StringTable.h"
#include "ui/FileVersionInfo.h"
#include "ui/LicenseDlg.h"

CAboutDlg::CAboutDlg() : CDialogImpl(IDD_ABOUT) {}

bool CAboutDlg::OnInitDialog()
{
    CFileVersionInfo version;
    if (version.ReadOwnExecutable()) {
        const auto parts = version.FileVersionParts();
        const std::wstring text =
            Format(StringId{IDS_ABOUT_TEXT}, version.Get(CFileVersionInfo::FileDescription), parts[0], parts[1],
                   parts[2], parts[3], version.Get(CFileVersionInfo::LegalCopyright));
        SetDlgItemTextW(Handle(), IDC_ABOUT_TEXT, text.c_str());
    }
    CentreWindow();
    return true;
}

bool CAboutDlg::OnCommand(int id, int code, HWND)
{
    switch (id) {
    case IDC_VIEW_LICENSE:
        if (code == BN_CLICKED) {
            CLicenseDlg license;
            license.DoModal(Handle());
        }
        return true;
    case IDOK:
    case IDCANCEL:
        EndDialog(id);
        return true;
    default:
        return false;
    }
}
