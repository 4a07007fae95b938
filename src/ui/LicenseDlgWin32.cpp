// The License Agreement dialog: the program's end-user licence, carried in the program as an RTF resource.
#include "ui/LicenseDlg.h"

#include <richedit.h>

#include <cstring>
#include <string>

CLicenseDlg::CLicenseDlg() : CDocumentDlg(IDD_LICENSE) {}

bool CLicenseDlg::OnInitDialog()
{
    if (AttachDocument())
        ShowLicenseText();
    SetUpResizing();
    CentreWindow();
    return FocusDocumentStart();
}

void CLicenseDlg::ShowLicenseText()
{
    // A resource is part of the loaded module: its handles are never closed or freed.
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_LICENSE), MAKEINTRESOURCEW(RT_LICENSE_RTF));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes)
        return;
    // The resource ends in a zero byte; a copy that lost it still ends at the resource's size.
    const std::string rtf(bytes, strnlen(bytes, SizeofResource(module, found)));
    // Put in as the selection's text, the control recognises the RTF document and renders it.
    SETTEXTEX replace{ST_SELECTION, CP_UTF8};
    SendMessageW(Document(), EM_SETTEXTEX, reinterpret_cast<WPARAM>(&replace), reinterpret_cast<LPARAM>(rtf.c_str()));
}
