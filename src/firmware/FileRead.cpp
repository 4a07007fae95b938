// The platform-independent part of the file readers: moving the handle and reporting failures.
#include "firmware/FileRead.h"

#include "model/ErrorText.h"
#include "model/StringTable.h"
#include "platform/LastError.h"
#include "platform/MessageTarget.h"

#include <utility>

CFileRead::CFileRead(CFileRead&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

CFileRead& CFileRead::operator=(CFileRead&& other) noexcept
{
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, -1);
    }
    return *this;
}

CFileRead2::CFileRead2(IMessageTarget* owner, const TextArg& caption) : owner_(owner), caption_(caption.ToString())
{
    if (caption_.empty())
        caption_ = LoadStringResource(IDS_ERROR_CAPTION);
}

bool CFileRead2::OpenForRead(const std::wstring& path)
{
    fileName_ = path;
    if (Open(path))
        return true;
    ReportFailure(L"CreateFile");
    return false;
}

uint32_t CFileRead2::GetSize()
{
    uint32_t size = CFileRead::GetSize();
    if (size == 0xFFFFFFFFu)
        ReportFailure(L"GetFileSize");
    return size;
}

bool CFileRead2::ReadBytes(void* buffer, uint32_t count, uint32_t& bytesRead)
{
    if (Read(buffer, count, bytesRead))
        return true;
    ReportFailure(L"ReadFile");
    return false;
}

void CFileRead2::ReportFailure(const wchar_t* operation)
{
    const uint32_t code = GetLastErrorCode();
    const std::wstring reason = ErrorText(code);
    // The status line goes to the top-level window above the owner. When the owner is itself
    // top-level, the error box's own report line reaches that window, so it is not sent twice.
    IMessageTarget* window = MessageWindow();
    if (window && window->TopLevel() != window)
        DisplayStatus(StringId{IDS_FAILED_ON}, operation, fileName_, code, reason);
    PopupError(caption_, StringId{IDS_FAILED_ON}, operation, fileName_, code, reason);
    SetLastErrorCode(code);
}
