// The Release Notes window: the firmware release-notes RTF file of the firmware folder, modeless.
#include "ui/ReleaseInfoDlg.h"

#include <richedit.h>

#include <utility>

#include "firmware/FileRead.h"
#include "firmware/FirmwareFolder.h"
#include "model/Format.h"
#include "model/StringTable.h"
#include "platform/LastError.h"
#include "platform/UserQuestions.h"
#include "ui/WindowTarget.h"

namespace {

void ShowReleaseNotesError(HWND owner, const std::wstring& text)
{
    CWindowTarget target(owner);
    AskUser(&target, text, LoadStringResource(IDS_RELEASE_NOTES_ERROR), MB_FLAG_OK | MB_FLAG_ICONERROR);
}

// A window of its own in the task bar carries the program's icon. Shared icons belong to the
// system, which frees them; the window only shows them.
void ShowProgramIcon(HWND window)
{
    const auto show = [window](WPARAM which, int width, int height) {
        HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                 GetSystemMetrics(width), GetSystemMetrics(height), LR_SHARED);
        if (icon)
            SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    };
    show(ICON_BIG, SM_CXICON, SM_CYICON);
    show(ICON_SMALL, SM_CXSMICON, SM_CYSMICON);
}

bool IsExistingFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The control asks for the next chunk of the file; a failed read ends the stream with its error code.
DWORD CALLBACK ReadChunk(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given)
{
    auto* file = reinterpret_cast<CFileRead*>(cookie);
    uint32_t read = 0;
    *given = 0;
    if (wanted <= 0)
        return 0;
    if (!file->Read(buffer, static_cast<uint32_t>(wanted), read)) {
        const DWORD code = GetLastError();
        return code != 0 ? code : ERROR_READ_FAULT;
    }
    *given = static_cast<LONG>(read);
    return 0;
}

} // namespace

CReleaseInfoDlg::CReleaseInfoDlg(std::wstring path) : CDocumentDlg(IDD_RELEASE_NOTES), path_(std::move(path)) {}

CReleaseInfoDlg::~CReleaseInfoDlg()
{
    if (Handle())
        DestroyWindow(Handle());
}

bool CReleaseInfoDlg::IsDialogMessage(MSG& message)
{
    HWND window = Handle();
    if (!window || !message.hwnd || (message.hwnd != window && !IsChild(window, message.hwnd)))
        return false;
    return ::IsDialogMessageW(window, &message) != FALSE;
}

bool CReleaseInfoDlg::OnInitDialog()
{
    if (path_.empty()) {
        ShowReleaseNotesError(Handle(),
                              Format(StringId{IDS_RELEASE_NOTES_NOT_FOUND}, StringId{IDS_RELEASE_NOTES_FILE}));
        return Fail();
    }
    if (!AttachDocument() || !StreamIn())
        return Fail();
    ShowProgramIcon(Handle());
    SetUpResizing();
    CentreWindow();
    return FocusDocumentStart();
}

bool CReleaseInfoDlg::StreamIn()
{
    CFileRead file;
    if (!file.Open(path_)) {
        ShowReleaseNotesError(Handle(), Format(StringId{IDS_RELEASE_NOTES_OPEN_FAILED}, path_));
        return false;
    }
    // The control keeps no more text than its limit; the RTF file is never shorter than its text.
    const uint32_t size = file.GetSize();
    if (size != 0xFFFFFFFFu)
        SendMessageW(Document(), EM_EXLIMITTEXT, 0, static_cast<LPARAM>(size));
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&file);
    stream.pfnCallback = ReadChunk;
    SendMessageW(Document(), EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    if (stream.dwError != 0) {
        SetLastErrorCode(stream.dwError);
        return false;
    }
    return true;
}

bool CReleaseInfoDlg::Fail()
{
    DestroyWindow(Handle());
    return false;
}

std::unique_ptr<CReleaseInfoDlg> OpenReleaseNotes(HWND owner, const std::wstring& firmwareFolder)
{
    std::wstring path = JoinFolderPath(firmwareFolder, LoadStringResource(IDS_RELEASE_NOTES_FILE));
    if (!IsExistingFile(path)) {
        ShowReleaseNotesError(owner, Format(StringId{IDS_RELEASE_NOTES_OPEN_FAILED}, path));
        return nullptr;
    }
    auto dialog = std::make_unique<CReleaseInfoDlg>(std::move(path));
    // A dialog whose initialisation failed has destroyed its own window already.
    if (!dialog->Create(GetDesktopWindow()) || !dialog->Handle())
        return nullptr;
    ShowWindow(dialog->Handle(), SW_SHOW);
    return dialog;
}
