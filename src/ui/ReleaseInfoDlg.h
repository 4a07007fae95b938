// The Release Notes window: the firmware release-notes RTF file of the firmware folder, modeless.
#pragma once
#include <memory>
#include <string>

#include "ui/DocumentDlg.h"

// A top-level modeless window (its parent is the desktop), resizable, showing the file read-only.
// Initialisation fails, after an error box owned by the dialog, when the path is empty (string 213)
// or the file cannot be opened (string 385); it fails without a box when streaming the file in
// stops with an error. A failed dialog destroys its own window. "Close" and Esc destroy the window;
// the object stays with its holder, and destroying the object destroys a window still open.
class CReleaseInfoDlg : public CDocumentDlg {
public:
    explicit CReleaseInfoDlg(std::wstring path);
    ~CReleaseInfoDlg() override;

    const std::wstring& Path() const { return path_; }
    // Keyboard navigation of the window (Tab, Enter, Esc) for a message of the window or its
    // controls; true when the message was handled. The message loop of the thread offers it.
    bool IsDialogMessage(MSG& message);

protected:
    bool OnInitDialog() override;

private:
    bool Fail();
    bool StreamIn();

    std::wstring path_;
};

// Opens the Release Notes window for the firmware folder: its release-notes file (string 150)
// joined to the folder, the folder's trailing backslashes dropped. Without such a file an error
// box owned by `owner` (caption string 212, text string 385 with the path) and none. None as well
// when the window failed to initialise; otherwise the window, shown.
std::unique_ptr<CReleaseInfoDlg> OpenReleaseNotes(HWND owner, const std::wstring& firmwareFolder);
